// CSV files come from any spreadsheet program and any person: every input must be read without a crash,
// and what the reader makes of it must read back the same once written out again.
#include "intake/CsvFormat.h"
#include "intake/IntakeFile.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    // The whole way a file takes: encoding detected, records read, cells decoded.
    qar::IntakeFile file;
    file.label = "fuzz.csv";
    qar::ReadCsvText(file, bytes, qar::FileEncoding::Auto, 5000);

    // Records read, written and read again give the same cells.
    qar::Sheet first;
    const qar::CsvReadResult read = qar::ReadCsv(bytes, ',', first, 5000);
    if (!read.complete || read.tooManyRows) {
        return 0;
    }
    std::string written;
    for (std::size_t r = 0; r < first.rowCount(); ++r) {
        for (std::uint32_t c = 0; c < first.row(r).cellCount; ++c) {
            if (c != 0) {
                written += ',';
            }
            qar::AppendCsvCell(written, first.cell(r, c));
        }
        written += "\r\n";
    }
    qar::Sheet second;
    qar::ReadCsv(written, ',', second, 5000);
    if (second.rowCount() != first.rowCount()) {
        std::abort();
    }
    for (std::size_t r = 0; r < first.rowCount(); ++r) {
        if (second.row(r).cellCount != first.row(r).cellCount) {
            std::abort();
        }
        for (std::uint32_t c = 0; c < first.row(r).cellCount; ++c) {
            if (second.cell(r, c) != first.cell(r, c)) {
                std::abort();
            }
        }
    }
    // The formula escape is undone exactly.
    for (std::size_t r = 0; r < first.rowCount(); ++r) {
        for (std::uint32_t c = 0; c < first.row(r).cellCount; ++c) {
            if (qar::UnescapeFormulaText(qar::EscapeFormulaText(first.cell(r, c))) != first.cell(r, c)) {
                std::abort();
            }
        }
    }
    return 0;
}
