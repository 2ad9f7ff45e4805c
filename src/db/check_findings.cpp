#include "db/check_findings.h"

#include <string_view>

#include "base/text_routines.h"

namespace {

using Kind = CheckFinding::Kind;

// A decimal number without sign at start, moving start past it.
bool numberAt(std::u16string_view text, std::size_t& start, std::int64_t& value) {
    std::size_t end = start;
    value = 0;
    while (end < text.size() && text[end] >= u'0' && text[end] <= u'9' && value <= (INT64_MAX - 9) / 10) value = value * 10 + (text[end++] - u'0');
    if (end == start) return false;
    start = end;
    return true;
}

bool skipWord(std::u16string_view text, std::size_t& at, std::u16string_view word) {
    if (text.substr(at).starts_with(word)) {
        at += word.size();
        return true;
    }
    return false;
}

bool mentions(std::u16string_view text, std::u16string_view part) { return text.find(part) != std::u16string_view::npos; }

// The pointer map of an auto-vacuum file only serves moving pages; the rebuilt file gets its own.
bool isAboutPointerMap(std::u16string_view detail) {
    return mentions(detail, u"ptr map entry") || mentions(detail, u"ptrmap") || detail.ends_with(u": pointer map referenced") ||
           detail.starts_with(u"max rootpage ") || detail.starts_with(u"incremental_vacuum enabled");
}

// The page of "<words>N" filling the whole detail, or 0.
std::int64_t pageAfter(std::u16string_view detail, std::u16string_view words) {
    std::size_t at = 0;
    std::int64_t page = 0;
    return skipWord(detail, at, words) && numberAt(detail, at, page) && at == detail.size() ? page : 0;
}

// "Tree R page P: ", "Tree R page P cell C: ", "Tree R page P right child: ": the b-tree's root, the
// page, the cell, and the rest of the line.
bool readTreePrefix(std::u16string_view line, CheckFinding& finding) {
    std::size_t at = 0;
    if (!skipWord(line, at, u"Tree ") || !numberAt(line, at, finding.tree) || !skipWord(line, at, u" page ") || !numberAt(line, at, finding.page))
        return false;
    if (skipWord(line, at, u" cell ") && !numberAt(line, at, finding.cell)) return false;
    (void)skipWord(line, at, u" right child");
    if (!skipWord(line, at, u": ")) return false;
    finding.detail = WideString(line.substr(at));
    return true;
}

// What follows `words` to the end of the line, or empty.
WideString after(std::u16string_view line, std::u16string_view words) {
    const std::size_t at = line.find(words);
    return at == std::u16string_view::npos ? WideString() : WideString(line.substr(at + words.size()));
}

}  // namespace

bool parseCheckFinding(const WideString& text, CheckFinding& finding) {
    const std::u16string_view line = text;
    finding = CheckFinding{};
    finding.detail = text;
    if (line.empty() || line == u"ok" || line.starts_with(u"*** in database ")) return false;
    if (line == u"database disk image is malformed") {
        finding.kind = Kind::stopped;
        return true;
    }
    if (readTreePrefix(line, finding)) {
        finding.kind = isAboutPointerMap(finding.detail) ? Kind::pointerMap : Kind::treeStructure;
        finding.secondReference = pageAfter(finding.detail, u"2nd reference to page ");
        return true;
    }
    if (line.starts_with(u"Freelist: ")) {
        finding.kind = Kind::freeList;
        finding.detail = WideString(line.substr(10));
        return true;
    }
    if (isAboutPointerMap(line)) {
        finding.kind = Kind::pointerMap;
        return true;
    }
    finding.secondReference = pageAfter(line, u"2nd reference to page ");
    if (const std::int64_t page = finding.secondReference > 0 ? finding.secondReference : pageAfter(line, u"invalid page number ")) {
        finding.kind = Kind::rootReference;
        finding.page = page;
        return true;
    }
    std::size_t at = 0;
    if (skipWord(line, at, u"Page ") && numberAt(line, at, finding.page) && line.substr(at) == u": never used") {
        finding.kind = Kind::neverUsed;
        return true;
    }
    at = 0;
    if (skipWord(line, at, u"row ") && numberAt(line, at, finding.rowid) && skipWord(line, at, u" missing from index ")) {
        finding.kind = Kind::missingFromIndex;
        finding.index = WideString(line.substr(at));
        return true;
    }
    struct Entries { std::u16string_view words; Kind kind; };
    for (const Entries entries : {Entries{u"wrong # of entries in index ", Kind::wrongEntryCount}, Entries{u"non-unique entry in index ", Kind::nonUnique}}) {
        if (!line.starts_with(entries.words)) continue;
        finding.kind = entries.kind;
        finding.index = WideString(line.substr(entries.words.size()));
        return true;
    }
    // "rowid not at end-of-record for row N of index I"
    if (line.starts_with(u"rowid not at end-of-record")) {
        finding.kind = Kind::indexEntryDamaged;
        finding.index = after(line, u" of index ");
        return true;
    }
    // Rows their table's constraints or column types refuse.
    for (const std::u16string_view start : {u"NULL value in ", u"CHECK constraint failed in ", u"non-", u"TEXT value in ", u"NUMERIC value in "}) {
        if (!line.starts_with(start)) continue;
        finding.kind = Kind::rowValue;
        return true;
    }
    // "malformed inverted index for FTS5 table main.notes", "unable to validate the inverted index
    // for FTS4 table main.notes: ...". FTS4 cannot validate a contentless index at all ("SQL logic error").
    for (const std::u16string_view start : {u"malformed inverted index for FTS", u"unable to validate the inverted index for FTS"}) {
        const WideString named = after(line, u" table main.");
        if (!line.starts_with(start) || named.empty()) continue;
        finding.kind = line.ends_with(u": SQL logic error") ? Kind::fullTextUnchecked : Kind::fullTextIndex;
        finding.table = named.substr(0, std::min(named.size(), named.find(u": ")));
        return true;
    }
    // "fts5: corruption found reading blob 137438953483 from table \"notes\"".
    if (line.starts_with(u"fts5: ")) {
        finding.kind = Kind::fullTextIndex;
        const WideString named = after(line, u" table \"");
        if (line.ends_with(u"\"") && !named.empty()) finding.table = named.substr(0, named.size() - 1);
        return true;
    }
    finding.kind = Kind::other;
    return true;
}

QueryOutcome readCheckFindings(rg_MoKuai_class_sqliteShuJuKu& database, const WideString& statement, std::span<const TypedValue> parameters,
                               std::vector<CheckFinding>& findings, std::int64_t& lineCount) {
    TypedPage rows;
    const QueryOutcome checked = database.queryPage(statement, rows, parameters);
    for (std::int64_t row = 0; row < rows.rowCount(); ++row) {
        StringArray lines;   // one row may hold several findings, a line each
        (void)splitText(fromUtf8(rows.value(row, 0).bytes), u"\n", lines);
        for (const WideString& line : lines) {
            ++lineCount;
            CheckFinding finding;
            if (parseCheckFinding(line, finding)) findings.push_back(std::move(finding));
        }
    }
    return checked;
}

QueryOutcome readTableCheckFindings(rg_MoKuai_class_sqliteShuJuKu& database, const WideString& table, std::vector<CheckFinding>& findings,
                                    std::int64_t& lineCount) {
    const std::string name = toUtf8(table);
    const TypedValue parameter[] = {textValue(name)};
    return readCheckFindings(database, u"SELECT * FROM pragma_integrity_check(?1)", parameter, findings, lineCount);
}
