// The main window's fixed texts: the states its controls show and the messages of its boxes.
#pragma once

// Caption of every message box the window shows.
inline constexpr char16_t kBoxCaption[] = u"信息:";

inline constexpr char16_t kWindowTitle[] = u"Dovrane";
// The version is the project's, given by the build (src/windows.cmake).
inline constexpr char16_t kTitleText[] = u"Dovrane V" DOVRANE_TITLE_VERSION;
inline constexpr char16_t kPanelText[] = u"外形框1";

// The hint label while no repair has reported progress.
inline constexpr char16_t kDropHint[] = u"请将需要修复的数据库拖到软件上";
// The start button's two texts; the second is the window's only record of a running repair.
inline constexpr char16_t kStartText[] = u"开始修复";
inline constexpr char16_t kRepairingText[] = u"修复中";

// Two lines, so that the box breaks the tip between its greeting and its advice and never leaves a
// word's last character alone on a line of its own.
inline constexpr char16_t kStartupTip[] = u"温馨提示:\n修复前请先复制备份数据库,以免造成数据丢失";
inline constexpr char16_t kSingleFileOnly[] = u"数据库修复只支持单个文件";
inline constexpr char16_t kNotADatabaseFile[] = u"当前文件不是数据库文件请选择 *.db文件";
inline constexpr char16_t kRepairInProgress[] = u"当前正在修复请稍等";
inline constexpr char16_t kFileNotFound[] = u"当前选择的文件无法找到请重新拖入";
inline constexpr char16_t kCloseRefused[] = u"当前数据库正在修复中请执行完毕后再关闭";
inline constexpr char16_t kThreadNotStarted[] = u"无法启动修复线程请稍后再试";

// After a repair that could not read every row: the offer to salvage.
inline constexpr char16_t kSalvageQuestion[] = u"部分数据无法读取。是否把可读取的数据抢救到新文件?(原数据库保持不变)";
// After a salvage that wrote a salvaged database: the offer to put it in the original's place.
inline constexpr char16_t kUseSalvagedQuestion[] = u"是否用抢救数据库代替原数据库?(原数据库将保留为备份)";
// After a salvage that could not read the source's schema: the offer to take another copy's.
inline constexpr char16_t kSchemaCopyQuestion[] =
    u"原数据库的表结构已无法读取,抢救出的行都无法归入原表。是否选择同一程序的另一个数据库副本(例如较早的 原数据库备份-….db)作为表结构,重新抢救?";
// The title of the open-file dialog that picks that copy.
inline constexpr char16_t kSchemaCopyDialogTitle[] = u"选择作为表结构的数据库副本";
