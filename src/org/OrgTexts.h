#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace qar
{

/// String-table texts that node texts are made of, in the user's language and the ANSI code page.
/// Defaults are the English texts.
struct OrgTexts
{
    std::string statusEnabled = "[Status]Enabled";            ///< 153
    std::string statusDisabled = "[Status]Disabled";          ///< 154
    std::string publicAccountHave = "[Public Account]Have";   ///< 155
    std::string publicAccountNone = "[Public Account]None";   ///< 156
    std::string aliasFormat = "[Alias]%s";                    ///< 157
    std::string aliasNull = "[Alias](Null)";                  ///< 158
    std::string userInService = "[Status]1 In service";       ///< 175
    std::string userVacation = "[Status]2 Vacation or Fired"; ///< 176
    std::string userDismissed = "[Status]3 Dismissed";        ///< 177
    std::string parentNone = "(0) (None)";                    ///< 164

    /// The texts from a string-table loader (id to ANSI text).
    static OrgTexts load(const std::function<std::string(int)>& loadString);
};

/// What a unit node shows.
struct UnitNodeFields
{
    std::int32_t id = 0;
    std::string_view name;
    bool status = false;
    bool canLog = false;
    std::string_view alias;
};

/// What a user node shows.
struct UserNodeFields
{
    std::int32_t id = 0;
    std::string_view name;
    std::uint8_t status = 0;
};

/// "Group:" + name + " [ID:%d]".
void AppendGroupNodeText(std::string& out, std::int32_t id, std::string_view name);
/// "Unit:" + name + " [ID:%d]" + two blanks + status + blank + public account + blank + alias.
void AppendUnitNodeText(std::string& out, const OrgTexts& texts, const UnitNodeFields& unit);
/// "User:" + name + " [ID:%d]" + two blanks + status (nothing for a status other than 1, 2, 3).
void AppendUserNodeText(std::string& out, const OrgTexts& texts, const UserNodeFields& user);
/// Image 4 for users holding privilege bit 16 or 18, image 1 otherwise.
int UserNodeImage(std::int32_t powerFlag);

/// `format` with its first "%s" replaced by `arg`.
std::string FormatWithText(std::string_view format, std::string_view arg);

} // namespace qar
