// The salvage job: when a table cannot be read whole, it saves what can be read into a new
// database beside the damaged one, and says table by table what was lost. The damaged file is only
// read, and nothing is swapped: the user decides.
#pragma once

#include <cstdint>
#include <string>

#include "base/wide_string.h"
#include "jobs/job_progress.h"
#include "salvage/salvage_report.h"

inline constexpr char16_t kSalvageNothingLost[] = u"抢救完成:未发现数据丢失";
inline constexpr char16_t kSalvageSomeLost[] = u"抢救完成:部分数据丢失,详见抢救报告";
inline constexpr char16_t kSalvageFailedPrefix[] = u"抢救失败:";

struct SalvageOutcome {
    WideString result;        // one of the texts above; the failure text is followed by the reason
    SalvageReport report;
    WideString reportPath;    // the text report, empty when none could be written
    // The source's databaseVersion before anything of it was read: a swap of the salvaged database
    // compares it, so that rows committed since are never left behind in a backup.
    std::string sourceVersion;
};

class SalvageJob {
public:
    using ProgressEvent = JobProgressEvent<SalvageJob>;
    // What the job's progress lines begin with.
    static constexpr char16_t progressLabel[] = u"抢救进度";
    // The text of a table's running events, raised while its rows are recovered.
    static constexpr char16_t runningText[] = u"抢救中";

    // Salvages the database at path into "抢救数据库-" + stamp + ".db" beside it, with the report
    // "抢救报告-" + stamp + ".txt" and ".json". The database is built as "临时数据库-" + stamp + ".db"
    // and renamed once finished, before the reports are written: a salvage stopped part way leaves
    // that temporary file and nothing under the final names. Blocks until done; raises
    // salvageProgress on the calling thread meanwhile. On failure nothing is left but the report.
    // When the database's own schema cannot be read, schemaCopyPath (when not empty) names another
    // copy of the same program's database whose tables the orphaned rows are placed in; it is only read.
    SalvageOutcome salvageDatabase(const WideString& path, const WideString& schemaCopyPath = {});

    ProgressEvent salvageProgress;
};

// The process's one salvage object.
extern SalvageJob salvageJob;
