#include "platform/Md5.h"

#include <openssl/err.h>
#include <openssl/evp.h>

namespace qar
{

namespace
{

/// The library's reasons, oldest first, taken off its error queue.
std::string takeOpenSslErrors()
{
    std::string reasons;
    while (const unsigned long code = ERR_get_error()) {
        char text[256];
        ERR_error_string_n(code, text, sizeof text);
        reasons += (reasons.empty() ? "" : "; ") + std::string(text);
    }
    return reasons.empty() ? std::string("no reason given") : reasons;
}

} // namespace

std::string Md5Hex(std::string_view text)
{
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_Digest(text.data(), text.size(), digest, &length, EVP_md5(), nullptr) != 1) {
        throw Md5Unavailable("The MD5 digest of the password could not be made: " + takeOpenSslErrors());
    }
    static constexpr char kHex[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(length * 2);
    for (unsigned int i = 0; i < length; ++i) {
        hex += kHex[digest[i] >> 4];
        hex += kHex[digest[i] & 0x0F];
    }
    return hex;
}

} // namespace qar
