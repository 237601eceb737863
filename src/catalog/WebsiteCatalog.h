#pragma once

#include "catalog/CatalogFiles.h"

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace qar
{

/// One embedded website of weburl.xml.
struct WebsiteEntry
{
    std::int32_t id = 0;
    std::string name{};
    std::string url{};

    bool operator==(const WebsiteEntry&) const = default;
};

inline constexpr const char* kWebsitesFileName = "weburl.xml";
/// List columns: the ID ("%d"), the name, the address.
inline constexpr int kWebsiteColumns = 3;
std::string WebsiteCellText(const WebsiteEntry& entry, int column);
/// The icon file of site `id` in the icon folder, "w_%d.ico".
std::string WebsiteIconPath(std::int32_t id);

/// The websites catalogue: the list of weburl.xml sorted by the text of the ID. Every change rewrites
/// the file whole; the list changes only when the file was written.
class CWebsiteCatalog
{
public:
    explicit CWebsiteCatalog(std::string path = CatalogXmlPath(kWebsitesFileName));

    /// Rebuilds the list from the file; a missing or broken file leaves it empty (false).
    bool load();
    const std::vector<WebsiteEntry>& rows() const { return m_rows; }
    const std::string& path() const { return m_path; }
    std::vector<std::int32_t> usedIds() const;

    /// The row the entry landed on, or nullopt when the file could not be written.
    std::optional<std::size_t> add(const WebsiteEntry& entry);
    /// Replaces the name and address of row `row` (its ID stays).
    bool replace(std::size_t row, const WebsiteEntry& entry);
    /// Removes the row; the site's icon file stays in the icon folder.
    bool remove(std::size_t row);

private:
    bool save(std::vector<WebsiteEntry> rows);

    std::string m_path;
    std::vector<WebsiteEntry> m_rows;
};

enum class WebsiteField
{
    None,
    Id,
    Name,
    Url,
};

struct WebsiteForm
{
    std::string idText{};
    std::string name{};
    std::string url{};
};

/// The logic of the website form: the proposed ID and the checks of OK.
class WebsiteFormModel
{
public:
    /// `usedIds`: the IDs in the list when adding; none when editing.
    WebsiteFormModel(bool adding, std::vector<std::int32_t> usedIds);

    bool adding() const { return m_adding; }
    /// One above the largest used ID, 1 when none is used.
    std::int64_t proposedId() const;

    WebsiteForm initialForm(const WebsiteEntry& entry) const;
    std::variant<CatalogFormError<WebsiteField>, WebsiteEntry> validate(const WebsiteForm& form) const;

private:
    bool m_adding;
    std::vector<std::int32_t> m_usedIds; ///< sorted
};

} // namespace qar
