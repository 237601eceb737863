#include "catalog/ui/CAppPage.h"

#include "app/ui/PageHost.h"
#include "app/ui/UiText.h"
#include "catalog/ui/CAppEditDlg.h"
#include "catalog/ui/CEnvParamPage.h"
#include "db/CDatabaseSession.h"
#include "platform/Paths.h"
#include "resources/StringIds.h"
#include "ui_CAppPage.h"

#include <algorithm>

namespace qar::ui
{

CAppPage::CAppPage(QWidget* parent) : CCatalogPage(parent), m_ui(std::make_unique<Ui::CAppPage>())
{
    m_ui->setupUi(this);
    applyTextIds(this);
    // The type and login data ride along in hidden columns, as the file holds them.
    setUpList(
        {m_ui->appsTreeView, m_ui->addButton, m_ui->editButton, m_ui->deleteButton, m_ui->refreshButton},
        {str::kAppColumnId, str::kAppColumnName, str::kAppColumnLocation, str::kAppColumnGroup, 0, 0, 0, 0, 0, 0},
        {106, 184, 282, 90, 0, 0, 0, 0, 0, 0}, true, [this] { return m_catalog.rows().size(); },
        [this](std::size_t row, int column) {
            return row < m_catalog.rows().size() ? AppCellText(m_catalog.rows()[row], column) : std::string();
        });
    refresh();
}

CAppPage::~CAppPage() = default;

void CAppPage::load()
{
    m_catalog.load();
}

AppFormSetup CAppPage::formSetup(bool adding) const
{
    PageHost* window = host();
    return AppFormSetup{adding, m_catalog.largestId(), m_catalog.usedIds(),
                        ReadGroupChoices(window != nullptr ? &window->session().tableGroup() : nullptr)};
}

bool CAppPage::accountMode() const
{
    return CEnvParamPage::valuesOf(host()).accountMode();
}

void CAppPage::addEntry()
{
    const AppFormModel model(formSetup(true));
    CAppEditDlg form(model, AppEntry{}, accountMode(), launcher(), this);
    std::optional<std::size_t> added;
    form.setCommit([this, &added](const AppEntry& entry) {
        AppEntry stored = entry;
        NormalizeApp(stored);
        added = m_catalog.add(stored);
        if (!added) {
            reportFileFailure(str::kCatalogSaveFailed, m_catalog.path());
        }
        return added.has_value();
    });
    if (form.exec() == QDialog::Accepted) {
        showRows(added);
        showItemChange(str::kStatusItemAdded, str::kItemApplication, form.entry().id);
    }
}

void CAppPage::editEntry()
{
    const std::optional<std::size_t> row = firstSelectedRow();
    if (!row) {
        return;
    }
    const AppEntry original = m_catalog.rows()[*row];
    const AppFormModel model(formSetup(false));
    CAppEditDlg form(model, original, accountMode(), launcher(), this);
    form.setCommit([this, &original, row](const AppEntry& entry) {
        if (entry == original) {
            return true; // nothing changed: the file is left alone
        }
        AppEntry stored = entry;
        NormalizeApp(stored);
        if (!m_catalog.replace(*row, stored)) {
            reportFileFailure(str::kCatalogSaveFailed, m_catalog.path());
            return false;
        }
        return true;
    });
    if (form.exec() == QDialog::Accepted) {
        showRows(row);
        showItemChange(form.entry() == original ? str::kStatusItemUnchanged : str::kStatusItemSaved,
                       str::kItemApplication, form.entry().id);
    }
}

void CAppPage::deleteEntry()
{
    const std::optional<std::size_t> row = firstSelectedRow();
    if (!row || !confirmDelete(*row)) {
        return;
    }
    const std::int32_t id = m_catalog.rows()[*row].id;
    if (!m_catalog.remove(*row)) {
        reportFileFailure(str::kCatalogSaveFailed, m_catalog.path());
        return;
    }
    // A hand-edited file may list the ID twice: the icon stays while an entry still shows it.
    const auto& rows = m_catalog.rows();
    const bool stillUsed = std::any_of(rows.begin(), rows.end(), [id](const AppEntry& e) { return e.id == id; });
    const std::string icon = AppIconPath(id);
    if (!stillUsed && FileExists(icon) && !RemoveIconFile(icon)) {
        reportFileFailure(str::kCatalogIconRemoveFailed, icon);
    }
    showRows();
    showItemChange(str::kStatusItemDeleted, str::kItemApplication, id);
}

} // namespace qar::ui
