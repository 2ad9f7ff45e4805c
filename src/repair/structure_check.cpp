#include "repair/structure_check.h"

#include <mutex>
#include <string>
#include <unordered_map>

#include "base/text_routines.h"
#include "db/database.h"
#include "platform/platform.h"
#include "repair/process_objects.h"
#include "repair/repair_run.h"
#include "repair/table_plan.h"

namespace {

// Beyond this many findings the rest are not seen, so damage may hide among them.
constexpr std::int32_t kMaxFindings = 10000;
constexpr std::uint64_t kWaitStepMilliseconds = 5;

// SQLite's b-tree page types, the first byte of a page's header.
constexpr char kTableInteriorPage = 0x05;
constexpr char kTableLeafPage = 0x0D;

// The check in progress. Written by the check's thread under lock; read by the job once finished.
struct CheckState {
    std::mutex lock;
    bool finished = true;
    StructureFindings findings;
};
CheckState state;

std::optional<std::int64_t> numberAfter(const WideString& text, std::size_t start) {
    std::size_t end = start;
    while (end < text.size() && text[end] >= u'0' && text[end] <= u'9') ++end;
    if (end == start) return std::nullopt;
    return decimalValue(std::u16string_view(text).substr(start, end - start));
}

// Is the page one of a table's b-tree, by its header's type byte.
bool isTablePage(rg_MoKuai_class_sqliteShuJuKu& source, std::int64_t page) {
    // Page 1 begins with the 100-byte file header; its b-tree header follows it.
    const TypedValue parameters[] = {integerValue(page), integerValue(page == 1 ? 101 : 1)};
    TypedPage type;
    if (!source.queryPage(u"SELECT substr(data, ?2, 1) FROM sqlite_dbpage WHERE pgno = ?1", type, parameters) || type.rowCount() != 1)
        return true;   // unreadable: it may have been a table's
    const std::string_view byte = type.value(0, 0).bytes;
    return byte.size() == 1 && (byte[0] == kTableInteriorPage || byte[0] == kTableLeafPage);
}

// The object whose b-tree has a root page.
struct Root {
    bool isKnown = false;
    bool isTable = false;
    WideString name;
};
using Roots = std::unordered_map<std::int64_t, Root>;

// Every b-tree root of the schema, read once for all the findings. The schema's own root (page 1)
// and a root that two objects claim (damage) name no object.
Roots readRoots(rg_MoKuai_class_sqliteShuJuKu& source) {
    TypedPage schema;
    (void)source.queryPage(u"SELECT rootpage, type, name FROM sqlite_master", schema);   // unread: every root unknown
    Roots roots;
    for (std::int64_t row = 0; row < schema.rowCount(); ++row) {
        const std::int64_t page = schema.value(row, 0).integer;
        if (page <= 1) continue;   // views and triggers have none
        const auto [entry, isNew] = roots.emplace(page, Root{true, schema.value(row, 1).bytes == "table", fromUtf8(schema.value(row, 2).bytes)});
        if (!isNew) entry->second = Root{};
    }
    return roots;
}

void addOnce(StringArray& names, const WideString& name) {
    for (const WideString& known : names)
        if (known == name) return;
    names.push_back(name);
}

// Files one finding under what it means for the rebuilt file.
void attribute(rg_MoKuai_class_sqliteShuJuKu& source, const Roots& roots, const WideString& finding,
               StructureFindings& findings) {
    static constexpr std::u16string_view kRepairedByRebuild[] = {
        u"ok", u"*** in database ", u"Freelist: ", u"max rootpage ", u"incremental_vacuum enabled",
        // Indexes are built anew from the copied rows.
        u"wrong # of entries in index ", u"row ", u"non-unique entry in index ",
        // Rows the rebuilt table refuses (NOT NULL, CHECK, STRICT types) or would convert (a text in
        // an INTEGER column, a number in a TEXT one) show in its count and its digest of rows.
        u"NULL value in ", u"CHECK constraint failed in ", u"non-", u"TEXT value in ", u"NUMERIC value in ",
        // Full-text indexes are built anew from their contents.
        u"malformed inverted index for FTS", u"fts5: "};
    for (const std::u16string_view start : kRepairedByRebuild)
        if (finding.starts_with(start)) return;
    if (finding.starts_with(u"Tree ")) {
        const auto rootPage = numberAfter(finding, 5);
        const auto found = rootPage ? roots.find(*rootPage) : roots.end();
        const Root root = found == roots.end() ? Root{} : found->second;
        if (!root.isKnown) findings.hasUnplacedTableDamage = true;
        else if (root.isTable) addOnce(findings.damagedTables, root.name);
        return;
    }
    if (finding.starts_with(u"Page ")) {
        const auto page = numberAfter(finding, 5);
        if (finding.ends_with(u": pointer map referenced")) return;
        if (!page || !finding.ends_with(u": never used") || isTablePage(source, *page)) findings.hasUnplacedTableDamage = true;
        return;
    }
    findings.hasUnplacedTableDamage = true;
}

StructureFindings runCheck(rg_MoKuai_class_sqliteShuJuKu& source) {
    StructureFindings findings;
    TypedPage rows;
    const QueryOutcome checked = source.queryPage(u"PRAGMA quick_check(" + decimalText(kMaxFindings) + u")", rows);
    // The b-trees' structure is checked first and reported in the first row; the row-by-row checks
    // after it stop at the first damaged b-tree they open (SQLITE_CORRUPT), which the structure
    // findings and the copy's own reading already cover. Any other failure leaves the check unrun.
    if (!checked && checked.errorCode != SQLITE_CORRUPT) {
        findings.failure = checked.error;
        return findings;
    }
    findings.ran = true;
    const Roots roots = readRoots(source);
    std::int64_t count = 0;
    for (std::int64_t row = 0; row < rows.rowCount(); ++row) {
        StringArray lines;   // one row may hold several findings, a line each
        (void)splitText(fromUtf8(rows.value(row, 0).bytes), u"\n", lines);
        for (const WideString& line : lines) {
            ++count;
            attribute(source, roots, line, findings);
        }
    }
    if (count >= kMaxFindings) findings.hasUnplacedTableDamage = true;
    return findings;
}

void checkInBackground(WideString) {
    RepairRun& run = activeRun();
    StructureFindings findings = runCheck(run.source);
    const std::lock_guard<std::mutex> guard(state.lock);
    state.findings = std::move(findings);
    state.finished = true;
}

bool isFinished() {
    const std::lock_guard<std::mutex> guard(state.lock);
    return state.finished;
}

}  // namespace

void startStructureCheck() {
    {
        const std::lock_guard<std::mutex> guard(state.lock);
        state.finished = false;
        state.findings = StructureFindings{};
    }
    if (!platform::startThread(&checkInBackground, std::nullopt)) checkInBackground(WideString());
}

StructureFindings structureCheckFindings() {
    while (!isFinished()) platform::waitPumping(kWaitStepMilliseconds, 1);
    const std::lock_guard<std::mutex> guard(state.lock);
    return state.findings;
}
