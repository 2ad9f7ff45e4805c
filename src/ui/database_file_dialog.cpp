// GetOpenFileNameW, with COM set up for its shell parts on the calling thread.
#include "ui/database_file_dialog.h"

#include <commdlg.h>
#include <objbase.h>

#include <vector>

#include "ui/toolkit/win32_text.h"

namespace {

constexpr wchar_t kDatabaseFilter[] = L"SQLite 数据库 (*.db;*.sqlite;*.db3)\0*.db;*.sqlite;*.db3\0所有文件 (*.*)\0*.*\0";
// Room for the longest path Windows takes ("\\?\" form).
constexpr DWORD kPathCapacity = 32768;

// The dialog's folder view and places are shell objects: the thread needs COM. A thread that has
// it already (in another apartment, too) keeps it as it is.
class ThreadCom {
public:
    ThreadCom() : isOwn(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
    ThreadCom(const ThreadCom&) = delete;
    ThreadCom& operator=(const ThreadCom&) = delete;
    ~ThreadCom() {
        if (isOwn) CoUninitialize();
    }

private:
    bool isOwn;
};

}  // namespace

WideString chooseDatabaseFile(HWND window, const WideString& title, const WideString& folder) {
    const ThreadCom com;
    std::vector<wchar_t> path(kPathCapacity, L'\0');
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = window && IsWindow(window) ? window : nullptr;
    dialog.lpstrFilter = kDatabaseFilter;
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = path.data();
    dialog.nMaxFile = kPathCapacity;
    dialog.lpstrInitialDir = folder.empty() ? nullptr : wide(folder);
    dialog.lpstrTitle = wide(title);
    dialog.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_DONTADDTORECENT;
    if (!GetOpenFileNameW(&dialog)) return {};
    return fromWide(path.data());
}
