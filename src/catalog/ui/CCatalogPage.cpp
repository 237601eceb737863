#include "catalog/ui/CCatalogPage.h"

#include "app/ui/ActionGuard.h"
#include "app/ui/Launcher.h"
#include "app/ui/ListKeys.h"
#include "app/ui/MessageService.h"
#include "app/ui/UiText.h"
#include "platform/FileStamp.h"
#include "resources/StringIds.h"

#include <QHeaderView>
#include <QMenu>
#include <QPushButton>
#include <QTreeView>

namespace qar::ui
{

CCatalogPage::CCatalogPage(QWidget* parent) : CAdminPage(parent) {}

CCatalogPage::~CCatalogPage() = default;

void CCatalogPage::setUpList(const ListWidgets& widgets, const QList<int>& headerIds, const QList<int>& widths,
                             bool multiSelect, CatalogListModel::RowCount rows, CatalogListModel::CellText cell)
{
    m_widgets = widgets;
    QStringList headers;
    for (int id : headerIds) {
        headers << (id != 0 ? text(id) : QString());
    }
    m_model = new CatalogListModel(headers, std::move(rows), std::move(cell), this);
    QTreeView* view = m_widgets.view;
    view->setModel(m_model);
    view->setSelectionMode(multiSelect ? QAbstractItemView::ExtendedSelection : QAbstractItemView::SingleSelection);
    // Fixed widths: measuring the contents of every row would cost more than the rows themselves. The
    // last column takes what room is left, so the list reaches the edge of the page.
    view->header()->setStretchLastSection(true);
    view->header()->setSectionResizeMode(QHeaderView::Interactive);
    for (int column = 0; column < widths.size(); ++column) {
        view->setColumnWidth(column, widths[column]);
        view->setColumnHidden(column, widths[column] == 0);
    }

    connect(m_widgets.add, &QPushButton::clicked, this, Guarded(this, [this] { addEntry(); }));
    connect(m_widgets.edit, &QPushButton::clicked, this, Guarded(this, [this] { editEntry(); }));
    connect(m_widgets.remove, &QPushButton::clicked, this, Guarded(this, [this] { deleteEntry(); }));
    connect(m_widgets.refresh, &QPushButton::clicked, this, Guarded(this, &CCatalogPage::refresh));
    connect(view, &QTreeView::doubleClicked, this, Guarded(this, [this] { editEntry(); }));
    BindListKeys(view, this, &CCatalogPage::editEntry, &CCatalogPage::deleteEntry);
    connect(view->selectionModel(), &QItemSelectionModel::selectionChanged, this, &CCatalogPage::updateButtons);
    connect(view, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        QMenu* menu = createContextMenu();
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->popup(m_widgets.view->viewport()->mapToGlobal(at));
    });
    updateButtons();
}

std::optional<std::string> CCatalogPage::readStamp()
{
    return ReadFileStamp({catalogPath()});
}

void CCatalogPage::refresh()
{
    noteRead();
    const std::optional<std::size_t> selected = firstSelectedRow();
    const QString key = selected ? m_model->index(static_cast<int>(*selected), 0).data().toString() : QString();
    load();
    m_model->reload();
    if (selected) {
        for (int row = 0; row < m_model->rowCount(); ++row) {
            if (m_model->index(row, 0).data().toString() == key) {
                selectRow(static_cast<std::size_t>(row));
                break;
            }
        }
    }
    updateButtons();
}

void CCatalogPage::showRows(std::optional<std::size_t> select)
{
    m_model->reload();
    if (select && *select < static_cast<std::size_t>(m_model->rowCount())) {
        selectRow(*select);
    }
    updateButtons();
}

std::optional<std::size_t> CCatalogPage::firstSelectedRow() const
{
    const QModelIndexList rows = m_widgets.view->selectionModel()->selectedRows();
    std::optional<std::size_t> first;
    for (const QModelIndex& index : rows) {
        const auto row = static_cast<std::size_t>(index.row());
        if (!first || row < *first) {
            first = row;
        }
    }
    return first;
}

void CCatalogPage::selectRow(std::size_t row)
{
    const QModelIndex index = m_model->index(static_cast<int>(row), 0);
    m_widgets.view->selectionModel()->setCurrentIndex(index,
                                                      QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    m_widgets.view->scrollTo(index);
}

QMenu* CCatalogPage::createContextMenu()
{
    auto* menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("catalogContextMenu"));
    const bool selected = firstSelectedRow().has_value();
    connect(menu->addAction(text(str::kCatalogMenuAdd)), &QAction::triggered, this,
            Guarded(this, [this] { addEntry(); }));
    menu->addSeparator();
    QAction* edit = menu->addAction(text(str::kCatalogMenuEdit));
    edit->setEnabled(selected);
    connect(edit, &QAction::triggered, this, Guarded(this, [this] { editEntry(); }));
    menu->addSeparator();
    QAction* remove = menu->addAction(text(str::kCatalogMenuDelete));
    remove->setEnabled(selected);
    connect(remove, &QAction::triggered, this, Guarded(this, [this] { deleteEntry(); }));
    return menu;
}

bool CCatalogPage::confirmDelete(std::size_t row)
{
    const auto cell = [this, row](int column) {
        return m_model->index(static_cast<int>(row), column).data().toString();
    };
    return MessageService::instance().confirmDelete(this, str::kConfirmDeleteItem, cell(1), cell(0));
}

void CCatalogPage::reportFileFailure(int messageId, const std::string& path)
{
    MessageService::instance().error(this, formatText(messageId, {fromAnsi(path)}));
}

Launcher& CCatalogPage::launcher()
{
    static DesktopLauncher desktop;
    return m_launcher != nullptr ? *m_launcher : desktop;
}

void CCatalogPage::updateButtons()
{
    const bool selected = m_widgets.view->selectionModel()->hasSelection();
    m_widgets.edit->setEnabled(selected);
    m_widgets.remove->setEnabled(selected);
}

} // namespace qar::ui
