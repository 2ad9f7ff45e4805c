// The program shows one version: the window's title, the version resource and the manifest that
// the build compiles into every program with the window (this test program among them).
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "main_window_driver.h"

namespace {

// The fixed file version of this program's version resource, as "a.b.c.d". The resource block
// holds a VS_FIXEDFILEINFO, found by its signature on a 4-byte boundary as VerQueryValueW finds it.
std::string fileVersion() {
    const HRSRC found = FindResourceW(nullptr, MAKEINTRESOURCEW(VS_VERSION_INFO), MAKEINTRESOURCEW(16));   // RT_VERSION
    const HGLOBAL loaded = found ? LoadResource(nullptr, found) : nullptr;
    if (!loaded) return {};
    const auto* block = static_cast<const unsigned char*>(LockResource(loaded));
    const DWORD size = SizeofResource(nullptr, found);
    for (DWORD offset = 0; offset + sizeof(VS_FIXEDFILEINFO) <= size; offset += 4) {
        const auto* fixed = reinterpret_cast<const VS_FIXEDFILEINFO*>(block + offset);
        if (fixed->dwSignature != VS_FFI_SIGNATURE) continue;
        return std::to_string(HIWORD(fixed->dwFileVersionMS)) + "." + std::to_string(LOWORD(fixed->dwFileVersionMS)) +
               "." + std::to_string(HIWORD(fixed->dwFileVersionLS)) + "." +
               std::to_string(LOWORD(fixed->dwFileVersionLS));
    }
    return {};
}

// The assembly version in this program's manifest.
std::string manifestVersion() {
    const HRSRC found = FindResourceW(nullptr, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));   // RT_MANIFEST
    const HGLOBAL loaded = found ? LoadResource(nullptr, found) : nullptr;
    if (!loaded) return {};
    const std::string manifest(static_cast<const char*>(LockResource(loaded)), SizeofResource(nullptr, found));
    const std::string marker = "name=\"Dovrane\" version=\"";
    const size_t start = manifest.find(marker);
    if (start == std::string::npos) return {};
    const size_t from = start + marker.size();
    return manifest.substr(from, manifest.find('"', from) - from);
}

TEST(ProgramVersion, theTitleTheVersionResourceAndTheManifestGiveOneVersion) {
    const std::string version = fileVersion();
    ASSERT_EQ(3, std::count(version.begin(), version.end(), '.')) << version;
    EXPECT_EQ(version, manifestVersion());
    const std::string majorMinor = version.substr(0, version.find('.', version.find('.') + 1));

    OpenMainWindow opened;
    EXPECT_EQ("Dovrane V" + majorMinor, toUtf8(opened.text(kTitleLabelId)));
}

}  // namespace
