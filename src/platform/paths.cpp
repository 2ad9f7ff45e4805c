// Path routines shared by both platforms: they only cut texts at kPathSeparator and call the
// platform's own file operations.
#include "platform/platform.h"

#include "base/text_routines.h"

namespace platform {

namespace {

const std::u16string_view separatorText() { return std::u16string_view(&kPathSeparator, 1); }

}  // namespace

WideString folderOf(const WideString& path) {
    return textBeforeLast(path, separatorText()) + kPathSeparator;
}

WideString fileNameOf(const WideString& path) {
    const std::int64_t found = findText(path, separatorText(), -1, true);
    return found < 0 ? path : path.substr(static_cast<std::size_t>(found) + 1);
}

bool moveInFolder(const WideString& folder, const WideString& oldName, const WideString& newName) {
    WideString base = folder;
    if (base.empty() || base.back() != kPathSeparator) base += kPathSeparator;
    if (!pathExists(base + oldName)) return false;
    return moveFile(base + oldName, base + newName);
}

}  // namespace platform
