#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace qar
{

/// Writes an XLSX workbook row by row: each sheet's XML goes to a file in the temporary folder as it is
/// written (so a hundred thousand rows never sit in memory), and the parts are packed into the workbook
/// on close. Texts are bytes of the system's code page and are written as inline text cells, never as
/// formulas; the caller escapes them as for CSV. Row 0 of a sheet is its header, in bold.
class XlsxWriter
{
public:
    /// Starts a workbook at `path`, keeping its temporary files in `tempDir`, a folder of its own (the
    /// sheets are written there under fixed names, and none of them may exist yet).
    XlsxWriter(const std::string& path, const std::string& tempDir);
    ~XlsxWriter();
    XlsxWriter(const XlsxWriter&) = delete;
    XlsxWriter& operator=(const XlsxWriter&) = delete;

    /// False once the workbook has been closed.
    bool isOpen() const;
    /// Starts the next worksheet; rows are numbered from 0 again.
    void addSheet(std::string_view name);
    /// Cells of a row go left to right; an empty text leaves its cell out.
    void text(std::uint16_t column, std::string_view bytes);
    void number(std::uint16_t column, std::int64_t value);
    void nextRow();
    /// Writes the file; false with the cause when it fails.
    bool close(std::string& error);

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace qar
