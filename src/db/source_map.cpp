#include "db/source_map.h"

#include <algorithm>

#include "db/database.h"
#include "db/page_format.h"

namespace {

using page_format::BTreePage;

bool isIndexKind(unsigned char kind) { return kind == page_format::kIndexLeaf || kind == page_format::kIndexInterior; }
bool isTableKind(unsigned char kind) { return kind == page_format::kTableLeaf || kind == page_format::kTableInterior; }

}  // namespace

std::vector<SchemaObject> readSchemaObjects(rg_MoKuai_class_sqliteShuJuKu& database) {
    TypedPage rows;
    (void)database.queryPage(u"SELECT type, name, tbl_name, rootpage FROM sqlite_master", rows);   // unread: every root unknown
    std::vector<SchemaObject> objects;
    for (std::int64_t row = 0; row < rows.rowCount(); ++row)
        objects.push_back({std::string(rows.value(row, 0).bytes), fromUtf8(rows.value(row, 1).bytes), fromUtf8(rows.value(row, 2).bytes),
                           rows.value(row, 3).integer});
    return objects;
}

bool SourceMap::read(rg_MoKuai_class_sqliteShuJuKu& database, std::string_view schema, const std::vector<SchemaObject>& objects) {
    *this = SourceMap{};
    std::string firstPage;
    page_format::FileHeader header;
    if (!page_format::readPage(database, schema, 1, firstPage) || !header.read(firstPage)) return false;

    // One scan of every page, keeping a summary of each: the walks below need no page twice.
    const TypedValue schemaName[] = {textValue(schema)};
    const QueryOutcome scanned = database.queryEachRow(u"SELECT pgno, data FROM sqlite_dbpage(?1)", schemaName, [&](const TypedPage& row) {
        const std::int64_t number = row.value(0, 0).integer;
        const std::string_view bytes = row.value(0, 1).bytes;
        if (number < 1) return true;
        if (summaries.size() < static_cast<std::size_t>(number)) summaries.resize(static_cast<std::size_t>(number));
        PageSummary& summary = summaries[static_cast<std::size_t>(number - 1)];
        summary.firstWord = static_cast<std::uint32_t>(std::max<std::int64_t>(page_format::bigEndian(bytes, 0, 4), 0));
        const BTreePage page(bytes, number, header.usableSize);
        if (!page.isBTree()) return true;
        summary.kind = page.pageKind();
        summary.linkStart = static_cast<std::uint32_t>(links.size());
        const bool isTableLeaf = page.pageKind() == page_format::kTableLeaf;
        for (std::int64_t number = 0; number < page.cellCount(); ++number) {
            const BTreePage::Cell cell = page.cellAt(number);
            if (cell.child > 0) links.push_back(static_cast<std::uint32_t>(cell.child));
            if (cell.overflow > 0) links.push_back(static_cast<std::uint32_t>(cell.overflow));
            if (cell.fields) summary.widestRecord = std::max<std::int32_t>(summary.widestRecord, static_cast<std::int32_t>(*cell.fields));
            if (isTableLeaf && cell.rowid) {
                summary.lowestKey = summary.hasKeys ? std::min(summary.lowestKey, *cell.rowid) : *cell.rowid;
                summary.highestKey = summary.hasKeys ? std::max(summary.highestKey, *cell.rowid) : *cell.rowid;
                summary.hasKeys = true;
            }
        }
        if (page.isInterior())
            if (const auto right = page.childOf(page.cellCount())) links.push_back(static_cast<std::uint32_t>(*right));
        summary.linkCount = static_cast<std::uint32_t>(links.size()) - summary.linkStart;
        return true;
    });
    if (!scanned || summaries.empty()) {
        *this = SourceMap{};
        return false;
    }
    owners.assign(summaries.size(), Owner::none);
    namedByFreeList.assign(summaries.size(), 0);
    for (std::int64_t page = 1; page <= pageCount(); ++page) {
        if (header.isPointerMapPage(page)) owners[static_cast<std::size_t>(page - 1)] = Owner::pointerMap;
        if (header.isLockBytePage(page)) owners[static_cast<std::size_t>(page - 1)] = Owner::lockByte;
    }

    // The b-trees first: a page a b-tree and the free-space list both claim is the b-tree's.
    trees.assign(objects.size(), TreeShape{});
    TreeShape schemaTree;
    trees.push_back(schemaTree);   // the schema's own, page 1, last
    for (std::size_t object = 0; object <= objects.size(); ++object) {
        const std::int64_t root = object < objects.size() ? objects[object].rootPage : 1;
        if (root >= 1) walkTree(object, root);
    }
    trees.pop_back();
    freePagesPromised = header.freePageCount;
    walkFreeList(database, schema, header.firstFreeTrunk);

    for (std::int64_t page = 1; page <= pageCount(); ++page) {
        if (owners[static_cast<std::size_t>(page - 1)] != Owner::none) continue;
        ++unreached;
        const PageSummary& summary = summaries[static_cast<std::size_t>(page - 1)];
        if (summary.kind == 0) continue;
        LoosePage loosePage{page, summary.kind, summary.widestRecord, {}};
        std::string bytes;
        if (isTableKind(summary.kind) && page_format::readPage(database, schema, page, bytes)) {
            const BTreePage read(bytes, page, header.usableSize);
            if (read.isLeaf())
                for (std::int64_t cell = 0; cell < read.cellCount(); ++cell)
                    if (const auto key = read.rowidOf(cell)) loosePage.keys.push_back(*key);
        }
        loose.push_back(std::move(loosePage));
    }
    summaries = {};
    links = {};
    return true;
}

void SourceMap::walkTree(std::size_t object, std::int64_t root) {
    TreeShape& shape = trees[object];
    const bool isIndexTree = root <= pageCount() && isIndexKind(summaries[static_cast<std::size_t>(root - 1)].kind);
    shape.isIndexKind = isIndexTree;
    std::vector<std::int64_t> pending{root};
    while (!pending.empty()) {
        const std::int64_t page = pending.back();
        pending.pop_back();
        if (page < 1 || page > pageCount() || owners[static_cast<std::size_t>(page - 1)] != Owner::none) continue;
        owners[static_cast<std::size_t>(page - 1)] = Owner::tree;
        ++shape.pages;
        const PageSummary& summary = summaries[static_cast<std::size_t>(page - 1)];
        // A page of the other kind of b-tree is not followed: its links mean nothing here.
        if (summary.kind == 0 || isIndexKind(summary.kind) != isIndexTree) continue;
        shape.widestRecord = std::max<std::int64_t>(shape.widestRecord, summary.widestRecord);
        if (summary.hasKeys) {
            shape.lowestKey = shape.hasKeys ? std::min(shape.lowestKey, summary.lowestKey) : summary.lowestKey;
            shape.highestKey = shape.hasKeys ? std::max(shape.highestKey, summary.highestKey) : summary.highestKey;
            shape.hasKeys = true;
        }
        for (std::uint32_t link = 0; link < summary.linkCount; ++link) {
            const std::int64_t target = links[summary.linkStart + link];
            if (target < 1 || target > pageCount()) continue;
            if (summaries[static_cast<std::size_t>(target - 1)].kind != 0 || owners[static_cast<std::size_t>(target - 1)] != Owner::none) {
                pending.push_back(target);
                continue;
            }
            // An overflow chain: each page names the next in its first four bytes, the last 0.
            for (std::int64_t next = target, steps = 0; next >= 1 && next <= pageCount() && steps < pageCount(); ++steps) {
                if (owners[static_cast<std::size_t>(next - 1)] != Owner::none) break;
                owners[static_cast<std::size_t>(next - 1)] = Owner::tree;
                ++shape.pages;
                next = summaries[static_cast<std::size_t>(next - 1)].firstWord;
            }
        }
    }
}

void SourceMap::walkFreeList(rg_MoKuai_class_sqliteShuJuKu& database, std::string_view schema, std::int64_t firstTrunk) {
    const auto claim = [&](std::int64_t page) {
        if (page < 1 || page > pageCount() || namedByFreeList[static_cast<std::size_t>(page - 1)]) return false;
        namedByFreeList[static_cast<std::size_t>(page - 1)] = 1;
        ++freePagesReached;
        Owner& owner = owners[static_cast<std::size_t>(page - 1)];
        if (owner == Owner::none) owner = Owner::freeList;
        return true;
    };
    std::string bytes;
    for (std::int64_t trunk = firstTrunk; trunk != 0;) {
        if (!claim(trunk) || !page_format::readPage(database, schema, trunk, bytes)) {
            isFreeListWhole = false;
            return;
        }
        const std::int64_t leaves = page_format::bigEndian(bytes, 4, 4);
        if (leaves < 0 || 8 + 4 * leaves > static_cast<std::int64_t>(bytes.size())) {
            isFreeListWhole = false;
            return;
        }
        for (std::int64_t leaf = 0; leaf < leaves; ++leaf)
            if (!claim(page_format::bigEndian(bytes, 8 + 4 * static_cast<std::size_t>(leaf), 4))) isFreeListWhole = false;
        trunk = page_format::bigEndian(bytes, 0, 4);
    }
}

bool SourceMap::isTreePage(std::int64_t page) const {
    return page >= 1 && page <= pageCount() && owners[static_cast<std::size_t>(page - 1)] == Owner::tree;
}

bool SourceMap::isNamedByFreeList(std::int64_t page) const {
    return page >= 1 && page <= pageCount() && namedByFreeList[static_cast<std::size_t>(page - 1)] != 0;
}

std::int64_t SourceMap::freePagesLost() const { return isFreeListWhole ? 0 : std::max<std::int64_t>(freePagesPromised - freePagesReached, 0); }
