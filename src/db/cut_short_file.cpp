#include "db/cut_short_file.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "platform/platform.h"

namespace {

constexpr std::streamsize kHeaderBytes = 100;

std::uint32_t bigEndianAt(const unsigned char* bytes, std::size_t at, std::size_t length) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < length; ++i) value = value << 8 | bytes[at + i];
    return value;
}

}  // namespace

bool isCutShort(const WideString& path) {
    const std::filesystem::path file(platform::systemPath(path));
    std::ifstream stream(file, std::ios::binary);
    unsigned char header[kHeaderBytes] = {};
    if (!stream.read(reinterpret_cast<char*>(header), kHeaderBytes)) return false;
    std::error_code error;
    const std::uintmax_t fileBytes = std::filesystem::file_size(file, error);
    if (error) return false;
    // The page size is stored in two bytes, 1 standing for 65536.
    const std::uint32_t storedPageSize = bigEndianAt(header, 16, 2);
    const std::uint64_t pageBytes = storedPageSize == 1 ? 65536 : storedPageSize;
    const std::uint32_t headerPages = bigEndianAt(header, 28, 4);
    const bool isPageCountValid = headerPages != 0 && bigEndianAt(header, 24, 4) == bigEndianAt(header, 92, 4);
    return pageBytes >= 512 && isPageCountValid && fileBytes / pageBytes < headerPages;
}
