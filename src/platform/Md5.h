#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace qar
{

/// The system's cryptography refuses MD5 (a configuration that allows only approved digests): no digest
/// can be made, and a password must not be stored without one.
class Md5Unavailable : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

/// MD5 digest of the bytes of `text` as 32 lower-case hexadecimal digits (stored passwords). Throws
/// Md5Unavailable, with the library's reason, when the digest cannot be made.
std::string Md5Hex(std::string_view text);

} // namespace qar
