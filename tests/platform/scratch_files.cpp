// Whole-file reads and writes through std::filesystem paths, which take UTF-16 names on Windows.
#include "scratch_files.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "platform/platform.h"
#include "support/child_process.h"

void writeFile(const WideString& file, const std::string& content) {
    std::ofstream(std::filesystem::path(file), std::ios::binary) << content;
}

std::string readFile(const WideString& file) {
    std::ifstream stream(std::filesystem::path(file), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>());
}

namespace {

int holdFileOpen(const std::vector<std::string>& arguments) {
    std::ifstream held(std::filesystem::path(fromUtf8(arguments.at(0))), std::ios::binary);
    if (!held) return 2;
    writeFile(fromUtf8(arguments.at(1)), "ready");
    for (;;) platform::waitPumping(1000, 0);
}
CHILD_ROLE("hold-file-open", holdFileOpen);

}  // namespace
