#include "repair/structure_findings.h"

#include <string_view>

#include "base/text_routines.h"
#include "db/database.h"

namespace {

// SQLite's b-tree page types, the first byte of a page's header.
constexpr char kTableInteriorPage = 0x05;
constexpr char kTableLeafPage = 0x0D;

std::optional<std::int64_t> numberAt(std::u16string_view text, std::size_t start) {
    std::size_t end = start;
    while (end < text.size() && text[end] >= u'0' && text[end] <= u'9') ++end;
    if (end == start) return std::nullopt;
    return decimalValue(text.substr(start, end - start));
}

bool startsWithAny(std::u16string_view text, std::initializer_list<std::u16string_view> starts) {
    for (const std::u16string_view start : starts)
        if (text.starts_with(start)) return true;
    return false;
}

bool mentions(std::u16string_view text, std::u16string_view part) { return text.find(part) != std::u16string_view::npos; }

// The pointer map of an auto-vacuum file only serves moving pages; the rebuilt file gets its own.
bool isAboutPointerMap(std::u16string_view detail) {
    return mentions(detail, u"ptr map entry") || mentions(detail, u"ptrmap") || detail.ends_with(u": pointer map referenced") ||
           startsWithAny(detail, {u"max rootpage ", u"incremental_vacuum enabled"});
}

std::uint32_t bigEndian32(std::string_view bytes, std::size_t at) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4 && at + i < bytes.size(); ++i) value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
    return value;
}

}  // namespace

FindingSorter::FindingSorter(rg_MoKuai_class_sqliteShuJuKu& source) : source(source) {
    TypedPage schema;
    (void)source.queryPage(u"SELECT rootpage, type, name, tbl_name FROM sqlite_master", schema);   // unread: every root unknown
    std::unordered_set<std::int64_t> claimedTwice;
    for (std::int64_t row = 0; row < schema.rowCount(); ++row) {
        const std::int64_t page = schema.value(row, 0).integer;
        if (page <= 1) continue;   // views and triggers have none; page 1 is the schema's own
        const Root root{fromUtf8(schema.value(row, 2).bytes), fromUtf8(schema.value(row, 3).bytes), schema.value(row, 1).bytes == "table"};
        if (!root.isTable) tableOfIndex[root.name] = root.table;
        if (!roots.emplace(page, root).second) claimedTwice.insert(page);
    }
    for (const std::int64_t page : claimedTwice) roots.erase(page);
}

void FindingSorter::add(const WideString& line) {
    const std::u16string_view finding = line;
    // A check that stops at a record it cannot read says so in a line of its own; where it stopped,
    // each table is checked on its own, and the copy reads every record anyway.
    if (finding.empty() || finding == u"ok" || finding.starts_with(u"*** in database ") || finding == u"database disk image is malformed") return;
    ++findings.findingCount;
    if (finding.starts_with(u"Freelist: ") || isAboutPointerMap(finding)) {
        findings.hasFreeSpaceDamage = true;
        return;
    }
    if (finding.starts_with(u"Tree ")) {
        const auto root = numberAt(finding, 5);
        const std::size_t colon = finding.find(u": ");
        if (!root || colon == std::u16string_view::npos) findings.hasUnplacedTableDamage = true;
        else addInTree(*root, line.substr(colon + 2));
        return;
    }
    if (finding.starts_with(u"Page ") && finding.ends_with(u": never used")) {
        if (const auto page = numberAt(finding, 5)) pagesNeverUsed.push_back(*page);
        else findings.hasUnplacedTableDamage = true;
        return;
    }
    static constexpr std::u16string_view kMissingFromIndex = u" missing from index ";
    if (finding.starts_with(u"row ") && mentions(finding, kMissingFromIndex)) {
        ++missingFromIndex[std::u16string(finding.substr(finding.find(kMissingFromIndex) + kMissingFromIndex.size()))];
        return;
    }
    // "malformed inverted index for FTS5 table main.notes", "unable to validate the inverted index
    // for FTS4 table main.notes: ...": rebuilt from the table's contents where it has any, fatal to
    // a contentless one.
    for (const std::u16string_view start : {std::u16string_view(u"malformed inverted index for FTS"),
                                            std::u16string_view(u"unable to validate the inverted index for FTS")}) {
        static constexpr std::u16string_view kInMain = u" table main.";
        const std::size_t named = finding.find(kInMain);
        if (!finding.starts_with(start) || named == std::u16string_view::npos) continue;
        std::u16string_view table = finding.substr(named + kInMain.size());
        // FTS4 cannot validate a contentless index at all ("SQL logic error"): that is no damage found.
        if (finding.ends_with(u": SQL logic error")) return;
        table = table.substr(0, table.find(u": "));
        findings.damagedFullTextIndexes.push_back(WideString(table));
        return;
    }
    // "fts5: corruption found reading blob 137438953483 from table \"notes\"".
    static constexpr std::u16string_view kFts5Table = u" table \"";
    if (finding.starts_with(u"fts5: ") && finding.ends_with(u"\"") && mentions(finding, kFts5Table)) {
        const std::u16string_view named = finding.substr(finding.rfind(kFts5Table) + kFts5Table.size());
        findings.damagedFullTextIndexes.push_back(WideString(named.substr(0, named.size() - 1)));
        return;
    }
    static constexpr std::u16string_view kRepairedByRebuild[] = {
        // Indexes are built anew from the copied rows.
        u"wrong # of entries in index ", u"non-unique entry in index ", u"rowid not at end-of-record", u"row ",
        // Rows the rebuilt table refuses (NOT NULL, CHECK, STRICT types) or would convert (a text in
        // an INTEGER column, a number in a TEXT one) show in its count and its digest of rows.
        u"NULL value in ", u"CHECK constraint failed in ", u"non-", u"TEXT value in ", u"NUMERIC value in ",
        // Full-text indexes are built anew from their contents.
        u"fts5: "};
    for (const std::u16string_view start : kRepairedByRebuild)
        if (finding.starts_with(start)) return;
    findings.hasUnplacedTableDamage = true;
}

void FindingSorter::addInTree(std::int64_t rootPage, const WideString& detail) {
    if (isAboutPointerMap(detail)) {
        findings.hasFreeSpaceDamage = true;
        return;
    }
    // The free-space list is checked first: a page it shares with a tree is found again in the tree.
    static constexpr std::u16string_view kSecondReference = u"2nd reference to page ";
    if (detail.starts_with(kSecondReference)) {
        const auto page = numberAt(detail, kSecondReference.size());
        if (page && isFreePage(*page)) {
            findings.hasFreeSpaceDamage = true;
            return;
        }
    }
    const auto found = roots.find(rootPage);
    if (found == roots.end()) {
        findings.hasUnplacedTableDamage = true;
        return;
    }
    const Root& root = found->second;
    if (!root.isTable) {
        damagedIndexes.insert(root.name);
        return;
    }
    for (const WideString& name : findings.damagedTables)
        if (name == root.name) return;
    findings.damagedTables.push_back(root.name);
}

StructureFindings FindingSorter::findingsSoFar() {
    // Freed pages keep their old table content: with the free-space list broken, pages it lost look
    // like lost table pages, and are its damage. With the list sound they may be a table's lost rows.
    for (const std::int64_t page : pagesNeverUsed)
        if (!findings.hasFreeSpaceDamage && isTablePage(page)) findings.hasUnplacedTableDamage = true;
    pagesNeverUsed.clear();
    return findings;
}

bool FindingSorter::isTablePage(std::int64_t page) {
    // Page 1 begins with the 100-byte file header; its b-tree header follows it.
    const TypedValue parameters[] = {integerValue(page), integerValue(page == 1 ? 101 : 1)};
    TypedPage type;
    if (!source.queryPage(u"SELECT substr(data, ?2, 1) FROM sqlite_dbpage WHERE pgno = ?1", type, parameters) || type.rowCount() != 1)
        return true;   // unreadable: it may have been a table's
    const std::string_view byte = type.value(0, 0).bytes;
    return byte.size() == 1 && (byte[0] == kTableInteriorPage || byte[0] == kTableLeafPage);
}

bool FindingSorter::isFreePage(std::int64_t page) {
    if (!freePages) {
        // The list's trunk pages, from the file header: each names the next trunk, its count of
        // leaves and the leaves. A list that loops or runs off the file ends where it goes wrong.
        freePages.emplace();
        TypedPage header;
        (void)source.queryPage(u"SELECT data FROM sqlite_dbpage WHERE pgno = 1", header);   // unread: no free page known
        const auto pageCount = source.queryInteger(u"PRAGMA page_count");
        std::int64_t trunk = header.rowCount() == 1 ? bigEndian32(header.value(0, 0).bytes, 32) : 0;
        while (trunk > 1 && pageCount && trunk <= *pageCount && freePages->insert(trunk).second) {
            const TypedValue number[] = {integerValue(trunk)};
            TypedPage data;
            if (!source.queryPage(u"SELECT data FROM sqlite_dbpage WHERE pgno = ?1", data, number) || data.rowCount() != 1) break;
            const std::string_view bytes = data.value(0, 0).bytes;
            const std::uint32_t leaves = bigEndian32(bytes, 4);
            for (std::uint32_t i = 0; i < leaves && 8 + 4 * std::size_t{i} + 4 <= bytes.size(); ++i) freePages->insert(bigEndian32(bytes, 8 + 4 * i));
            trunk = bigEndian32(bytes, 0);
        }
    }
    return freePages->contains(page);
}
