#include "org/OrgTexts.h"

#include "org/OrgTree.h"

#include <charconv>

namespace qar
{
namespace
{

void appendId(std::string& out, std::int32_t id)
{
    char buf[16];
    const auto res = std::to_chars(buf, buf + sizeof buf, id);
    out.append(" [ID:");
    out.append(buf, res.ptr);
    out.push_back(']');
}

} // namespace

OrgTexts OrgTexts::load(const std::function<std::string(int)>& loadString)
{
    OrgTexts t;
    t.statusEnabled = loadString(153);
    t.statusDisabled = loadString(154);
    t.publicAccountHave = loadString(155);
    t.publicAccountNone = loadString(156);
    t.aliasFormat = loadString(157);
    t.aliasNull = loadString(158);
    t.parentNone = loadString(164);
    t.userInService = loadString(175);
    t.userVacation = loadString(176);
    t.userDismissed = loadString(177);
    return t;
}

std::string FormatWithText(std::string_view format, std::string_view arg)
{
    std::string out(format);
    const std::size_t pos = out.find("%s");
    if (pos != std::string::npos) {
        out.replace(pos, 2, arg);
    }
    return out;
}

void AppendGroupNodeText(std::string& out, std::int32_t id, std::string_view name)
{
    out.append("Group:");
    out.append(name);
    appendId(out, id);
}

void AppendUnitNodeText(std::string& out, const OrgTexts& texts, const UnitNodeFields& unit)
{
    out.append("Unit:");
    out.append(unit.name);
    appendId(out, unit.id);
    out.append("  ");
    out.append(unit.status ? texts.statusEnabled : texts.statusDisabled);
    out.push_back(' ');
    out.append(unit.canLog ? texts.publicAccountHave : texts.publicAccountNone);
    out.push_back(' ');
    if (unit.alias.empty()) {
        out.append(texts.aliasNull);
    } else {
        out.append(FormatWithText(texts.aliasFormat, unit.alias));
    }
}

void AppendUserNodeText(std::string& out, const OrgTexts& texts, const UserNodeFields& user)
{
    out.append("User:");
    out.append(user.name);
    appendId(out, user.id);
    out.append("  ");
    switch (user.status) {
    case 1:
        out.append(texts.userInService);
        break;
    case 2:
        out.append(texts.userVacation);
        break;
    case 3:
        out.append(texts.userDismissed);
        break;
    default:
        break;
    }
}

int UserNodeImage(std::int32_t powerFlag)
{
    return (static_cast<std::uint32_t>(powerFlag) & 0x50000u) != 0 ? kImageAdminUser : kImageUser;
}

} // namespace qar
