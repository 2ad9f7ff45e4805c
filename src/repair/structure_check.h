// SQLite's integrity check of the source, run on a thread of its own while the rows are copied.
// Reading rows through SQL cannot see some damage: a table whose root page was swapped with another
// reads back another table's rows, "consistently"; a broken overflow chain hands back wrong bytes
// without an error. The check sees both; structure_findings.h says what its findings mean.
#pragma once

#include <mutex>
#include <thread>

#include "repair/structure_findings.h"

class rg_MoKuai_class_sqliteShuJuKu;

// One run's check. Its thread has ended when findings() returns, and at the latest when the check goes.
class StructureCheck {
public:
    StructureCheck() = default;
    StructureCheck(const StructureCheck&) = delete;
    StructureCheck& operator=(const StructureCheck&) = delete;
    ~StructureCheck();

    // Starts checking source and its tables on a thread of its own (on this one, when no thread can
    // start). source must stay connected until findings() returns.
    void start(rg_MoKuai_class_sqliteShuJuKu& source, const StringArray& tables);
    // Waits for the check, dispatching messages, and gives its findings.
    StructureFindings findings();

private:
    bool isFinished();

    std::mutex lock;
    bool finished = true;          // guarded by lock
    StructureFindings result;      // guarded by lock; written once, by the check
    std::thread worker;
};
