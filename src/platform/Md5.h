#pragma once

#include <string>
#include <string_view>

namespace qar
{

/// MD5 digest of the bytes of `text` as 32 lower-case hexadecimal digits (stored passwords).
std::string Md5Hex(std::string_view text);

} // namespace qar
