#include "catalog/ui/CEnvParamPage.h"

#include "app/ui/ActionGuard.h"
#include "app/ui/PageHost.h"
#include "app/ui/UiText.h"
#include "db/CDatabaseSession.h"
#include "resources/StringIds.h"
#include "ui_CEnvParamPage.h"

#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>

namespace qar::ui
{

CEnvParamPage::CEnvParamPage(QWidget* parent) : CAdminPage(parent), m_ui(std::make_unique<Ui::CEnvParamPage>())
{
    m_ui->setupUi(this);
    applyTextIds(this);

    PageHost* window = host();
    m_model = std::make_unique<CEnvParamModel>(window != nullptr ? &window->session().tableEnvParam() : nullptr);

    QTreeWidget* list = m_ui->paramsTreeWidget;
    list->setHeaderLabels({text(str::kEnvColumnName), text(str::kEnvColumnValue)});
    list->setColumnWidth(0, 200);
    list->setColumnWidth(1, 462);
    connect(list, &QTreeWidget::itemSelectionChanged, this, &CEnvParamPage::updateButtons);
    // Modify has nothing to change yet: parameters are maintained with the server's own tools, so the
    // button (and a double-click on a row) only follows the selection.
    connect(m_ui->refreshButton, &QPushButton::clicked, this, Guarded(this, &CEnvParamPage::refresh));
    updateButtons();
}

CEnvParamPage::~CEnvParamPage() = default;

void CEnvParamPage::refresh()
{
    if (m_model->refresh()) {
        showList();
    }
    updateButtons();
}

void CEnvParamPage::showList()
{
    QTreeWidget* list = m_ui->paramsTreeWidget;
    list->clear();
    QList<QTreeWidgetItem*> items;
    for (const EnvParamRow& row : m_model->rows()) {
        const QString value = row.valueTextId != 0 ? text(row.valueTextId) : fromAnsi(row.value);
        items << new QTreeWidgetItem(QStringList{fromAnsi(row.name), value});
    }
    list->addTopLevelItems(items);
}

void CEnvParamPage::updateButtons()
{
    m_ui->modifyButton->setEnabled(!m_ui->paramsTreeWidget->selectedItems().isEmpty());
}

EnvParamValues CEnvParamPage::valuesOf(const PageHost* window)
{
    return window != nullptr ? window->envParamValues() : EnvParamValues{};
}

} // namespace qar::ui
