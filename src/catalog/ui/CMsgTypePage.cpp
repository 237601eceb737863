#include "catalog/ui/CMsgTypePage.h"

#include "app/ui/UiText.h"
#include "catalog/ui/CMsgTypeEditDlg.h"
#include "resources/StringIds.h"
#include "ui_CMsgTypePage.h"

namespace qar::ui
{

CMsgTypePage::CMsgTypePage(QWidget* parent) : CCatalogPage(parent), m_ui(std::make_unique<Ui::CMsgTypePage>())
{
    m_ui->setupUi(this);
    applyTextIds(this);
    setUpList(
        {m_ui->msgTypesTreeView, m_ui->addButton, m_ui->modifyButton, m_ui->deleteButton, m_ui->refreshButton},
        {str::kMsgColumnType, str::kMsgColumnName, str::kMsgColumnMark}, {200, 270, 192}, false,
        [this] { return m_catalog.rows().size(); },
        [this](std::size_t row, int column) {
            return row < m_catalog.rows().size() ? MsgTypeCellText(m_catalog.rows()[row], column) : std::string();
        });
    refresh();
}

CMsgTypePage::~CMsgTypePage() = default;

void CMsgTypePage::load()
{
    m_catalog.load();
}

void CMsgTypePage::addEntry()
{
    const MsgTypeFormModel model(m_catalog.freeNumbers(), true);
    CMsgTypeEditDlg form(model, MsgTypeEntry{}, launcher(), this);
    std::optional<std::size_t> added;
    form.setCommit([this, &added](const MsgTypeEntry& entry) {
        added = m_catalog.add(entry);
        if (!added) {
            reportFileFailure(str::kCatalogSaveFailed, m_catalog.path());
        }
        return added.has_value();
    });
    if (form.exec() == QDialog::Accepted) {
        showRows(added);
        showItemChange(str::kStatusItemAdded, str::kItemMessageType, form.entry().type);
    }
}

void CMsgTypePage::editEntry()
{
    const std::optional<std::size_t> row = firstSelectedRow();
    if (!row) {
        return;
    }
    const MsgTypeEntry original = m_catalog.rows()[*row];
    const MsgTypeFormModel model({original.type}, false);
    CMsgTypeEditDlg form(model, original, launcher(), this);
    form.setCommit([this, row](const MsgTypeEntry& entry) {
        if (!m_catalog.replace(*row, entry)) {
            reportFileFailure(str::kCatalogSaveFailed, m_catalog.path());
            return false;
        }
        return true;
    });
    if (form.exec() == QDialog::Accepted) {
        showRows(row);
        showItemChange(str::kStatusItemSaved, str::kItemMessageType, form.entry().type);
    }
}

void CMsgTypePage::deleteEntry()
{
    const std::optional<std::size_t> row = firstSelectedRow();
    if (!row || !confirmDelete(*row)) {
        return;
    }
    const std::int32_t number = m_catalog.rows()[*row].type;
    if (!m_catalog.remove(*row)) {
        reportFileFailure(str::kCatalogSaveFailed, m_catalog.path());
        return;
    }
    showRows();
    showItemChange(str::kStatusItemDeleted, str::kItemMessageType, number);
}

} // namespace qar::ui
