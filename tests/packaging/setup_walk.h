// package_probe setup SETUP STEP...: runs an installer with its wizard on screen and answers it one
// step at a time, reporting what each step met.
//   yes      the next message box: its caption and text; answered 是
//   next     the next page of the wizard (one not reported before, with its 下一步 button enabled,
//            never the page of the progress bar): its texts; then that button (下一步, 安装 or 完成)
//   cancel   the next page, as for next; then 取消
// Then the installer's exit code. Returns 1 when a box or a page does not come, or the installer
// does not end; 2 for a step it does not know.
#pragma once

#include <string>
#include <vector>

int walkSetup(const std::wstring& setup, const std::vector<std::wstring>& steps);
