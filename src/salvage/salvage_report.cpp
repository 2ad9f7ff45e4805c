#include "salvage/salvage_report.h"

#include <algorithm>
#include <cstdio>

namespace {

// A text as a JSON string: quoted, with quotes, backslashes and control characters escaped.
std::string jsonString(const WideString& text) {
    std::string quoted = "\"";
    for (const char byte : toUtf8(text)) {
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

std::string jsonCount(const std::optional<std::int64_t>& count) { return count ? std::to_string(*count) : "null"; }

WideString countText(const std::optional<std::int64_t>& count) { return count ? decimalText(*count) : WideString(u"未知"); }

}  // namespace

std::optional<std::int64_t> SalvagedTable::lostRows() const {
    if (!sourceRows) return std::nullopt;
    return *sourceRows > salvagedRows ? *sourceRows - salvagedRows : 0;
}

bool SalvageReport::isNothingLost() const {
    if (!failure.empty() || !isSourceSound || !isSchemaRead || lostAndFoundRows > 0 || !objectsNotRebuilt.empty()) return false;
    for (const SalvagedTable& table : tables)
        if (!table.lostRows() || *table.lostRows() > 0) return false;
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
        if (!table.lostRows()) return true;
    return !isSchemaRead || !objectsNotRebuilt.empty();
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
    return u"原有 " + decimalText(source) + u" 行," + salvaged + u",丢失 " + decimalText(report.knownLostRows()) + u" 行";
}

// What the counts do not say, a sentence each.
StringArray facts(const SalvageReport& report) {
    StringArray lines;
    if (!report.isSchemaRead) lines.push_back(u"原数据库的表结构无法读取,无法统计原有的行数,丢失的行数可能更多。");
    else if (const std::int64_t uncounted = uncountedTables(report); uncounted > 0)
        lines.push_back(u"有 " + decimalText(uncounted) + u" 个表的原有行数无法统计,丢失的行数可能更多。");
    if (report.lostAndFoundRows > 0)
        lines.push_back(u"有 " + decimalText(report.lostAndFoundRows) + u" 行无法确定属于哪个表,已保存在抢救数据库的 lost_and_found 表中,请人工核对。");
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

WideString SalvageReport::text() const {
    WideString lines = u"原数据库:" + source + u"\n";
    if (!failure.empty()) return lines + u"抢救失败:" + failure + u"\n";
    lines += u"抢救数据库:" + salvaged + u"\n";
    for (const SalvagedTable& table : tables)
        lines += u"表 " + table.name + u":原有 " + countText(table.sourceRows) + u" 行,抢救 " + decimalText(table.salvagedRows) + u" 行,丢失 " +
                 countText(table.lostRows()) + u" 行\n";
    lines += u"无法归入原表的行(lost_and_found 表):" + decimalText(lostAndFoundRows) + u" 行\n";
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
                ", \"salvaged_rows\": " + std::to_string(table.salvagedRows) + ", \"lost_rows\": " + jsonCount(table.lostRows()) + "}";
    }
    text += "], \"lost_and_found_rows\": " + std::to_string(lostAndFoundRows) + ", \"objects_not_rebuilt\": [";
    for (std::size_t i = 0; i < objectsNotRebuilt.size(); ++i) text += std::string(i ? ", " : "") + jsonString(objectsNotRebuilt[i]);
    text += "], \"source_sound\": " + std::string(isSourceSound ? "true" : "false") + ", \"schema_read\": " + (isSchemaRead ? "true" : "false") +
            ", \"nothing_lost\": " + (isNothingLost() ? "true" : "false");
    if (!failure.empty()) text += ", \"failure\": " + jsonString(failure);
    return text + "}\n";
}
