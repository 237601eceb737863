#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace qar
{

/// Writes an XLSX workbook with libxlsxwriter, row by row (constant-memory mode, so a hundred thousand
/// rows never sit in memory twice). Texts are bytes of the system's code page and are written as text
/// cells, never as formulas; the caller escapes them as for CSV.
class XlsxWriter
{
public:
    /// Starts a workbook at `path`, keeping its temporary files in `tempDir`.
    XlsxWriter(const std::string& path, const std::string& tempDir);
    ~XlsxWriter();
    XlsxWriter(const XlsxWriter&) = delete;
    XlsxWriter& operator=(const XlsxWriter&) = delete;

    /// False when the workbook could not be started.
    bool isOpen() const;
    /// Starts the next worksheet; rows are numbered from 0 again.
    void addSheet(std::string_view name);
    void text(std::uint16_t column, std::string_view bytes);
    void number(std::uint16_t column, std::int64_t value);
    void nextRow();
    /// Writes the file; false with the library's message when it fails.
    bool close(std::string& error);

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace qar
