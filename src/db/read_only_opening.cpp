#include "db/read_only_opening.h"

#include <sqlite3.h>

#include <filesystem>
#include <fstream>

#include "db/sqlite_api.h"
#include "platform/platform.h"

namespace {

bool isWalWithoutLog(const WideString& path) { return isWalDatabase(path) && !platform::pathExists(path + u"-wal"); }

// "file://", the path with '/' separators after a '/' of its own (file:///tmp/a.db,
// file:///C:/a.db, file:////server/share/a.db), its '%', '?' and '#' escaped, then the parameter.
// A backslash separates folders on Windows only; elsewhere it is a character of a name, escaped.
// A Windows path in the system's long form ("\\?\C:\...", platform::systemPath) takes no '/' for
// a backslash: it keeps them, escaped, after "file:///", a '/' that SQLite drops before such a name.
WideString uriOf(const WideString& path, const char16_t* parameter) {
    const bool isLongForm = path.starts_with(u"\\\\?\\");
    const bool isBackslashSeparator = platform::kPathSeparator == u'\\' && !isLongForm;
    WideString uri = u"file://";
    if (path.empty() || isLongForm || (path[0] != u'/' && path[0] != platform::kPathSeparator)) uri += u'/';
    for (const char16_t c : path) {
        if (c == u'\\') uri += isBackslashSeparator ? u"/" : u"%5c";
        else if (c == u'%') uri += u"%25";
        else if (c == u'?') uri += u"%3f";
        else if (c == u'#') uri += u"%23";
        else uri += c;
    }
    return uri + u"?" + parameter;
}

}  // namespace

bool isWalDatabase(const WideString& path) {
    constexpr std::streamoff kVersionsAt = 18;
    std::ifstream file(std::filesystem::path(platform::systemPath(path)), std::ios::binary);
    char versions[2] = {};
    if (!file.seekg(kVersionsAt) || !file.read(versions, sizeof versions)) return false;
    return versions[0] == 2 && versions[1] == 2;
}

ReadOnlyOpening readOnlyOpening(const WideString& path, bool asUri) {
    const WideString name = platform::systemPath(path);
    if (isWalWithoutLog(path)) return {utf8WithZero(uriOf(name, u"immutable=1")), SQLITE_OPEN_READONLY | SQLITE_OPEN_URI};
    if (asUri) return {utf8WithZero(uriOf(name, u"mode=ro")), SQLITE_OPEN_READONLY | SQLITE_OPEN_URI};
    return {sqliteFileName(path), SQLITE_OPEN_READONLY};
}
