// The open-file dialog through which the window asks for a database copy, shown from another
// thread than its owner's, as the run's thread shows it: its owner, folder and filter, and what it
// gives back when the user opens a file or cancels.
#include <gtest/gtest.h>

#include <windows.h>

#include <commdlg.h>
#include <dlgs.h>

#include <chrono>
#include <future>

#include "fixtures/damaged_database.h"
#include "support/temp_folder.h"
#include "ui/database_file_dialog.h"
#include "ui/toolkit/win32_text.h"
#include "window_driver.h"

namespace {

const WideString kTitle = u"选择数据库副本";

struct OwnerWindow {
    OwnerWindow() : handle(CreateWindowExW(0, L"STATIC", L"owner", WS_POPUP | WS_VISIBLE, 100, 100, 300, 200, nullptr, nullptr, nullptr, nullptr)) {}
    OwnerWindow(const OwnerWindow&) = delete;
    OwnerWindow& operator=(const OwnerWindow&) = delete;
    ~OwnerWindow() { DestroyWindow(handle); }
    HWND handle;
};

WideString comboItem(HWND combo, int index) {
    wchar_t text[256] = {};
    SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text));
    return fromWide(text);
}

TEST(DatabaseFileDialog, opensInTheFolderOwnedByTheWindowAndGivesTheChosenFileOrNothing) {
    for (const bool opens : {true, false}) {
        SCOPED_TRACE(opens ? "a file opened" : "cancelled");
        TempFolder folder;
        ASSERT_TRUE(writeShopDatabase(folder / u"原数据库备份-20261101090000.db", 1));
        const OwnerWindow owner;
        std::future<WideString> chosen =
            std::async(std::launch::async, [&] { return chooseDatabaseFile(owner.handle, kTitle, folder.path()); });
        HWND dialog = nullptr;
        ASSERT_TRUE(pumpUntil(
            [&] {
                dialog = FindWindowW(L"#32770", wide(kTitle));
                return dialog && IsWindowVisible(dialog);
            },
            30000));
        EXPECT_EQ(owner.handle, GetWindow(dialog, GW_OWNER));
        EXPECT_FALSE(IsWindowEnabled(owner.handle)) << "modal to its owner";
        wchar_t shownFolder[MAX_PATH] = {};
        SendMessageW(dialog, CDM_GETFOLDERPATH, MAX_PATH, reinterpret_cast<LPARAM>(shownFolder));
        EXPECT_EQ(folder.path(), fromWide(shownFolder) + u"\\");
        const HWND types = GetDlgItem(dialog, cmb1);
        ASSERT_EQ(2, SendMessageW(types, CB_GETCOUNT, 0, 0));
        EXPECT_EQ(u"SQLite 数据库 (*.db;*.sqlite;*.db3)", comboItem(types, 0));
        EXPECT_EQ(u"所有文件 (*.*)", comboItem(types, 1));

        if (opens) {
            SendMessageW(dialog, CDM_SETCONTROLTEXT, GetDlgItem(dialog, cmb13) ? cmb13 : edt1,
                         reinterpret_cast<LPARAM>(L"原数据库备份-20261101090000.db"));
        }
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(opens ? IDOK : IDCANCEL, BN_CLICKED), 0);
        ASSERT_TRUE(pumpUntil([&] { return chosen.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }, 30000));
        EXPECT_EQ(opens ? folder / u"原数据库备份-20261101090000.db" : WideString(), chosen.get());
        EXPECT_TRUE(IsWindowEnabled(owner.handle));
    }
}

}  // namespace
