#pragma once

#include "catalog/CatalogFiles.h"

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace qar
{

class CXTableGroup;

/// One enterprise application of apps.xml.
struct AppEntry
{
    std::int32_t id = 0;
    std::string name{};
    std::string location{}; ///< program file or web address
    std::int32_t group = 0; ///< 0: offered to every group
    std::int32_t type = 0;  ///< the AppType bits
    std::string bsLogin{};  ///< login interface of a browser/server application
    std::string csTitle{};  ///< login window title of a client/server application
    std::int32_t csId1 = 0; ///< control ids in that login window
    std::int32_t csId2 = 0;
    std::int32_t csId3 = 0;

    bool operator==(const AppEntry&) const = default;
};

/// Bits of an application's type.
namespace AppType
{
inline constexpr std::int32_t kLogin = 1;        ///< has a login type; alone: browser/server
inline constexpr std::int32_t kClientServer = 2; ///< with kLogin: client/server
inline constexpr std::int32_t kPassword = 4;
inline constexpr std::int32_t kSystemEmail = 8; ///< log in with the system's e-mail account
inline constexpr std::int32_t kUnitive = 16;    ///< log in with the unitive account
} // namespace AppType

/// An entry as it is stored after an add or an edit: without a login type or without a password the
/// type and every login value are cleared; otherwise only the login data of its kind is kept.
void NormalizeApp(AppEntry& entry);

inline constexpr const char* kAppsFileName = "apps.xml";
/// List columns: ID, name, location, group, then the hidden type, B-S interface, C-S title, ids 1-3.
inline constexpr int kAppColumns = 10;
inline constexpr int kAppVisibleColumns = 4;
/// The text of column `column` of an entry's row, as the list shows it and the file holds it.
std::string AppCellText(const AppEntry& entry, int column);
/// The icon file of application `id` in the icon folder, "%d.ico".
std::string AppIconPath(std::int32_t id);
/// Writes apps.xml whole with `rows` in their order; false when the file could not be written.
bool WriteAppsFile(const std::string& path, const std::vector<AppEntry>& rows);

/// The applications catalogue: the list of apps.xml sorted by the text of the ID, and the largest ID
/// ever read, from which the next one is proposed. Every change rewrites the file whole; the list
/// changes only when the file was written.
class CAppCatalog
{
public:
    explicit CAppCatalog(std::string path = CatalogXmlPath(kAppsFileName));

    /// Rebuilds the list from the file; a missing or broken file leaves it empty (false).
    bool load();
    const std::vector<AppEntry>& rows() const { return m_rows; }
    const std::string& path() const { return m_path; }
    /// The largest ID read since the catalogue was made; it never shrinks.
    std::int32_t largestId() const { return m_largestId; }
    /// The IDs of the list, sorted.
    std::vector<std::int32_t> usedIds() const;

    /// Writes the list with `entry` in its place; the row it landed on, or nullopt when the file could not
    /// be written (the list is then unchanged).
    std::optional<std::size_t> add(const AppEntry& entry);
    /// Writes the list with row `row` replaced (its ID kept); false when the file could not be written.
    bool replace(std::size_t row, const AppEntry& entry);
    /// Writes the list without row `row`; false when the file could not be written.
    bool remove(std::size_t row);

private:
    std::string m_path;
    std::vector<AppEntry> m_rows;
    std::int32_t m_largestId = 0;
};

/// The type list of the application form.
enum class AppKind
{
    None = -1,
    Auto = 0,
    BrowserServer = 1,
    ClientServer = 2,
};

/// What the application form's fields hold: texts as typed, the group and type selections.
struct AppForm
{
    std::string idText{};
    std::string name{};
    std::string location{};
    int groupIndex = -1; ///< into AppFormModel::groups(), -1 for none
    AppKind kind = AppKind::None;
    bool needPassword = false;
    bool systemEmail = false;
    bool unitive = false;
    std::string bsLogin{};
    std::string csTitle{};
    std::string csId1Text = "0";
    std::string csId2Text = "0";
    std::string csId3Text = "0";
};

/// Which of the form's dependent controls are enabled.
struct AppControls
{
    bool needPassword = false;
    bool systemEmail = false;
    bool unitive = false;
    bool bsLogin = false;
    bool csTitle = false; ///< the C-S title and the three ids
};

/// The form's enabling rules, applied after every change of the type and every box clicked: boxes
/// that may not stay ticked are cleared in `form`; the result says what is enabled.
AppControls ApplyAppRules(AppForm& form);

enum class AppBox
{
    NeedPassword,
    SystemEmail,
    Unitive,
};
/// A box was clicked (its new state is already in `form`): the two account boxes exclude each other,
/// then the rules apply.
AppControls AppBoxClicked(AppForm& form, AppBox box);

/// The type the form stands for: 0 for automatic, 1 or 3 plus 4, 8, 16 for the ticked boxes.
std::int32_t AppTypeFlags(const AppForm& form);

enum class AppField
{
    None,
    Id,
    Name,
    Location,
    Group,
    BsLogin,
    CsTitle,
    CsId1,
    CsId2,
    CsId3,
};

/// An entry of the form's group list: the number stored, and the group's name shown beside it.
struct AppGroupChoice
{
    std::int32_t id = 0;
    std::string name{}; ///< empty for the public entry 0
};

/// "3 - Sales" for a group with a name, the bare number for one without (the public entry 0).
std::string AppGroupChoiceText(const AppGroupChoice& choice);

/// How the application form is opened.
struct AppFormSetup
{
    bool adding = false;
    std::int32_t largestId = 0;                  ///< the catalogue's, for the proposal when adding
    std::vector<std::int32_t> usedIds;           ///< sorted
    std::vector<AppGroupChoice> groups{{0, {}}}; ///< the group list: 0, then the groups
};

/// The logic of the application form: its first values and the checks of OK.
class AppFormModel
{
public:
    explicit AppFormModel(AppFormSetup setup);

    bool adding() const { return m_setup.adding; }
    const std::vector<AppGroupChoice>& groups() const { return m_setup.groups; }
    /// The ID offered when adding: one above the largest ever read.
    std::int64_t proposedId() const { return static_cast<std::int64_t>(m_setup.largestId) + 1; }

    /// The fields for `entry` (ignored but for defaults when adding), with the rules applied.
    AppForm initialForm(const AppEntry& entry) const;
    /// The checks of OK in their order; the first failure, or the entry the fields describe.
    std::variant<CatalogFormError<AppField>, AppEntry> validate(const AppForm& form) const;

private:
    AppFormSetup m_setup;
};

/// The form's group list: 0 (public), then every group with a GROUP_ID above 0 of the groups table in
/// table order, with its name. The record object is opened when it is not; a database that cannot be
/// read gives 0 alone.
std::vector<AppGroupChoice> ReadGroupChoices(CXTableGroup* groups);

} // namespace qar
