// The repair job: rebuilds a damaged database beside it, checks every table's rows, and swaps the
// rebuilt file in, keeping the damaged one as a timestamped backup.
#pragma once

#include <cstdint>

#include "base/event_slot.h"
#include "base/wide_string.h"

class rg_mk_class_sqliteshjk_xf {
public:
    // kind (1 message, 2 progress of the named item), name (a table, or "数据库" for the job),
    // total rows, rows done, text.
    using ProgressEvent = EventSlot<rg_mk_class_sqliteshjk_xf, std::int32_t, const WideString&, std::int32_t,
                                    std::int32_t, const WideString&>;

    // Repairs the database at path and returns one of the result texts of result_texts.h. Blocks
    // until the run is over; raises repairProgress on the calling thread meanwhile. pageSizeHint is
    // not read: pages are always 1000 rows. exemptTables: comma-separated table names whose row
    // counts are not compared, or "*" for all. Runs must not overlap.
    WideString repairDatabase(const WideString& path, std::int32_t pageSizeHint, const WideString& exemptTables);

    ProgressEvent repairProgress;
};

// The process's one repair object.
extern rg_mk_class_sqliteshjk_xf repairJob;

// The table list every front end passes as exemptTables.
inline constexpr char16_t kDefaultExemptTables[] = u"query_share,report,message_record,claim_order";
// Rows per page worker.
inline constexpr std::int32_t kRowsPerPage = 1000;
