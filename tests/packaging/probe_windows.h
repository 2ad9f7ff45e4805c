// What package_probe reads from the windows of another process, and how it reports: one fact a
// line, "name: value" in UTF-8 on standard output.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

inline constexpr DWORD kWaitMs = 30000;

void report(const char* name, const std::wstring& value);

// WM_GETTEXT, since GetWindowTextW does not read the controls of another process. Line ends
// become spaces, so that a text is one line of the report.
std::wstring textOf(HWND window);
std::wstring classOf(HWND window);
// Every descendant, parents before their children.
std::vector<HWND> childrenOf(HWND window);
// The visible top-level windows of a process.
std::vector<HWND> visibleWindowsOf(DWORD processId);

// Asks find every 50 ms until it gives a window; null when none has come within kWaitMs.
HWND waitFor(const std::function<HWND()>& find);
