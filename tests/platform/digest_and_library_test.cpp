// The MD5 digest that names a database's writer mutex, and libraries loaded at run time.
#include <gtest/gtest.h>

#include "platform/platform.h"

namespace {

TEST(Md5, matchesKnownDigests) {
    struct Case { ByteBuffer bytes; const char* digest; };
    const Case cases[] = {
        {utf8WithZero(u"C:\\data\\test.db"), "0dc147ea6ba7171d615ee7f3b20975b0"},
        {ByteBuffer{}, "d41d8cd98f00b204e9800998ecf8427e"},
        {ByteBuffer{'a', 'b', 'c'}, "900150983cd24fb0d6963f7d28e17f72"},
    };
    for (const Case& c : cases) EXPECT_EQ(c.digest, platform::md5Hex(c.bytes));
}

TEST(Library, bareNamesLoadFromTheDataFolder) {
    const platform::Library sqlite = platform::Library::load(WideString(u"static-sqlite3-third") + platform::kLibrarySuffix);
    ASSERT_TRUE(sqlite.isLoaded());
    const auto version = reinterpret_cast<const char* (*)()>(sqlite.symbol("sqlite3_libversion"));
    ASSERT_NE(nullptr, version);
    EXPECT_STREQ("3.52.0", version());
    EXPECT_EQ(nullptr, sqlite.symbol("no_such_entry_point"));
}

TEST(Library, aMissingLibraryLeavesAnEmptyObject) {
    const platform::Library missing = platform::Library::load(WideString(u"no-such-library") + platform::kLibrarySuffix);
    EXPECT_FALSE(missing.isLoaded());
    EXPECT_EQ(nullptr, missing.symbol("sqlite3_libversion"));

    platform::Library moved = platform::Library::load(platform::executableFolder() + u"data" + platform::kPathSeparator +
                                                      u"static-sqlite3-third" + platform::kLibrarySuffix);
    EXPECT_TRUE(moved.isLoaded());
    platform::Library target = std::move(moved);
    EXPECT_FALSE(moved.isLoaded());
    EXPECT_NE(nullptr, target.symbol("sqlite3_open_v2"));
}

TEST(Library, executableFolderHoldsTheProgram) {
    const WideString folder = platform::executableFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(platform::kPathSeparator, folder.back());
    EXPECT_TRUE(platform::pathExists(folder + u"data"));
}

}  // namespace
