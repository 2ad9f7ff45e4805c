// One repair run: the state that the job, the schema transfer and the table copy share from the
// start of the run to its end. repairDatabase makes it and hands it on; page workers, which are
// handed only their parameter text, reach it through activeRun() (process_objects.h).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <unordered_set>

#include "base/wide_string.h"
#include "jobs/job_progress.h"
#include "repair/page_workers.h"
#include "repair/structure_check.h"
#include "repair/table_state.h"

class rg_MoKuai_class_sqliteShuJuKu;

// The schema name the source is attached under on the rebuilt file's connection.
inline constexpr char16_t kSourceSchema[] = u"src";

// Indexes, views and triggers, read with the schema and created after the rows.
struct LateSchema {
    StringArray names;        // in schema order, indexes first
    StringArray statements;   // their CREATE texts, in the same order
    StringArray fullTextTables;   // full-text tables, whose index is built anew from their contents
    StringArray contentlessTables;   // full-text tables without contents, whose index is copied as it is
    bool hasSequences = false;    // the source keeps AUTOINCREMENT counters (sqlite_sequence)
    StringArray statisticsTables;   // the query planner's statistics the source keeps (sqlite_stat1, sqlite_stat4)
};

// Why a run failed, for the front ends to say under the result text.
struct RunFailure {
    WideString cause;        // the first failure's line, naming its table; empty while none
    bool isDamage = false;   // rows or tables could not be read: a salvage may save what can be
    WideString shortTable;   // the checked table that came out short, when that is the first failure
};

// text, followed by cause in brackets when there is one.
WideString withCause(const WideString& text, const WideString& cause);

class RepairRun {
public:
    // kind, name, total, done, text: as the repair's progress event carries them.
    using Reporter = std::function<void(std::int32_t, const WideString&, std::int32_t, std::int32_t, const WideString&)>;

    RepairRun(rg_MoKuai_class_sqliteShuJuKu& source, rg_MoKuai_class_sqliteShuJuKu& target, std::int32_t pageSize,
              WideString exemptTables, Reporter reporter)
        : source(source), target(target), pageSize(pageSize), exemptTables(std::move(exemptTables)), reporter(std::move(reporter)) {}
    RepairRun(const RepairRun&) = delete;
    RepairRun& operator=(const RepairRun&) = delete;

    void report(std::int32_t kind, const WideString& name, std::int32_t total, std::int32_t done, const WideString& text) const {
        reporter(kind, name, total, done, text);
    }
    // A line of text about the named item (a table, or the database as a whole).
    void reportMessage(const WideString& name, const WideString& text) const { report(kProgressMessage, name, 0, 0, text); }
    // Why the run fails; the first cause noted is the run's. isDamage: rows or tables could not be
    // read, which a salvage may help with. shortTable: a checked table that came out short.
    void noteFailure(const WideString& cause, bool isDamage, const WideString& shortTable = {});
    // A line about the named item that says why the run fails, noted as above.
    void reportFailure(const WideString& name, const WideString& text, bool isDamage);
    bool isExempt(const WideString& table) const;

    rg_MoKuai_class_sqliteShuJuKu& source;   // the damaged database, read-only
    WideString sourcePath;                   // its file (a link resolved)
    bool rolledBackJournal = false;          // SQLite rolled a hot journal back in the copy the run reads
    bool isSourceCutShort = false;           // the file read is shorter than its header says: read up to its end
    rg_MoKuai_class_sqliteShuJuKu& target;   // the database being built
    const std::int32_t pageSize;             // rows per page worker
    StringArray tables;                      // the tables to copy, in schema order (copySchema)
    TableShapes shapes;                      // what the source's schema says of each (copySchema)
    std::unordered_set<std::u16string> createdTables;   // the tables the target got (copySchema)
    LateSchema late;                         // filled by copySchema, created by copyLateSchema
    TableCopy table;                         // the table being copied
    StructureCheck structureCheck;           // the source's integrity check, beside the copy
    RunFailure failure;                      // why the run fails; empty cause while nothing failed
    WideString rebuiltLeftAt;                // the rebuilt file, when it waits beside the source for the user
    PageWorkers pageWorkers;                 // runs the page workers; goes first, before what they use

private:
    const WideString exemptTables;
    const Reporter reporter;
};
