#include "db/cut_short_file.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

#include "db/page_format.h"
#include "platform/platform.h"

namespace {

constexpr std::streamsize kHeaderBytes = 100;

}  // namespace

bool isCutShort(const WideString& path) {
    const std::filesystem::path file(platform::systemPath(path));
    std::ifstream stream(file, std::ios::binary);
    std::string bytes(kHeaderBytes, '\0');
    if (!stream.read(bytes.data(), kHeaderBytes)) return false;
    std::error_code error;
    const std::uintmax_t fileBytes = std::filesystem::file_size(file, error);
    page_format::FileHeader header;
    if (error || !header.read(bytes)) return false;
    return header.isPageCountValid && fileBytes / static_cast<std::uintmax_t>(header.pageSize) < static_cast<std::uintmax_t>(header.pageCount);
}
