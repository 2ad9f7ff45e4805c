// The repair job's results, as the front ends show them.
#pragma once

inline constexpr char16_t kResultDatabaseNotFound[] = u"修复失败:无法找到数据库";
inline constexpr char16_t kResultReadError[] = u"修复失败:数据库读取错误";
inline constexpr char16_t kResultDataAnomaly[] = u"修复失败:数据异常";
inline constexpr char16_t kResultRepaired[] = u"修复成功";
inline constexpr char16_t kResultSwapByHand[] =
    u"修复成功:数据库被占用无法自动替换请手动替换数据库目录下已修复数据库";

// A program whose database library cannot be loaded from its data folder: this text, then the
// library's file as the user finds it ("data\static-sqlite3-third.dll").
inline constexpr char16_t kResultLibraryUnusable[] = u"修复失败:无法加载数据库组件 ";

// Both success results begin with this text.
inline constexpr char16_t kResultSuccessPrefix[] = u"修复成功";
