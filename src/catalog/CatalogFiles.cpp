#include "catalog/CatalogFiles.h"

#include "platform/Paths.h"
#include "platform/SafeFile.h"
#include "resources/StringIds.h"

#include <cerrno>
#include <cstdio>
#include <fstream>

namespace qar
{
namespace
{

std::uint32_t readLe(std::string_view bytes, std::size_t at, int size)
{
    std::uint32_t value = 0;
    for (int i = size - 1; i >= 0; --i) {
        value = (value << 8) | static_cast<unsigned char>(bytes[at + static_cast<std::size_t>(i)]);
    }
    return value;
}

// One image of an icon file: a PNG stream or a device-independent bitmap, whose header must fit.
bool isIconImage(std::string_view image)
{
    static constexpr std::string_view kPng("\x89PNG\r\n\x1a\n", 8);
    if (image.substr(0, kPng.size()) == kPng) {
        return image.size() > kPng.size();
    }
    if (image.size() < 40) {
        return false;
    }
    const std::uint32_t headerSize = readLe(image, 0, 4);
    const auto width = static_cast<std::int32_t>(readLe(image, 4, 4));
    const auto height = static_cast<std::int32_t>(readLe(image, 8, 4));
    const std::uint32_t planes = readLe(image, 12, 2);
    return headerSize >= 40 && headerSize <= image.size() && width > 0 && height != 0 && planes == 1;
}

} // namespace

std::string CatalogXmlPath(std::string_view fileName)
{
    return ProgramPath("\\UserData\\config\\xmldata\\") + std::string(fileName);
}

std::string IconFolderPath()
{
    return ProgramPath("\\UserData\\config\\icodata");
}

std::string IconLibraryPath()
{
    return ProgramPath("\\Iconlib");
}

bool IconFolderExists()
{
    return DirectoryExists(IconFolderPath());
}

std::string IconFilePath(std::string_view fileName)
{
    return IconFolderPath() + "/" + std::string(fileName);
}

bool LooksLikeIcon(std::string_view bytes)
{
    if (bytes.size() < 6 || readLe(bytes, 0, 2) != 0 || readLe(bytes, 2, 2) != 1) {
        return false;
    }
    const std::uint32_t count = readLe(bytes, 4, 2);
    const std::uint64_t directoryEnd = 6 + 16ULL * count;
    if (count == 0 || directoryEnd > bytes.size()) {
        return false;
    }
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::size_t entry = 6 + 16 * static_cast<std::size_t>(i);
        const std::uint64_t size = readLe(bytes, entry + 8, 4);
        const std::uint64_t offset = readLe(bytes, entry + 12, 4);
        if (size == 0 || offset < directoryEnd || offset + size > bytes.size() ||
            !isIconImage(bytes.substr(offset, size))) {
            return false;
        }
    }
    return true;
}

int CheckIconFile(const std::string& path)
{
    if (!FileExists(path)) {
        return str::kFileNotExistIcon;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return str::kFileNotExistIcon;
    }
    // One byte more than allowed tells a file that is too large without reading all of it.
    std::string bytes(kMaxIconBytes + 1, '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    if (bytes.size() > kMaxIconBytes) {
        return str::kIconFileTooLarge;
    }
    return LooksLikeIcon(bytes) ? 0 : str::kInvalidIconFile;
}

bool InstallIcon(const std::string& from, const std::string& target)
{
    return CopyFileAtomically(from, target);
}

bool RemoveIconFile(const std::string& path)
{
    return std::remove(path.c_str()) == 0 || errno == ENOENT;
}

std::optional<std::int32_t> ParseFormInt(std::string_view text)
{
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && blank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && blank(text.back())) {
        text.remove_suffix(1);
    }
    if (text.size() > 1 && text.front() == '+' && text[1] != '-') {
        text.remove_prefix(1);
    }
    std::int32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

std::optional<std::uint32_t> ParseFormUnsigned(std::string_view text)
{
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && blank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && blank(text.back())) {
        text.remove_suffix(1);
    }
    std::uint32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

std::string FormatNumber(std::int64_t value, int width)
{
    return std::string(NumberText(value, width).view());
}

NumberText::NumberText(std::int64_t value, int width)
{
    // As printf's "%0*d": the sign first, then zeros up to the width, the sign counted in it.
    char digits[24];
    const bool negative = value < 0;
    const auto magnitude = negative ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
    const auto [end, error] = std::to_chars(digits, digits + sizeof digits, magnitude);
    const int count = static_cast<int>(end - digits);
    std::size_t at = 0;
    if (negative) {
        text[at++] = '-';
    }
    for (int pad = width - count - (negative ? 1 : 0); pad > 0 && at + static_cast<std::size_t>(count) < sizeof text;
         --pad) {
        text[at++] = '0';
    }
    for (int i = 0; i < count; ++i) {
        text[at++] = digits[i];
    }
    size = static_cast<std::uint8_t>(at);
}

} // namespace qar
