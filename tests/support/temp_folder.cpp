// Temporary folders for tests, through std::filesystem on both platforms.
#include "support/temp_folder.h"

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <string>

#include "platform/platform.h"

TempFolder::TempFolder() {
    static std::atomic<int> counter{0};
    const std::filesystem::path base = std::filesystem::temp_directory_path();
    for (;;) {
        const std::string name = "dovrane-test-" + std::to_string(platform::currentThreadId()) + "-" +
                                 std::to_string(platform::tickCount()) + "-" + std::to_string(counter++);
        const std::filesystem::path candidate = base / name;
        if (std::filesystem::create_directory(candidate)) {
            folder = candidate.u16string() + platform::kPathSeparator;
            return;
        }
    }
}

TempFolder::~TempFolder() {
    std::error_code ignored;   // a file still held open by a child that was killed may stay behind
    std::filesystem::remove_all(std::filesystem::path(folder), ignored);
}

StringArray TempFolder::fileNames() const {
    StringArray names;
    for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path(folder)))
        names.push_back(entry.path().filename().u16string());
    std::sort(names.begin(), names.end());
    return names;
}
