#include "intake/XlsxWriter.h"

#include "platform/Locale.h"
#include "xml/Encoding.h"

#include <xlsxwriter.h>

namespace qar
{

struct XlsxWriter::Impl
{
    lxw_workbook* workbook = nullptr;
    lxw_worksheet* sheet = nullptr;
    lxw_format* header = nullptr;
    lxw_row_t row = 0;
    std::string tempDir;
    std::string utf8;
    bool failed = false;
};

XlsxWriter::XlsxWriter(const std::string& path, const std::string& tempDir) : m_impl(std::make_unique<Impl>())
{
    m_impl->tempDir = tempDir;
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    options.tmpdir = m_impl->tempDir.data();
    m_impl->workbook = workbook_new_opt(path.c_str(), &options);
    if (m_impl->workbook != nullptr) {
        m_impl->header = workbook_add_format(m_impl->workbook);
        format_set_bold(m_impl->header);
    }
}

XlsxWriter::~XlsxWriter()
{
    if (m_impl->workbook != nullptr) {
        std::string ignored;
        close(ignored);
    }
}

bool XlsxWriter::isOpen() const
{
    return m_impl->workbook != nullptr;
}

void XlsxWriter::addSheet(std::string_view name)
{
    if (m_impl->workbook == nullptr) {
        return;
    }
    const std::string sheetName(name);
    m_impl->sheet = workbook_add_worksheet(m_impl->workbook, sheetName.c_str());
    m_impl->failed = m_impl->failed || m_impl->sheet == nullptr;
    m_impl->row = 0;
}

void XlsxWriter::text(std::uint16_t column, std::string_view bytes)
{
    if (m_impl->sheet == nullptr || bytes.empty()) {
        return;
    }
    if (GetAnsiCodePage() == CodePage::Utf8) {
        m_impl->utf8.assign(bytes);
    } else {
        m_impl->utf8 = ToUtf8(bytes, GetAnsiCodePage());
    }
    lxw_format* format = m_impl->row == 0 ? m_impl->header : nullptr;
    if (worksheet_write_string(m_impl->sheet, m_impl->row, column, m_impl->utf8.c_str(), format) != LXW_NO_ERROR) {
        m_impl->failed = true;
    }
}

void XlsxWriter::number(std::uint16_t column, std::int64_t value)
{
    if (m_impl->sheet != nullptr && worksheet_write_number(m_impl->sheet, m_impl->row, column,
                                                           static_cast<double>(value), nullptr) != LXW_NO_ERROR) {
        m_impl->failed = true;
    }
}

void XlsxWriter::nextRow()
{
    ++m_impl->row;
}

bool XlsxWriter::close(std::string& error)
{
    if (m_impl->workbook == nullptr) {
        error = "the workbook could not be created";
        return false;
    }
    const lxw_error rc = workbook_close(m_impl->workbook);
    m_impl->workbook = nullptr;
    m_impl->sheet = nullptr;
    if (rc != LXW_NO_ERROR) {
        error = lxw_strerror(rc);
        return false;
    }
    if (m_impl->failed) {
        error = "a cell could not be written";
        return false;
    }
    return true;
}

} // namespace qar
