#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace qar
{

// The XML parts of a workbook around its sheets, as XlsxWriter packs them: sheet i (from 0) is the part
// XlsxSheetPartName(i), relationship "rId<i+1>"; the styles hold the regular font (style 0) and the bold
// one of a header (style 1). Texts are UTF-8.

std::string XlsxContentTypes(std::size_t sheets);
std::string XlsxPackageRelationships();
std::string XlsxWorkbook(const std::vector<std::string>& sheetNames);
std::string XlsxWorkbookRelationships(std::size_t sheets);
std::string XlsxStyles();
std::string XlsxSheetPartName(std::size_t sheet);
/// The declaration and the opening tags of a sheet part, up to its first row.
std::string XlsxSheetStart();

/// Appends `<t>text</t>` for a text cell: the XML specials as entities, blanks at either end kept, and
/// the control characters XML cannot carry written as spreadsheet programs write them (`_x0001_`).
void AppendXlsxText(std::string& out, std::string_view utf8);

} // namespace qar
