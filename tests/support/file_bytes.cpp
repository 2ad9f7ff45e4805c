#include "support/file_bytes.h"

#include <filesystem>
#include <fstream>
#include <iterator>

std::string fileBytes(const WideString& path) {
    std::ifstream file(std::filesystem::path(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}
