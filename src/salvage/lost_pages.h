// Where a rowid table's unreadable pages lay, by key. Walking the table's b-tree in the source from
// its root, each interior page's dividers bound its children's rowids: a child that is no sound
// table page (its kind, its cells, its keys out of order or outside its bounds) lost the rows
// between its neighbours' keys.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "base/wide_string.h"

class rg_MoKuai_class_sqliteShuJuKu;

struct RowidRange {
    std::optional<std::int64_t> first;   // empty: from the smallest rowid
    std::optional<std::int64_t> last;    // empty: to the largest
    // "rowid 973–1110", "rowid 5001 以上", "rowid 12 以下"; "全部 rowid" when unbounded both ways.
    WideString text() const;
};

// database: a connection with the source attached as "src"; rootPage: the table's root in it.
std::vector<RowidRange> lostRowidRanges(rg_MoKuai_class_sqliteShuJuKu& database, std::int64_t rootPage);
