#include "intake/SheetIntakeArgs.h"

#include <charconv>

namespace qar
{

namespace
{

bool takePrefix(std::string_view& text, std::string_view prefix)
{
    if (text.substr(0, prefix.size()) != prefix) {
        return false;
    }
    text.remove_prefix(prefix.size());
    return true;
}

template <class T> std::optional<T> takeNumber(std::string_view& text)
{
    T value = 0;
    const auto res = std::from_chars(text.data(), text.data() + text.size(), value);
    if (res.ec != std::errc() || res.ptr == text.data()) {
        return std::nullopt;
    }
    text.remove_prefix(static_cast<std::size_t>(res.ptr - text.data()));
    return value;
}

} // namespace

std::optional<SheetIntakeArgs> ParseSheetIntakeArgs(std::string_view text,
                                                    const std::function<bool(const std::string&)>& exists)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    SheetIntakeArgs args;
    if (!takePrefix(text, "-bysys") || !takePrefix(text, "-h")) {
        return std::nullopt;
    }
    const auto window = takeNumber<std::uint64_t>(text);
    if (!window) {
        return std::nullopt;
    }
    args.window = *window;
    if (takePrefix(text, "-unit")) {
        // Both paths may hold "-user"; the split is where a file of the units path exists.
        std::vector<std::size_t> splits;
        for (std::size_t at = text.find("-user"); at != std::string_view::npos; at = text.find("-user", at + 1)) {
            splits.push_back(at);
        }
        if (splits.empty()) {
            return std::nullopt;
        }
        std::size_t split = splits.back();
        for (std::size_t at : splits) {
            if (exists && exists(std::string(text.substr(0, at)))) {
                split = at;
                break;
            }
        }
        args.unitsFile = std::string(text.substr(0, split));
        args.usersFile = std::string(text.substr(split + 5));
        if (args.unitsFile.empty() || args.usersFile.empty()) {
            return std::nullopt;
        }
        return args;
    }
    if (!takePrefix(text, "-grps")) {
        return std::nullopt;
    }
    const std::size_t end = text.find("-dgrp");
    if (end == std::string_view::npos) {
        return std::nullopt;
    }
    std::string_view list = text.substr(0, end);
    while (!list.empty()) {
        const auto group = takeNumber<std::int32_t>(list);
        if (!group || (!list.empty() && !takePrefix(list, "|"))) {
            return std::nullopt;
        }
        args.groups.push_back(*group);
    }
    text.remove_prefix(end + 5);
    const auto selected = takeNumber<std::int32_t>(text);
    if (!selected) {
        return std::nullopt;
    }
    args.selectedGroup = *selected;
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\n')) {
        text.remove_suffix(1);
    }
    if (!text.empty()) {
        return std::nullopt;
    }
    return args;
}

} // namespace qar
