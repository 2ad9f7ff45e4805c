#include "salvage/salvage_report.h"

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
    if (!failure.empty() || !isSourceSound || lostAndFoundRows > 0 || !objectsNotRebuilt.empty()) return false;
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
    return !objectsNotRebuilt.empty();
}

WideString SalvageReport::text() const {
    WideString lines = u"原数据库: " + source + u"\n";
    if (!failure.empty()) return lines + u"抢救失败: " + failure + u"\n";
    lines += u"抢救数据库: " + salvaged + u"\n";
    for (const SalvagedTable& table : tables)
        lines += u"表 " + table.name + u": 原有 " + countText(table.sourceRows) + u" 行, 抢救 " + decimalText(table.salvagedRows) + u" 行, 丢失 " +
                 countText(table.lostRows()) + u" 行\n";
    lines += u"无法归入原表的行 (lost_and_found): " + decimalText(lostAndFoundRows) + u"\n";
    if (!isSourceSound) lines += u"原数据库的结构已损坏: 抢救的行中可能有值已改变\n";
    if (!objectsNotRebuilt.empty()) {
        lines += u"未能重建的对象:";
        for (const WideString& name : objectsNotRebuilt) lines += u" " + name;
        lines += u"\n";
    }
    lines += isNothingLost() ? u"未发现数据丢失\n" : u"部分数据丢失或无法确认\n";
    return lines;
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
    text += "], \"source_sound\": " + std::string(isSourceSound ? "true" : "false");
    if (!failure.empty()) text += ", \"failure\": " + jsonString(failure);
    return text + "}\n";
}
