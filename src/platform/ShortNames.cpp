#include "platform/ShortNames.h"

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

// The longest prefix of at most `bytes` bytes that does not end inside a UTF-8 sequence.
std::string_view WholeLettersPrefix(std::string_view text, std::size_t bytes) {
    if (text.size() <= bytes)
        return text;
    std::size_t end = bytes;
    // Step back over continuation bytes to the lead byte of the letter cut in two.
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;
    return text.substr(0, end);
}

} // namespace

std::string NameWithinBytes(std::string_view name, std::size_t maxBytes,
                            std::string_view identity) {
    if (name.size() <= maxBytes)
        return std::string(name);
    const std::size_t headBytes = maxBytes - 1 - kHashHexDigits;
    return std::string(WholeLettersPrefix(name, headBytes)) + "~" + HexDigest(identity);
}

} // namespace nimbrel
