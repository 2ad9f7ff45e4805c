// What the repair tests share: a run of the repair job with its progress events recorded, exact
// reads of a database's rows, and the files a run leaves in its folder.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "base/event_slot.h"
#include "base/wide_string.h"
#include "repair/repair_job.h"

struct ProgressEvent {
    std::int32_t kind;
    WideString name;
    std::int32_t total;
    std::int32_t done;
    WideString text;
};

// Records every repairProgress event while it lives.
class ProgressLog {
public:
    ProgressLog();
    // Events whose name is name, in order.
    std::vector<ProgressEvent> about(const WideString& name) const;
    // "kind text" of the job's own events (name "数据库"), in order.
    std::vector<std::string> jobEvents() const;
    // Whether a line of text (a kind-1 event, about any item) said exactly text.
    bool saidLine(const WideString& text) const;

    std::vector<ProgressEvent> events;
    // Called with each event after it is recorded, on the repair's thread; for tests that act mid-run.
    std::function<void(const ProgressEvent&)> onEvent;

private:
    EventTarget receiver;   // last: closed first
};

// Event text for failure messages.
std::string describe(const std::vector<ProgressEvent>& events);

// repairJob.repairDatabase with the page size hint and exempt list the front ends pass.
WideString repair(const WideString& path, const WideString& exemptTables = kDefaultExemptTables);

// Every row of a query on the database at path, each as its values joined by " | ", every value
// written exactly: "integer:N", "real:" + the 16 hex digits of its bits, "text:" + the bytes,
// "blob:" + hex, "null". Reading stops at the first failure (the rows before it are kept).
std::vector<std::string> exactRows(const WideString& path, const WideString& statement);

// The first column of the first row of a query, as exactRows writes it; "(none)" without a row.
std::string exactValue(const WideString& path, const WideString& statement);

// Names of the files in folder as UTF-8, sorted, every 14-digit stamp written as "<stamp>".
std::vector<std::string> filesWithoutStamps(const WideString& folder);

// The whole file, or "" when it cannot be read.
std::string fileBytes(const WideString& path);

// "WITH RECURSIVE n(i) AS (...) ": the numbers 1 to count as table n, for INSERT ... SELECT ... FROM n.
WideString numbersUpTo(std::int32_t count);

// A plain SQLite connection, as another program would hold one: opened read-write, its journal
// mode left as the file has it, waiting up to 10 s for a lock. Closed when it goes, unless the
// process ends first.
class PlainConnection {
public:
    explicit PlainConnection(const WideString& path);
    PlainConnection(const PlainConnection&) = delete;
    PlainConnection& operator=(const PlainConnection&) = delete;
    ~PlainConnection();
    // Runs the statements; true when all succeeded.
    bool exec(const WideString& statements);

private:
    struct Parts;
    Parts* parts;
};

// Writes text to the file at path, replacing what it held.
void writeFile(const WideString& path, const std::string& text);

// True when SQLite's integrity check of the database at path says "ok" and nothing else.
bool passesIntegrityCheck(const WideString& path);
