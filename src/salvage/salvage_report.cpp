#include "salvage/salvage_report.h"

#include <algorithm>
#include <cstdio>
#include <utility>

std::string jsonText(std::string_view text) {
    std::string quoted = "\"";
    for (const char byte : text) {
        const auto code = static_cast<unsigned char>(byte);
        if (byte == '"' || byte == '\\') {
            quoted += '\\';
            quoted += byte;
        } else if (code < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", code);
            quoted += escaped;
        } else {
            quoted += byte;
        }
    }
    return quoted + "\"";
}

namespace {

std::string jsonString(const WideString& text) { return jsonText(toUtf8(text)); }

std::string jsonCount(const std::optional<std::int64_t>& count) { return count ? std::to_string(*count) : "null"; }

WideString countText(const std::optional<std::int64_t>& count) { return count ? decimalText(*count) : WideString(u"未知"); }

}  // namespace

const SalvagedTable* SalvageReport::table(const WideString& name) const {
    const auto found = std::find_if(tables.begin(), tables.end(), [&](const SalvagedTable& entry) { return entry.name == name; });
    return found == tables.end() ? nullptr : &*found;
}

void SalvageReport::addUndecidedRows(const StringArray& tables, std::int64_t rows) {
    const auto same = std::find_if(undecidedRows.begin(), undecidedRows.end(), [&](const UndecidedRows& entry) { return entry.tables == tables; });
    if (same != undecidedRows.end()) same->rows += rows;
    else undecidedRows.push_back({tables, rows});
}

SalvagedTable* SalvageReport::table(const WideString& name) { return const_cast<SalvagedTable*>(std::as_const(*this).table(name)); }

std::optional<std::int64_t> SalvagedTable::lostRows() const {
    if (!sourceRows) return std::nullopt;
    const std::int64_t back = salvagedRows + static_cast<std::int64_t>(damagedRows.size());
    return *sourceRows > back ? *sourceRows - back : 0;
}

bool SalvageReport::isNothingLost() const {
    if (!failure.empty() || !isSourceSound || !isSchemaRead || hasUnreadableLogCommits || lostAndFoundRows > 0 || indexEntriesApart > 0 || !objectsNotRebuilt.empty())
        return false;
    for (const SalvagedTable& table : tables)
        if (!table.lostRows() || *table.lostRows() > 0 || !table.verified || !table.damagedRows.empty()) return false;
    return true;
}

std::int64_t SalvageReport::salvagedRows() const {
    std::int64_t rows = 0;
    for (const SalvagedTable& table : tables) rows += table.salvagedRows;
    return rows;
}

std::int64_t SalvageReport::knownLostRows() const {
    std::int64_t rows = 0;
    for (const SalvagedTable& table : tables) rows += table.lostRows().value_or(0);
    return rows;
}

bool SalvageReport::hasUncountedLoss() const {
    for (const SalvagedTable& table : tables)
        if (!table.lostRows() || !table.verified) return true;
    return !isSchemaRead || hasUnreadableLogCommits || !objectsNotRebuilt.empty();
}

namespace {

std::int64_t uncountedTables(const SalvageReport& report) {
    return std::count_if(report.tables.begin(), report.tables.end(), [](const SalvagedTable& table) { return !table.sourceRows; });
}

// "原有 N 行,抢救 M 行,丢失 K 行"; with a count unknown, what is known of the loss.
WideString totalsLine(const SalvageReport& report) {
    const WideString salvaged = u"抢救 " + decimalText(report.salvagedRows()) + u" 行";
    if (!report.isSchemaRead || uncountedTables(report) > 0) {
        const std::int64_t lost = report.knownLostRows();
        return u"原有行数未知,"  + salvaged + (lost > 0 ? u",至少丢失 " + decimalText(lost) + u" 行" : WideString());
    }
    std::int64_t source = 0;
    for (const SalvagedTable& table : report.tables) source += *table.sourceRows;
    const std::int64_t lost = report.knownLostRows();
    const bool isVerified = std::all_of(report.tables.begin(), report.tables.end(), [](const SalvagedTable& table) { return table.verified; });
    const WideString loss = isVerified ? u"丢失 " + decimalText(lost) + u" 行"
                            : lost > 0 ? u"丢失 " + decimalText(lost) + u" 行(未经核实)"
                                       : WideString(u"丢失行数未经核实");
    return u"原有 " + decimalText(source) + u" 行," + salvaged + u"," + loss;
}

// What the counts do not say, a sentence each.
StringArray facts(const SalvageReport& report) {
    StringArray lines;
    if (!report.isSchemaRead) lines.push_back(u"原数据库的表结构无法读取,无法统计原有的行数,丢失的行数可能更多。");
    else if (const std::int64_t uncounted = uncountedTables(report); uncounted > 0)
        lines.push_back(u"有 " + decimalText(uncounted) + u" 个表的原有行数无法统计,丢失的行数可能更多。");
    if (report.hasUnreadableLogCommits)
        lines.push_back(u"原数据库的预写日志(-wal)已损坏,其中已提交的事务无法读取:这些事务写入的数据未能抢救,也未计入丢失的行数。");
    if (!report.schemaCopy.empty()) lines.push_back(u"表结构取自另一个副本:" + report.schemaCopy + u"。");
    if (!report.unreadSchemaCopy.empty()) lines.push_back(u"所选的副本中读不到表结构,未能使用:" + report.unreadSchemaCopy + u"。");
    if (const std::int64_t unverified = std::count_if(report.tables.begin(), report.tables.end(), [](const SalvagedTable& table) { return !table.verified; });
        unverified > 0)
        lines.push_back(u"有 " + decimalText(unverified) + u" 个表的结构已损坏或无法检查,它们的行数未经核实。");
    std::int64_t damaged = 0;
    for (const SalvagedTable& table : report.tables) damaged += static_cast<std::int64_t>(table.damagedRows.size());
    if (damaged > 0) lines.push_back(u"有 " + decimalText(damaged) + u" 行的内容已损坏(部分内容被截断或来自其他页),仍保存在表中但未计入抢救的行,详见报告。");
    if (report.lostAndFoundRows > 0)
        lines.push_back(u"有 " + decimalText(report.lostAndFoundRows) + u" 行无法确定属于哪个表,已保存在抢救数据库的 " + report.lostAndFound + u" 表中,请人工核对。");
    if (report.indexEntriesApart > 0)
        lines.push_back(u"另有 " + decimalText(report.indexEntriesApart) +
                        u" 条索引项无法归入任何表,已另存在 " + report.indexEntriesTable() + u" 表中:它们不是数据行,未计入行数。");
    if (!report.isSourceSound) lines.push_back(u"原数据库的结构已损坏:抢救的行中可能有值已改变,请核对重要数据。");
    if (!report.objectsNotRebuilt.empty()) {
        WideString names;
        for (const WideString& name : report.objectsNotRebuilt) names += (names.empty() ? u"" : u"、") + name;
        lines.push_back(u"未能重建的对象:" + names + u"。");
    }
    return lines;
}

WideString verdict(const SalvageReport& report) { return report.isNothingLost() ? u"未发现数据丢失" : u"部分数据丢失或无法确认"; }

WideString nextStep(const SalvageReport& report) {
    return u"抢救出的数据保存在新文件 " + report.salvaged +
           u" 中,原数据库没有任何改动。请先打开抢救数据库核对数据,确认无误后再用它代替原数据库(代替前请保留原数据库的副本)。";
}

}  // namespace

namespace {

constexpr std::size_t kRowsNamedInText = 100;

// "表 T:原有 N 行,抢救 M 行,丢失 K 行": a table whose b-tree is damaged never states its loss as a fact.
WideString tableLine(const SalvagedTable& table) {
    WideString line = u"表 " + table.name + u":原有 " + countText(table.sourceRows) + u" 行";
    if (table.sourceRows && !table.sourceRowsFrom.empty() && table.sourceRowsFrom != table.name) line += u"(由索引 " + table.sourceRowsFrom + u" 统计)";
    line += u",抢救 " + decimalText(table.salvagedRows) + u" 行";
    if (!table.damagedRows.empty()) line += u",内容损坏 " + decimalText(static_cast<std::int64_t>(table.damagedRows.size())) + u" 行";
    const std::optional<std::int64_t> lost = table.lostRows();
    if (table.verified) return line + u",丢失 " + countText(lost) + u" 行";
    if (lost && *lost > 0) return line + u",丢失 " + decimalText(*lost) + u" 行(该表结构已损坏或无法检查,数字未经核实)";
    return line + u",丢失行数未知(该表结构已损坏或无法检查,数字未经核实)";
}

// The keys of rows, the first kRowsNamedInText of them, and their total when there are more.
WideString keyList(const std::vector<KnownRow>& rows) {
    WideString keys;
    for (std::size_t i = 0; i < rows.size() && i < kRowsNamedInText; ++i) keys += (i ? u"、" : u"") + rows[i].keyText;
    if (rows.size() > kRowsNamedInText) keys += u" 等,共 " + decimalText(static_cast<std::int64_t>(rows.size())) + u" 行";
    return keys;
}

// What is known of the table's rows beyond its counts, a line each.
WideString tableDetails(const SalvagedTable& table) {
    WideString lines;
    if (table.placedRows > 0) lines += u"  其中 " + decimalText(table.placedRows) + u" 行来自失去上级页的页,按行的结构和键归入本表\n";
    if (table.restoredRows > 0)
        lines += u"  其中 " + decimalText(table.restoredRows) + u" 行由包含全部列的索引恢复,请核对:" + keyList(table.restoredRowKeys) + u"\n";
    if (!table.damagedRows.empty()) lines += u"  内容已损坏的行(仍在表中):" + keyList(table.damagedRows) + u"\n";
    if (!table.lostRowsKnown.empty()) lines += u"  索引记得的丢失行:" + keyList(table.lostRowsKnown) + u"\n";
    for (const WideString& range : table.lostKeyRanges) lines += u"  丢失的页所在的键范围:" + range + u"\n";
    return lines;
}

std::string jsonRows(const std::vector<KnownRow>& rows, bool withValues) {
    std::string text = "[";
    for (std::size_t i = 0; i < rows.size(); ++i)
        text += std::string(i ? ", " : "") + "{\"key\": " + rows[i].key + (withValues ? ", \"values\": " + rows[i].values : std::string()) + "}";
    return text + "]";
}

std::string jsonStrings(const StringArray& texts) {
    std::string text = "[";
    for (std::size_t i = 0; i < texts.size(); ++i) text += std::string(i ? ", " : "") + jsonString(texts[i]);
    return text + "]";
}

}  // namespace

WideString SalvageReport::text() const {
    WideString lines = u"原数据库:" + source + u"\n";
    if (!failure.empty()) return lines + u"抢救失败:" + failure + u"\n";
    lines += u"抢救数据库:" + salvaged + u"\n";
    for (const SalvagedTable& table : tables) lines += tableLine(table) + u"\n" + tableDetails(table);
    lines += u"无法归入原表的行(" + lostAndFound + u" 表):" + decimalText(lostAndFoundRows) + u" 行\n";
    for (const UndecidedRows& undecided : undecidedRows) {
        WideString names;
        for (const WideString& name : undecided.tables) names += (names.empty() ? u"" : u"、") + name;
        lines += u"  其中 " + decimalText(undecided.rows) + u" 行同样符合多个表,无法确定归属,可能属于:" + names + u"\n";
    }
    lines += u"合计:" + totalsLine(*this) + u"\n";
    for (const WideString& fact : facts(*this)) lines += fact + u"\n";
    return lines + u"结论:" + verdict(*this) + u"。\n" + nextStep(*this) + u"\n";
}

WideString SalvageReport::summary(const WideString& reportPath) const {
    WideString text = u"抢救完成:" + verdict(*this) + u"。\n" + totalsLine(*this) + u"。\n";
    for (const WideString& fact : facts(*this)) text += fact + u"\n";
    text += nextStep(*this);
    if (!reportPath.empty()) text += u"\n详细报告:" + reportPath;
    return text;
}

std::string SalvageReport::json() const {
    std::string text = "{\"source\": " + jsonString(source) + ", \"salvaged\": " + (salvaged.empty() ? "null" : jsonString(salvaged)) +
                       ", \"tables\": [";
    for (std::size_t i = 0; i < tables.size(); ++i) {
        const SalvagedTable& table = tables[i];
        text += std::string(i ? ", " : "") + "{\"name\": " + jsonString(table.name) + ", \"source_rows\": " + jsonCount(table.sourceRows) +
                ", \"source_rows_from\": " + (table.sourceRowsFrom.empty() ? "null" : jsonString(table.sourceRowsFrom)) +
                ", \"salvaged_rows\": " + std::to_string(table.salvagedRows) + ", \"placed_rows\": " + std::to_string(table.placedRows) +
                ", \"restored_rows\": " + std::to_string(table.restoredRows) +
                ", \"restored_from_index\": " + jsonRows(table.restoredRowKeys, false) + ", \"damaged_rows\": " + jsonRows(table.damagedRows, false) +
                ", \"lost_rows\": " + jsonCount(table.lostRows()) + ", \"lost_rows_known\": " + jsonRows(table.lostRowsKnown, true) +
                ", \"lost_key_ranges\": " + jsonStrings(table.lostKeyRanges) + ", \"verified\": " + (table.verified ? "true" : "false") + "}";
    }
    text += "], \"lost_and_found_rows\": " + std::to_string(lostAndFoundRows) + ", \"undecided_rows\": [";
    for (std::size_t i = 0; i < undecidedRows.size(); ++i)
        text += std::string(i ? ", " : "") + "{\"tables\": " + jsonStrings(undecidedRows[i].tables) + ", \"rows\": " + std::to_string(undecidedRows[i].rows) + "}";
    text += "], \"index_entries_apart\": " + std::to_string(indexEntriesApart) +
            ", \"objects_not_rebuilt\": " + jsonStrings(objectsNotRebuilt) +
            ", \"schema_copy\": " + (schemaCopy.empty() ? "null" : jsonString(schemaCopy)) +
            ", \"unread_schema_copy\": " + (unreadSchemaCopy.empty() ? "null" : jsonString(unreadSchemaCopy)) + ", \"source_sound\": " + std::string(isSourceSound ? "true" : "false") + ", \"schema_read\": " + (isSchemaRead ? "true" : "false") +
            ", \"log_commits_unreadable\": " + (hasUnreadableLogCommits ? "true" : "false") +
            ", \"nothing_lost\": " + (isNothingLost() ? "true" : "false");
    if (!failure.empty()) text += ", \"failure\": " + jsonString(failure);
    return text + "}\n";
}
