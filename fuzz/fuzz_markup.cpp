// XML files come from other installations, other scripts and people's editors: any bytes must index,
// navigate and edit without a crash, a hang or a read outside the text, under each code page.
//
// Input: byte 0 picks the code page, byte 1 the number of operation bytes at the end; the bytes in
// between are the document.
#include "platform/Locale.h"
#include "xml/CXMarkup.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace
{

const std::string_view kNames[] = {"", "R", "A", "USER", "ID", "a", "b", "x y", "\x81\x5C", "\xA5", "N=", "!"};
const std::string_view kValues[] = {
    "",       "v",   "a<b&c>",   "it's \"q\"",       "\x81",
    "\x81\"", "]]>", "&amp;&lt", "\xA4\xA4\xB0\xEA", "0123456789abcdefghijklmnopqrstuvwxyz"};
constexpr int kLcids[] = {qar::kLcidEnglish, qar::kLcidSimplifiedChinese, qar::kLcidTraditionalChinese};

template <std::size_t N> std::string_view pick(const std::string_view (&table)[N], unsigned index)
{
    return table[index % N];
}

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
    const bool parsed = doc.SetDocument(text);
    if (parsed != doc.HasRootElement()) {
        std::abort();
    }
    std::size_t checksum = 0;
    for (std::size_t i = 0; i < opCount; ++i) {
        const unsigned op = ops[i];
        const std::string_view name = pick(kNames, op >> 4);
        const std::string_view value = pick(kValues, (op >> 3) + i);
        switch (op % 11) {
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
        case 5:
            doc.SetAttribute(name, value);
            break;
        case 6:
            doc.AddElement(name, value);
            break;
        case 7:
            doc.AddChildElement(name, value);
            break;
        case 8:
            checksum += doc.GetDocument().size();
            break;
        case 9:
            doc.FindElement();
            break;
        default: {
            // Index the edited text again: whatever the edits made of it must parse without harm.
            const std::string copy = doc.GetDocument();
            doc.SetDocument(copy);
            if (doc.GetDocument() != copy.substr(0, copy.find('\0'))) {
                std::abort();
            }
            break;
        }
        }
    }
    return checksum == static_cast<std::size_t>(-1) ? 1 : 0;
}
