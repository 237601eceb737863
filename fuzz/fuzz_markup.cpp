// XML files come from other installations, other scripts and people's editors: any bytes must index,
// navigate and edit without a crash, a hang or a read outside the text, under each code page.
//
// Input: byte 0 picks the code page, byte 1 the number of operation bytes at the end; the bytes in
// between are the document.
#include "platform/Locale.h"
#include "xml/CXMarkup.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace
{

const std::string_view kNames[] = {"",         "R",    "A",  "USER", "ID",    "a",    "b", "x y",
                                   "\x81\x5C", "\xA5", "N=", "!",    "UNITS", "a[1]", "N"};
const std::string_view kValues[] = {
    "",       "v",   "a<b&c>",   "it's \"q\"",       "\x81",
    "\x81\"", "]]>", "&amp;&lt", "\xA4\xA4\xB0\xEA", "0123456789abcdefghijklmnopqrstuvwxyz"};
constexpr int kLcids[] = {qar::kLcidEnglish, qar::kLcidSimplifiedChinese, qar::kLcidTraditionalChinese};

template <std::size_t N> std::string_view pick(const std::string_view (&table)[N], unsigned index)
{
    return table[index % N];
}

std::string_view untilNul(std::string_view s)
{
    return s.substr(0, s.find('\0'));
}

// The attribute lookup as the format defines it, token by token with nothing cached: where the quoted
// value of the current element's attribute lies in the text, or nothing. The engine's fast ways must
// give the same answers.
struct Place
{
    bool found = false;
    int left = 0;
    int right = -1;
};

Place referenceLookup(const qar::CXMarkup& doc, std::string_view name)
{
    name = untilNul(name);
    if (name.empty()) {
        return {}; // no attribute's name
    }
    const std::string& text = doc.GetDocument();
    const int end = static_cast<int>(text.size());
    const auto at = [&](int i) { return i < end ? text[static_cast<std::size_t>(i)] : '\0'; };
    const auto step = [&](int i) {
        return qar::IsLeadByte(static_cast<unsigned char>(at(i))) && at(i + 1) ? i + 2 : i + 1;
    };
    const std::string_view space = " \t\n\r";
    const std::string_view delimiters = " \t\n\r<>=\\/?!";
    int next = std::clamp(doc.record(doc.currentElement()).startTagLeft + 1, 0, end);
    int nameCount = 0;
    for (int count = 0;; ++count) {
        while (next < end && space.find(at(next)) != std::string_view::npos) {
            ++next;
        }
        if (next >= end) {
            return {};
        }
        const char c = at(next);
        if (c == '"' || c == '\'') {
            int close = next + 1;
            while (close < end && at(close) != c) {
                close = step(close);
            }
            close = std::min(close, end);
            if (nameCount && count == nameCount + 2) {
                return {true, next + 1, close - 1};
            }
            next = close < end ? close + 1 : end;
            continue;
        }
        const int left = next;
        while (next < end && delimiters.find(at(next)) == std::string_view::npos) {
            next = step(next);
        }
        if (next == left) {
            ++next;
        }
        const std::string_view token(text.data() + left, static_cast<std::size_t>(next - left));
        if (c == '>' || c == '/' || c == '?') {
            return {};
        }
        if (c == '=' || nameCount || count == 0) {
            continue;
        }
        const bool matches = name.substr(0, token.size()) == token &&
                             (name.size() == token.size() ||
                              std::string_view(" =/[").find(name[token.size()]) != std::string_view::npos);
        if (matches) {
            nameCount = count;
        }
    }
}

void checkGetAttribute(const qar::CXMarkup& doc, std::string_view name)
{
    const std::string got = doc.GetAttribute(name);
    std::string expected;
    if (doc.currentElement()) {
        const Place place = referenceLookup(doc, name);
        if (place.found && place.right >= place.left) {
            expected = qar::CXMarkup::DecodeText(std::string_view(doc.GetDocument())
                                                     .substr(static_cast<std::size_t>(place.left),
                                                             static_cast<std::size_t>(place.right - place.left + 1)));
        }
    }
    if (got != expected) {
        std::abort();
    }
}

void checkSetAttribute(qar::CXMarkup& doc, std::string_view name, std::string_view value)
{
    std::string expected = doc.GetDocument();
    const int current = doc.currentElement();
    // A nameless attribute is refused and changes nothing.
    const bool refused = untilNul(name).empty();
    if (current && !refused) {
        const Place place = referenceLookup(doc, name);
        const std::string encoded = qar::CXMarkup::EncodeText(untilNul(value), true);
        if (place.found) {
            expected.replace(static_cast<std::size_t>(place.left),
                             static_cast<std::size_t>(std::max(0, place.right - place.left + 1)), encoded);
        } else {
            const auto& r = doc.record(current);
            const bool empty = static_cast<long long>(r.startTagRight) == static_cast<long long>(r.endTagLeft) + 1;
            const long long at = static_cast<long long>(r.startTagRight) - (empty ? 1 : 0);
            const auto offset =
                static_cast<std::size_t>(std::clamp<long long>(at, 0, static_cast<long long>(expected.size())));
            expected.insert(offset, " " + std::string(untilNul(name)) + "=\"" + encoded + "\"");
        }
    }
    const bool set = doc.SetAttribute(name, value);
    if (set != (current != 0 && !refused) || doc.GetDocument() != expected) {
        std::abort();
    }
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
            checkGetAttribute(doc, name);
            break;
        case 5:
            checkSetAttribute(doc, name, value);
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
