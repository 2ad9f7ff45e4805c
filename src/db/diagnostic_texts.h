// The database object's diagnostics: their kinds, labels and error texts, and the one line format
// "[语句:" statement "][错误:" error "]".
#pragma once

#include <cstdint>
#include <string_view>

#include "base/wide_string.h"

inline constexpr std::int32_t kMessageError = 1;
inline constexpr std::int32_t kMessageSlowStatement = 2;
inline constexpr std::int32_t kMessageLockAnomaly = 3;

inline constexpr char16_t kLabelConnect[] = u"连接";
inline constexpr char16_t kLabelExecSql[] = u"执行sql";
inline constexpr char16_t kLabelExecBatch[] = u"批量执行sql";
inline constexpr char16_t kLabelQueryCount[] = u"查询数量";
inline constexpr char16_t kLabelQueryArray[] = u"查询返回数组";
inline constexpr char16_t kLabelQueryField[] = u"查询返回字段";
inline constexpr char16_t kLabelSlowStatement[] = u"慢查询";
inline constexpr char16_t kLabelLockAnomaly[] = u"锁异常";

inline constexpr char16_t kErrorConnectFailed[] = u"连接数据库失败";
inline constexpr char16_t kErrorQueryFailed[] = u"查询失败";
inline constexpr char16_t kErrorCommitFailed[] = u"提交事务失败";
inline constexpr char16_t kErrorSlowStatement[] = u"慢查询";
inline constexpr char16_t kErrorLockCount[] = u"锁记录次数";
// An INSERT of the batch writer whose placeholders do not match the page's columns.
inline constexpr char16_t kErrorParameterCount[] = u"参数个数与列数不符";

inline WideString diagnosticLine(std::u16string_view statement, std::u16string_view error) {
    WideString line = u"[语句:";
    line.append(statement);
    line.append(u"][错误:");
    line.append(error);
    line.append(u"]");
    return line;
}
