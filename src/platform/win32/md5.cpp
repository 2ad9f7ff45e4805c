// MD5 on Windows through the CryptoAPI's default provider, without a key container.
#include <windows.h>
#include <wincrypt.h>

#include <cctype>
#include <cstdio>

#include "platform/platform.h"
#include "platform/win32/owned_handle.h"

namespace platform {

namespace {

constexpr DWORD kDigestLength = 16;

struct ReleaseProvider {
    static bool isHandle(HCRYPTPROV h) { return h != 0; }
    void operator()(HCRYPTPROV h) const { CryptReleaseContext(h, 0); }
};
struct DestroyHash {
    static bool isHandle(HCRYPTHASH h) { return h != 0; }
    void operator()(HCRYPTHASH h) const { CryptDestroyHash(h); }
};

}  // namespace

std::string md5Hex(const ByteBuffer& bytes) {
    HCRYPTPROV providerHandle = 0;
    if (!CryptAcquireContextW(&providerHandle, nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT)) return {};
    const Owned<HCRYPTPROV, ReleaseProvider> provider(providerHandle);
    HCRYPTHASH hashHandle = 0;
    if (!CryptCreateHash(provider.get(), CALG_MD5, 0, 0, &hashHandle)) return {};
    const Owned<HCRYPTHASH, DestroyHash> hash(hashHandle);
    if (!CryptHashData(hash.get(), bytes.data(), static_cast<DWORD>(bytes.size()), 0)) return {};
    BYTE digest[kDigestLength];
    DWORD length = kDigestLength;
    if (!CryptGetHashParam(hash.get(), HP_HASHVAL, digest, &length, 0)) return {};
    std::string text;
    for (DWORD i = 0; i < length; ++i) {
        char digits[3];
        std::snprintf(digits, sizeof digits, "%02X", digest[i]);
        text += digits;
    }
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

}  // namespace platform
