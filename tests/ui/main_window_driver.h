// The main window as the program makes it, on the test's thread, with a watcher that answers its
// message boxes, and the control ids through which a test finds what a user sees.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "box_answerer.h"
#include "ui/main_window.h"

constexpr int kPanelId = 101;
constexpr int kHintLabelId = 102;
constexpr int kStartButtonId = 103;
constexpr int kPathBoxId = 104;
constexpr int kCloseButtonId = 105;
constexpr int kTitleLabelId = 106;

// The question a run asks when rows could not be read.
inline constexpr char16_t kSalvageQuestion[] = u"部分数据无法读取。是否把可读取的数据抢救到新文件?(原数据库保持不变)";
// The question after a salvage that wrote a salvaged database.
inline constexpr char16_t kUseSalvagedQuestion[] = u"是否用抢救数据库代替原数据库?(原数据库将保留为备份)";
// The question after a salvage that could not read the source's schema.
inline constexpr char16_t kSchemaCopyQuestion[] =
    u"原数据库的表结构已无法读取,抢救出的行都无法归入原表。是否选择同一程序的另一个数据库副本(例如较早的 原数据库备份-….db)作为表结构,重新抢救?";

// Creates the window at its default position and size, as the program's start-up does, after
// setting the display scale from the screen's DPI. The start-up tip is answered by boxes.
class OpenMainWindow {
public:
    explicit OpenMainWindow(std::unique_ptr<rg_win_Zhu> made = std::make_unique<rg_win_Zhu>());

    HWND handle() const { return window->handle(); }
    HWND control(int id) const;
    WideString text(int id) const;

    BoxAnswerer boxes;   // first: it answers the start-up tip shown while the window is created
    std::unique_ptr<rg_win_Zhu> window;
};

// The lines in UTF-8, a line each, for a failure message.
std::string joined(const std::vector<WideString>& lines);

// Calls seen(text) on this thread for every text set on one window, however it is set, including
// texts set from other threads (which Windows carries to this thread), while it lives.
class TextWatch {
public:
    TextWatch(HWND window, std::function<void(const WideString&)> seen);
    TextWatch(const TextWatch&) = delete;
    TextWatch& operator=(const TextWatch&) = delete;
    ~TextWatch();

private:
    static LRESULT CALLBACK hook(int code, WPARAM wParam, LPARAM lParam);
    HHOOK handle = nullptr;
};
