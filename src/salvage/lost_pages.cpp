#include "salvage/lost_pages.h"

#include <set>

#include "db/database.h"
#include "db/page_format.h"

WideString RowidRange::text() const {
    if (first && last) return u"rowid " + decimalText(*first) + u"–" + decimalText(*last);
    if (first) return u"rowid " + decimalText(*first) + u" 以上";
    if (last) return u"rowid " + decimalText(*last) + u" 以下";
    return u"全部 rowid";
}

namespace {

// A b-tree deeper than this is damage: a sound one of 2^63 rows has far fewer levels.
constexpr int kDeepestLevel = 40;

class TreeWalk {
public:
    explicit TreeWalk(rg_MoKuai_class_sqliteShuJuKu& database) : database(database) {
        pageCount = database.queryInteger(u"PRAGMA src.page_count").value_or(0);
    }

    // Visits the page whose rows lie above `above` and at most `atMost`, noting its range as lost
    // when it is no sound table page.
    void visit(std::int64_t pageNumber, std::optional<std::int64_t> above, std::optional<std::int64_t> atMost, int level) {
        if (!isSound(pageNumber, above, atMost, level)) lost.push_back(RowidRange{above ? std::optional<std::int64_t>(*above + 1) : std::nullopt, atMost});
    }

    std::vector<RowidRange> lost;

private:
    bool isSound(std::int64_t pageNumber, std::optional<std::int64_t> above, std::optional<std::int64_t> atMost, int level) {
        if (pageNumber < 1 || pageNumber > pageCount || level > kDeepestLevel || !visited.insert(pageNumber).second) return false;
        std::string bytes;
        if (!page_format::readPage(database, "src", pageNumber, bytes)) return false;
        const page_format::BTreePage page(bytes, pageNumber);
        if (!page.isTable()) return false;
        // Every key in order and inside the page's bounds, or the page is not what its parent says.
        std::vector<std::int64_t> keys;
        for (std::int64_t cell = 0; cell < page.cellCount(); ++cell) {
            const auto key = page.rowidOf(cell);
            if (!key || (above && *key <= *above) || (atMost && *key > *atMost) || (!keys.empty() && *key <= keys.back())) return false;
            keys.push_back(*key);
        }
        if (page.isLeaf()) return true;
        std::vector<std::int64_t> children;
        for (std::int64_t cell = 0; cell <= page.cellCount(); ++cell) {
            const auto child = page.childOf(cell);
            if (!child) return false;
            children.push_back(*child);
        }
        for (std::size_t child = 0; child < children.size(); ++child)
            visit(children[child], child == 0 ? above : std::optional<std::int64_t>(keys[child - 1]),
                  child < keys.size() ? std::optional<std::int64_t>(keys[child]) : atMost, level + 1);
        return true;
    }

    rg_MoKuai_class_sqliteShuJuKu& database;
    std::int64_t pageCount = 0;
    std::set<std::int64_t> visited;
};

}  // namespace

std::vector<RowidRange> lostRowidRanges(rg_MoKuai_class_sqliteShuJuKu& database, std::int64_t rootPage) {
    TreeWalk walk(database);
    walk.visit(rootPage, std::nullopt, std::nullopt, 0);
    return walk.lost;
}
