// The repair job: rebuilds a damaged database beside it, checks every table's rows, and swaps the
// rebuilt file in, keeping the damaged one as a timestamped backup.
#pragma once

#include <cstdint>

#include "base/wide_string.h"
#include "jobs/job_progress.h"

// A run's result with what the front ends say beside it.
struct RepairOutcome {
    WideString result;   // one of the result texts of result_texts.h
    // The result box's second line: why a failed run failed (which table, what), or where the
    // rebuilt file waits when it could not take the source's place. Empty when there is nothing to add.
    WideString detail;
    // Rows or tables could not be read: a salvage may save what can be. Never set for a failure a
    // salvage cannot help with (a source another program changed, a full disk, a changed value).
    bool offersSalvage = false;
};

class rg_mk_class_sqliteshjk_xf {
public:
    using ProgressEvent = JobProgressEvent<rg_mk_class_sqliteshjk_xf>;
    // What the job's progress lines begin with.
    static constexpr char16_t progressLabel[] = u"修复进度";
    // The text of a table's running events, raised while its rows are copied.
    static constexpr char16_t runningText[] = u"修复中";

    // Repairs the database at path and returns one of the result texts of result_texts.h. Blocks
    // until the run is over; raises repairProgress on the calling thread meanwhile. pageSizeHint is
    // not read: pages are always 1000 rows. exemptTables: comma-separated table names whose row
    // counts are not compared, or "*" for all. Runs must not overlap.
    WideString repairDatabase(const WideString& path, std::int32_t pageSizeHint, const WideString& exemptTables);
    // The same run, with what the result box says beside its result.
    RepairOutcome runRepair(const WideString& path, const WideString& exemptTables);

    ProgressEvent repairProgress;
};

// The process's one repair object.
extern rg_mk_class_sqliteshjk_xf repairJob;

// The table list every front end passes as exemptTables.
inline constexpr char16_t kDefaultExemptTables[] = u"query_share,report,message_record,claim_order";
// Rows per page worker.
inline constexpr std::int32_t kRowsPerPage = 1000;
