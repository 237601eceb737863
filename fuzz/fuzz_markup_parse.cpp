// The parser and the cursor alone, without edits and without the reference check of fuzz_markup: many
// times faster, so a run reaches far more documents. Any bytes must index and navigate without a crash,
// a hang or a read outside the text, under each code page.
//
// Input: byte 0 picks the code page, byte 1 the number of operation bytes at the end; the bytes in
// between are the document.
#include "platform/Locale.h"
#include "xml/CXMarkup.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace
{

const std::string_view kNames[] = {"", "R", "A", "USER", "ID", "a", "x y", "\x81\x5C", "\xA5", "UNITS", "N="};
constexpr int kLcids[] = {qar::kLcidEnglish, qar::kLcidSimplifiedChinese, qar::kLcidTraditionalChinese};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2) {
        return 0;
    }
    qar::SetSystemDefaultLCID(kLcids[data[0] % 3]);
    const std::size_t opCount = std::min<std::size_t>(data[1], size - 2);
    const std::string_view text(reinterpret_cast<const char*>(data) + 2, size - 2 - opCount);
    const std::uint8_t* ops = data + size - opCount;

    qar::CXMarkup doc;
    if (doc.SetDocument(text) != doc.HasRootElement()) {
        std::abort();
    }
    std::size_t checksum = 0;
    for (std::size_t i = 0; i < opCount; ++i) {
        const std::string_view name = kNames[(ops[i] >> 3) % std::size(kNames)];
        switch (ops[i] % 6) {
        case 0:
            doc.FindElement(name);
            break;
        case 1:
            doc.EnterElement();
            break;
        case 2:
            doc.LeaveElement();
            break;
        case 3:
            checksum += doc.GetText().size();
            break;
        case 4:
            checksum += doc.GetAttribute(name).size();
            break;
        default:
            doc.FindElement();
            break;
        }
    }
    return checksum == static_cast<std::size_t>(-1) ? 1 : 0;
}
