#include "groups/GroupForm.h"

#include "groups/GroupAttributes.h"
#include "platform/Paths.h"
#include "platform/TextUtil.h"
#include "resources/StringIds.h"
#include "settings/CProfileFile.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <limits>

namespace qar
{

namespace
{

/// A whole number as the form framework reads a number field: blanks around, an optional sign, digits,
/// nothing else; none when it does not fit 32 bits.
std::optional<std::int32_t> wholeNumber(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.remove_suffix(1);
    }
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
    }
    std::int32_t value = 0;
    const auto res = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || res.ec != std::errc() || res.ptr != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

} // namespace

GroupFields FieldsOf(const GroupRecord& group)
{
    GroupFields f;
    f.numberText = std::to_string(group.id);
    f.name = group.name;
    f.homePage = group.url;
    f.membersText = std::to_string(group.count);
    f.attributes = group.power;
    f.ftpIpText = FormatDottedIPv4(group.ftpIp);
    f.cwaIpText = FormatDottedIPv4(group.cwaIp);
    return f;
}

GroupFields MergeStoredGroup(const GroupFields& loaded, const GroupFields& typed, const GroupFields& stored)
{
    const auto pick = [](const auto& was, const auto& now, const auto& theirs) { return now != was ? now : theirs; };
    return {pick(loaded.numberText, typed.numberText, stored.numberText),
            pick(loaded.name, typed.name, stored.name),
            pick(loaded.homePage, typed.homePage, stored.homePage),
            pick(loaded.membersText, typed.membersText, stored.membersText),
            pick(loaded.attributes, typed.attributes, stored.attributes),
            pick(loaded.ftpIpText, typed.ftpIpText, stored.ftpIpText),
            pick(loaded.cwaIpText, typed.cwaIpText, stored.cwaIpText)};
}

GroupFields NewGroupFields(std::int32_t proposedNumber)
{
    GroupFields f;
    f.numberText = std::to_string(proposedNumber);
    f.attributes = kNewGroupAttributes;
    return f;
}

std::variant<GroupFormError, GroupRecord> AcceptGroupFields(const GroupFields& fields)
{
    const auto number = wholeNumber(fields.numberText);
    if (!number) {
        return GroupFormError{str::kEnterInteger, GroupField::Number};
    }
    const auto members = wholeNumber(fields.membersText);
    if (!members || *members < 0 || *members > kMaxGroupMembers) {
        return GroupFormError{str::kEnterIntegerRange, GroupField::Members, 0, kMaxGroupMembers};
    }
    GroupRecord g;
    g.id = *number;
    g.name = fields.name;
    g.url = fields.homePage;
    g.ftpIp = ParseDottedIPv4(fields.ftpIpText);
    g.cwaIp = ParseDottedIPv4(fields.cwaIpText);
    g.count = *members;
    g.power = fields.attributes;
    return g;
}

std::variant<GroupFormError, GroupRecord> ValidateGroupForm(const GroupFormSetup& setup, const GroupFields& fields)
{
    auto accepted = AcceptGroupFields(fields);
    if (std::holds_alternative<GroupFormError>(accepted)) {
        return accepted;
    }
    const GroupRecord& g = std::get<GroupRecord>(accepted);
    if (g.id != setup.startNumber &&
        std::find(setup.existingNumbers.begin(), setup.existingNumbers.end(), g.id) != setup.existingNumbers.end()) {
        return GroupFormError{str::kEnterpriseCodeExists, GroupField::Number};
    }
    if (g.name.empty()) {
        return GroupFormError{str::kInputCantBeNull, GroupField::Name};
    }
    if (g.url.empty()) {
        return GroupFormError{str::kInputCantBeNull, GroupField::HomePage};
    }
    return accepted;
}

bool GroupUnchanged(const GroupRecord& stored, const GroupRecord& edited)
{
    // Addresses are compared as the editor shows them; two numbers with the same text are one address.
    return stored.id == edited.id && stored.name == edited.name && stored.url == edited.url &&
           FormatDottedIPv4(stored.ftpIp) == FormatDottedIPv4(edited.ftpIp) &&
           FormatDottedIPv4(stored.cwaIp) == FormatDottedIPv4(edited.cwaIp) && stored.count == edited.count &&
           stored.power == edited.power;
}

std::int32_t ProposeGroupNumber(const std::vector<std::int32_t>& numbers)
{
    std::int32_t largest = -1;
    for (std::int32_t n : numbers) {
        largest = std::max(largest, n);
    }
    // Past the largest number there is none left to propose: the administrator types one.
    return largest == std::numeric_limits<std::int32_t>::max() ? largest : largest + 1;
}

bool ServerInstalled()
{
    return FileExists(ProgramPath("\\RXServer.exe"));
}

int ReadGroupDetailFlag()
{
    if (!ServerInstalled()) {
        return 0;
    }
    CProfileFile flags(ProgramPath("\\UserData\\setting\\SvrFlag.dat"), "SvrFlag");
    return flags.GetInt("SP", 0);
}

namespace
{
std::string dateText(std::chrono::year_month_day d)
{
    return std::to_string(static_cast<int>(d.year())) + "-" + std::to_string(static_cast<unsigned>(d.month())) + "-" +
           std::to_string(static_cast<unsigned>(d.day()));
}
} // namespace

std::map<std::string, std::string> DefaultGroupProperties(const std::string& name, const std::string& homePage,
                                                          std::int32_t members, int year, int month, int day)
{
    using namespace std::chrono;
    const year_month_day today{std::chrono::year{year}, std::chrono::month{static_cast<unsigned>(month)},
                               std::chrono::day{static_cast<unsigned>(day)}};
    const year_month_day end{sys_days{today} + days{365}};
    return {
        {"CORP", name},
        {"EURL", homePage},
        {"NUMS", std::to_string(members)},
        {"POW-SET", "2"},
        {"HIDE-ROB", "1"},
        {"HIDE-FOCU", "1"},
        {"HIDE-ADDC", "1"},
        {"HIDE-MOB", "1"},
        {"HIDE-TSK", "1"},
        {"SV-START", dateText(today)},
        {"SV-END", dateText(end)},
    };
}

std::string GroupSheetIntakeParameters(long long windowHandle, std::int32_t group)
{
    return "-bysys-h" + std::to_string(windowHandle) + "-grps" + std::to_string(group) + "|-dgrp" +
           std::to_string(group);
}

} // namespace qar
