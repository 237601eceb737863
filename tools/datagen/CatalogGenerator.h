#pragma once

#include "catalog/AppCatalog.h"
#include "platform/Locale.h"

#include <cstdint>
#include <vector>

namespace qar
{

/// `count` applications with IDs 1..count in the order the page lists them: names with Chinese and
/// Latin words in the code page, web addresses and program files, every type the form produces with
/// the login data of its kind, and groups 0 to 7.
std::vector<AppEntry> GenerateApps(int count, std::uint32_t seed = 1, CodePage codePage = CodePage::Utf8);

} // namespace qar
