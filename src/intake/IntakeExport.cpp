#include "intake/IntakeExport.h"

#include "intake/CsvFormat.h"
#include "intake/IntakeReport.h"
#include "intake/XlsxWriter.h"
#include "platform/Locale.h"
#include "platform/SafeFile.h"
#include "resources/StringIds.h"
#include "xml/Encoding.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace qar
{

namespace
{

ExportCell num(std::int64_t v)
{
    return ExportCell{false, v, {}};
}

ExportCell txt(const std::string& v)
{
    return ExportCell{true, 0, v};
}

/// The header and the cells of every row of one kind, handed to a writer row by row.
class RowSource
{
public:
    RowSource(const OrgData& data, SheetKind kind, std::optional<std::int32_t> group, bool withPasswords) : m_kind(kind)
    {
        if (kind == SheetKind::Units) {
            m_units = ExportedUnits(data, group);
        } else {
            m_users = ExportedUsers(data, group);
        }
        for (std::size_t f = 0; f < ColumnCount(kind); ++f) {
            // A table without a weight column exports none.
            const bool units = kind == SheetKind::Units;
            const bool weight = f == (units ? static_cast<std::size_t>(UnitColumn::Weight)
                                            : static_cast<std::size_t>(UserColumn::Weight));
            const bool password = f == (units ? static_cast<std::size_t>(UnitColumn::Password)
                                              : static_cast<std::size_t>(UserColumn::Password));
            if ((!weight || (units ? data.unitWeight : data.userWeight)) && (!password || withPasswords)) {
                m_fields.push_back(f);
            }
        }
    }

    std::size_t rows() const { return m_kind == SheetKind::Units ? m_units.size() : m_users.size(); }
    const std::vector<std::size_t>& fields() const { return m_fields; }
    std::string_view header(std::size_t field) const { return Column(m_kind, field).header; }

    void cells(std::size_t row, std::vector<ExportCell>& out) const
    {
        out.clear();
        for (std::size_t f : m_fields) {
            out.push_back(m_kind == SheetKind::Units ? UnitCell(*m_units[row], static_cast<UnitColumn>(f))
                                                     : UserCell(*m_users[row], static_cast<UserColumn>(f)));
        }
    }

private:
    SheetKind m_kind;
    std::vector<const UnitRecord*> m_units;
    std::vector<const UserRecord*> m_users;
    std::vector<std::size_t> m_fields;
};

std::string utf8(std::string_view ansi)
{
    return GetAnsiCodePage() == CodePage::Utf8 ? std::string(ansi) : ToUtf8(ansi, GetAnsiCodePage());
}

/// A private folder for the spreadsheet library's temporary files and the workbook before it is moved
/// into place; removed with everything in it.
class TempFolder
{
public:
    TempFolder()
    {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/qar-export-XXXXXX";
        if (::mkdtemp(pattern.data()) != nullptr) {
            m_path = pattern;
        }
    }
    ~TempFolder()
    {
        if (!m_path.empty()) {
            std::error_code ec;
            std::filesystem::remove_all(m_path, ec);
        }
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::string& path() const { return m_path; }

private:
    std::string m_path;
};

} // namespace

ExportCell UnitCell(const UnitRecord& u, UnitColumn c)
{
    switch (c) {
    case UnitColumn::Id:
        return num(u.id);
    case UnitColumn::Name:
        return txt(u.name);
    case UnitColumn::Parent:
        return num(u.superId);
    case UnitColumn::Level:
        return num(u.level);
    case UnitColumn::Group:
        return num(u.group);
    case UnitColumn::Enabled:
        return num(u.status ? 1 : 0);
    case UnitColumn::PublicAccount:
        return num(u.canLog ? 1 : 0);
    case UnitColumn::Alias:
        return txt(u.alias);
    case UnitColumn::Password:
        return txt(u.password);
    case UnitColumn::Attributes:
        return num(u.flag);
    case UnitColumn::Weight:
        return num(u.weight.value_or(0));
    default:
        return num(u.olTime);
    }
}

ExportCell UserCell(const UserRecord& u, UserColumn c)
{
    switch (c) {
    case UserColumn::Id:
        return num(u.id);
    case UserColumn::Name:
        return txt(u.name);
    case UserColumn::Password:
        return txt(u.password);
    case UserColumn::Unit:
        return num(u.unit);
    case UserColumn::Group:
        return num(u.group);
    case UserColumn::Duty:
        return txt(u.duty);
    case UserColumn::Email:
        return txt(u.email);
    case UserColumn::Mobile:
        return txt(u.mobile); // digits kept as text: a spreadsheet would drop what a number cannot hold
    case UserColumn::Role:
        return num(u.role);
    case UserColumn::Status:
        return num(u.status);
    case UserColumn::Privileges:
        return num(u.power);
    case UserColumn::Weight:
        return num(u.weight.value_or(0));
    case UserColumn::OnlineTime:
        return num(u.olTime);
    case UserColumn::Score:
        return num(u.score);
    default:
        return num(u.machineId);
    }
}

std::string ExportCell::str() const
{
    return isText ? std::string(text) : std::to_string(number);
}

std::vector<const UnitRecord*> ExportedUnits(const OrgData& data, std::optional<std::int32_t> group)
{
    std::vector<const UnitRecord*> out;
    for (const UnitRecord& u : data.units) {
        if (!group || u.group == *group) {
            out.push_back(&u);
        }
    }
    // An import needs a parent before its children; levels say which comes first.
    std::stable_sort(out.begin(), out.end(),
                     [](const UnitRecord* a, const UnitRecord* b) { return a->level < b->level; });
    return out;
}

std::vector<const UserRecord*> ExportedUsers(const OrgData& data, std::optional<std::int32_t> group)
{
    std::vector<const UserRecord*> out;
    out.reserve(data.users.size());
    for (const UserRecord& u : data.users) {
        if (!group || u.group == *group) {
            out.push_back(&u);
        }
    }
    return out;
}

std::optional<SpreadsheetFormat> FormatOfName(std::string_view path)
{
    const auto endsWith = [path](std::string_view ext) {
        if (path.size() < ext.size()) {
            return false;
        }
        const std::string_view tail = path.substr(path.size() - ext.size());
        return std::equal(tail.begin(), tail.end(), ext.begin(), [](char a, char b) {
            return (a >= 'A' && a <= 'Z' ? static_cast<char>(a - 'A' + 'a') : a) == b;
        });
    };
    if (endsWith(".csv")) {
        return SpreadsheetFormat::Csv;
    }
    if (endsWith(".xlsx")) {
        return SpreadsheetFormat::Xlsx;
    }
    return std::nullopt;
}

std::variant<SpreadsheetFormat, int> ExportFormatFor(std::string_view path, SpreadsheetFormat chosen, std::size_t kinds)
{
    const SpreadsheetFormat format = FormatOfName(path).value_or(chosen);
    if (format == SpreadsheetFormat::Csv && kinds > 1) {
        return str::kIntakeCsvOneKind;
    }
    return format;
}

std::string ExportCsv(const OrgData& data, SheetKind kind, std::optional<std::int32_t> group, bool withPasswords)
{
    const RowSource source(data, kind, group, withPasswords);
    std::string out = "\xEF\xBB\xBF";
    out.reserve(source.rows() * 96 + 256);
    bool first = true;
    for (std::size_t f : source.fields()) {
        if (!first) {
            out += ',';
        }
        first = false;
        AppendCsvCell(out, source.header(f));
    }
    out += "\r\n";
    std::vector<ExportCell> cells;
    for (std::size_t r = 0; r < source.rows(); ++r) {
        source.cells(r, cells);
        for (std::size_t c = 0; c < cells.size(); ++c) {
            if (c != 0) {
                out += ',';
            }
            if (cells[c].isText) {
                AppendCsvCell(out, utf8(EscapeFormulaText(cells[c].text)));
            } else {
                out += std::to_string(cells[c].number);
            }
        }
        out += "\r\n";
    }
    return out;
}

std::optional<std::size_t> ExportFile(const OrgData& data, const ExportRequest& request, const std::string& path,
                                      std::string& error)
{
    if (request.kinds.empty()) {
        error = "nothing to export";
        return std::nullopt;
    }
    if (const auto named = FormatOfName(path); named && *named != request.format) {
        error =
            IntakeText(str::kIntakeExportNameMismatch, {request.format == SpreadsheetFormat::Csv ? ".csv" : ".xlsx"});
        return std::nullopt;
    }
    if (request.format == SpreadsheetFormat::Csv && request.kinds.size() > 1) {
        error = IntakeText(str::kIntakeCsvOneKind);
        return std::nullopt;
    }
    std::size_t rows = 0;
    if (request.format == SpreadsheetFormat::Csv) {
        const std::string text = ExportCsv(data, request.kinds.front(), request.group, request.withPasswords);
        rows = RowSource(data, request.kinds.front(), request.group, request.withPasswords).rows();
        if (!WriteFileAtomically(path, text)) {
            error = std::strerror(errno);
            return std::nullopt;
        }
        return rows;
    }
    TempFolder temp;
    if (temp.path().empty()) {
        error = "no temporary folder";
        return std::nullopt;
    }
    const std::string built = temp.path() + "/export.xlsx";
    {
        XlsxWriter book(built, temp.path());
        if (!book.isOpen()) {
            error = "the workbook could not be started";
            return std::nullopt;
        }
        std::vector<ExportCell> cells;
        for (SheetKind kind : request.kinds) {
            const RowSource source(data, kind, request.group, request.withPasswords);
            book.addSheet(SheetKindName(kind));
            std::uint16_t column = 0;
            for (std::size_t f : source.fields()) {
                book.text(column++, source.header(f));
            }
            book.nextRow();
            for (std::size_t r = 0; r < source.rows(); ++r) {
                source.cells(r, cells);
                for (std::size_t c = 0; c < cells.size(); ++c) {
                    if (cells[c].isText) {
                        book.text(static_cast<std::uint16_t>(c), EscapeFormulaText(cells[c].text));
                    } else {
                        book.number(static_cast<std::uint16_t>(c), cells[c].number);
                    }
                }
                book.nextRow();
            }
            rows += source.rows();
        }
        if (!book.close(error)) {
            return std::nullopt;
        }
    }
    if (!MoveFileReplacing(built, path)) {
        error = std::strerror(errno);
        return std::nullopt;
    }
    return rows;
}

} // namespace qar
