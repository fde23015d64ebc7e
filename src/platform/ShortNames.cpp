#include "platform/ShortNames.h"

#include "platform/Convert.h"

#include <openssl/evp.h>

namespace nimbrel {

namespace {

constexpr std::size_t kHashHexDigits = 32;

std::string HexDigest(std::string_view text) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_Digest(text.data(), text.size(), digest, &length, EVP_sha256(), nullptr);
    static const char kHex[] = "0123456789abcdef";
    std::string hex;
    for (unsigned int i = 0; i < length && hex.size() < kHashHexDigits; ++i) {
        hex += kHex[digest[i] >> 4];
        hex += kHex[digest[i] & 0xF];
    }
    return hex;
}

} // namespace

std::string NameWithinBytes(std::string_view name, std::size_t maxBytes,
                            std::string_view identity) {
    if (name.size() <= maxBytes)
        return std::string(name);
    const std::size_t headBytes = maxBytes - 1 - kHashHexDigits;
    return std::string(Utf8Prefix(name, headBytes)) + "~" + HexDigest(identity);
}

} // namespace nimbrel
