// The version text of a file: the same while the file stays as it is, different once it is
// rewritten, resized or replaced.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>

#include "platform/platform.h"
#include "scratch_files.h"
#include "support/temp_folder.h"

namespace {

// A whole second an hour ago, which both platforms store exactly: files given this last-write
// time differ only in what a step changed on purpose.
std::filesystem::file_time_type fixedWriteTime() {
    return std::chrono::floor<std::chrono::seconds>(std::filesystem::file_time_type::clock::now() - std::chrono::hours(1));
}

void setWriteTime(const WideString& file, std::filesystem::file_time_type time) {
    std::filesystem::last_write_time(std::filesystem::path(file), time);
}

TEST(FileVersion, changesWhenTheFileIsRewrittenResizedOrReplaced) {
    TempFolder folder;
    const WideString file = folder / u"shop.db";
    const auto writeTime = fixedWriteTime();
    writeFile(file, "0123456789");
    setWriteTime(file, writeTime);
    const std::string original = platform::fileVersion(file);
    ASSERT_FALSE(original.empty());
    EXPECT_EQ(original, platform::fileVersion(file));

    {   // same file, same size: only the last-write time moves
        std::fstream stream(std::filesystem::path(file), std::ios::in | std::ios::out | std::ios::binary);
        stream << "abcdefghij";
    }
    const std::string rewritten = platform::fileVersion(file);
    EXPECT_NE(original, rewritten);

    std::ofstream(std::filesystem::path(file), std::ios::binary | std::ios::app) << "k";
    setWriteTime(file, writeTime);   // same file, same time: only the size differs from the original
    const std::string appended = platform::fileVersion(file);
    EXPECT_NE(original, appended);

    writeFile(folder / u"other.db", "ABCDEFGHIJK");
    setWriteTime(folder / u"other.db", writeTime);   // same size, same time: only the file differs
    std::filesystem::rename(std::filesystem::path(folder / u"other.db"), std::filesystem::path(file));
    EXPECT_NE(appended, platform::fileVersion(file));
}

TEST(FileVersion, isEmptyWithoutAFile) {
    TempFolder folder;
    EXPECT_EQ("", platform::fileVersion(folder / u"missing.db"));
    EXPECT_EQ("", platform::fileVersion(u""));
}

}  // namespace
