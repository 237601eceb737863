#include "catalog/ui/CWebsitePage.h"

#include "app/ui/UiText.h"
#include "catalog/ui/CWebsiteEditDlg.h"
#include "resources/StringIds.h"
#include "ui_CWebsitePage.h"

namespace qar::ui
{

CWebsitePage::CWebsitePage(QWidget* parent) : CCatalogPage(parent), m_ui(std::make_unique<Ui::CWebsitePage>())
{
    m_ui->setupUi(this);
    applyTextIds(this);
    setUpList(
        {m_ui->websitesTreeView, m_ui->addButton, m_ui->editButton, m_ui->deleteButton, m_ui->refreshButton},
        {str::kWebColumnId, str::kWebColumnName, str::kWebColumnUrl}, {100, 200, 372}, false,
        [this] { return m_catalog.rows().size(); },
        [this](std::size_t row, int column) {
            return row < m_catalog.rows().size() ? WebsiteCellText(m_catalog.rows()[row], column) : std::string();
        });
    refresh();
}

CWebsitePage::~CWebsitePage() = default;

void CWebsitePage::load()
{
    m_catalog.load();
}

void CWebsitePage::addEntry()
{
    const WebsiteFormModel model(true, m_catalog.usedIds());
    CWebsiteEditDlg form(model, WebsiteEntry{}, this);
    std::optional<std::size_t> added;
    form.setCommit([this, &added](const WebsiteEntry& entry) {
        added = m_catalog.add(entry);
        if (!added) {
            reportFileFailure(str::kCatalogSaveFailed, m_catalog.path());
        }
        return added.has_value();
    });
    if (form.exec() == QDialog::Accepted) {
        showRows(added);
        showItemChange(str::kStatusItemAdded, str::kItemWebsite, form.entry().id);
    }
}

void CWebsitePage::editEntry()
{
    const std::optional<std::size_t> row = firstSelectedRow();
    if (!row) {
        return;
    }
    const WebsiteFormModel model(false, {});
    CWebsiteEditDlg form(model, m_catalog.rows()[*row], this);
    form.setCommit([this, row](const WebsiteEntry& entry) {
        if (!m_catalog.replace(*row, entry)) {
            reportFileFailure(str::kCatalogSaveFailed, m_catalog.path());
            return false;
        }
        return true;
    });
    if (form.exec() == QDialog::Accepted) {
        showRows(row);
        showItemChange(str::kStatusItemSaved, str::kItemWebsite, form.entry().id);
    }
}

void CWebsitePage::deleteEntry()
{
    const std::optional<std::size_t> row = firstSelectedRow();
    if (!row || !confirmDelete(*row)) {
        return;
    }
    const std::int32_t number = m_catalog.rows()[*row].id;
    // The site's icon stays: a site added later under the same ID shows it again.
    if (!m_catalog.remove(*row)) {
        reportFileFailure(str::kCatalogSaveFailed, m_catalog.path());
        return;
    }
    showRows();
    showItemChange(str::kStatusItemDeleted, str::kItemWebsite, number);
}

} // namespace qar::ui
