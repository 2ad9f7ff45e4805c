// The system's open-file dialog, for choosing a database file.
#pragma once

#include <windows.h>

#include "base/wide_string.h"

// Shows the common open-file dialog with title, listing SQLite databases (or every file) and
// starting in folder, owned by window and modal to it (window null or gone: no owner). Callable
// from any thread: COM is set up for the call on a thread that has not. Returns the path of the
// existing file the user chose; empty when the user cancels or the dialog cannot be shown.
WideString chooseDatabaseFile(HWND window, const WideString& title, const WideString& folder);
