#include "groups/ui/CGroupPropDlg.h"

#include "app/ui/ActionGuard.h"
#include "app/ui/FormKeys.h"
#include "app/ui/MessageService.h"
#include "app/ui/ShellEvent.h"
#include "app/ui/UiText.h"
#include "controls/EditRules.h"
#include "controls/ui/DigitsOnlyEdit.h"
#include "resources/StringIds.h"
#include "ui_CGroupPropDlg.h"

#include <QAbstractTableModel>
#include <QComboBox>
#include <QDateEdit>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QScrollBar>
#include <QStyledItemDelegate>

namespace qar::ui
{

namespace
{

enum Column
{
    kCategory,
    kLabel,
    kValue,
    kKey,
    kColumns,
};
constexpr int kColumnWidths[kColumns] = {80, 110, 185, 0};
constexpr int kRowHeight = 22;

/// Rows 22 pixels high with grid lines, as the list shows its properties.
class GridDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        return {QStyledItemDelegate::sizeHint(option, index).width(), kRowHeight};
    }
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::paint(painter, option, index);
        painter->save();
        painter->setPen(option.palette.color(QPalette::Midlight));
        painter->drawLine(option.rect.bottomLeft(), option.rect.bottomRight());
        painter->drawLine(option.rect.topRight(), option.rect.bottomRight());
        painter->restore();
    }
};

} // namespace

/// The list's view of the core rows: texts are converted only for the rows on screen.
class PropertyTableModel : public QAbstractTableModel
{
public:
    PropertyTableModel(const PropertyListModel& rows, QObject* parent) : QAbstractTableModel(parent), m_rows(rows) {}

    int rowCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : m_rows.rowCount(); }
    int columnCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : kColumns; }
    QVariant data(const QModelIndex& index, int role) const override
    {
        if (role != Qt::DisplayRole || !index.isValid()) {
            return {};
        }
        const PropertyRow& r = m_rows.rows()[static_cast<std::size_t>(index.row())];
        switch (index.column()) {
        case kCategory:
            return fromAnsi(r.category);
        case kLabel:
            return fromAnsi(r.label);
        case kValue:
            return fromAnsi(r.value);
        default:
            return fromAnsi(r.key);
        }
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= kColumns) {
            return {};
        }
        return text(str::kGroupPropColumnCategory + section);
    }
    void valuesChanged(int first, int last) { emit dataChanged(index(first, kValue), index(last, kValue)); }

private:
    const PropertyListModel& m_rows;
};

CGroupPropDlg::CGroupPropDlg(CGroupData* values, const CGroupData* defaults, std::function<bool()> save,
                             QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::CGroupPropDlg>()),
      m_model(LoadPropertyDefinitions(PropertyDefinitionPath())), m_data(values), m_defaults(defaults),
      m_save(std::move(save))
{
    m_ui->setupUi(this);
    applyTextIds(this);
    if (values != nullptr) {
        m_model.fill(*values);
        if (values->group() != 0) {
            setWindowTitle(text(str::kGroupPropTitle) + QLatin1Char(' ') +
                           formatText(str::kGroupIdCaptionFormat, {QString::number(values->group())}));
        }
    }

    QTreeView* view = m_ui->propertyListView;
    m_table = new PropertyTableModel(m_model, this);
    view->setItemDelegate(new GridDelegate(view));
    view->setModel(m_table);
    for (int c = 0; c < kColumns; ++c) {
        view->setColumnWidth(c, kColumnWidths[c]);
    }
    view->setColumnHidden(kKey, true);
    view->installEventFilter(this);
    view->viewport()->installEventFilter(this);

    m_edit = new DigitsOnlyEdit(view->viewport());
    m_edit->setObjectName(QStringLiteral("valueEdit"));
    m_list = new QComboBox(view->viewport());
    m_list->setObjectName(QStringLiteral("valueListComboBox"));
    m_combo = new QComboBox(view->viewport());
    m_combo->setObjectName(QStringLiteral("valueComboBox"));
    m_combo->setEditable(true);
    m_date = new QDateEdit(QDate::currentDate(), view->viewport());
    m_date->setObjectName(QStringLiteral("valueDateEdit"));
    m_date->setCalendarPopup(true);
    m_date->setDisplayFormat(QStringLiteral("yyyy-M-d"));
    for (QWidget* editor : {static_cast<QWidget*>(m_edit), static_cast<QWidget*>(m_list),
                            static_cast<QWidget*>(m_combo), static_cast<QWidget*>(m_date)}) {
        editor->installEventFilter(this);
        editor->hide();
    }
    m_combo->lineEdit()->installEventFilter(this);

    for (QPushButton* b : findChildren<QPushButton*>()) {
        // Enter belongs to the list and its editors, never to a button.
        b->setAutoDefault(false);
        b->setDefault(false);
    }
    m_ui->addButton->hide();
    m_ui->defaultButton->setVisible(defaults != nullptr);
    connect(view, &QAbstractItemView::clicked, this, &CGroupPropDlg::onClicked);
    connect(m_ui->defaultButton, &QPushButton::clicked, this, [this] {
        commitEdit();
        m_model.applyDefaults(*m_defaults);
        m_table->valuesChanged(0, m_model.rowCount() - 1);
    });
    connect(m_ui->addButton, &QPushButton::clicked, this, Guarded(this, &CGroupPropDlg::addValues));
    connect(m_ui->okButton, &QPushButton::clicked, this, Guarded(this, &CGroupPropDlg::accept));
    connect(m_ui->cancelButton, &QPushButton::clicked, this, &QDialog::reject);

    if (m_model.rowCount() > PropertyListModel::kFirstPropertyRow) {
        view->setCurrentIndex(m_table->index(PropertyListModel::kFirstPropertyRow, kCategory));
    }
    view->setFocus();
    SetUpFormKeys(this);
}

CGroupPropDlg::~CGroupPropDlg() = default;

QTreeView* CGroupPropDlg::list() const
{
    return m_ui->propertyListView;
}

QWidget* CGroupPropDlg::visibleEditor() const
{
    for (QWidget* editor : {static_cast<QWidget*>(m_edit), static_cast<QWidget*>(m_list),
                            static_cast<QWidget*>(m_combo), static_cast<QWidget*>(m_date)}) {
        if (!editor->isHidden()) {
            return editor;
        }
    }
    return nullptr;
}

void CGroupPropDlg::hideEditors()
{
    m_list->hidePopup();
    m_combo->hidePopup();
    for (QWidget* editor : {static_cast<QWidget*>(m_edit), static_cast<QWidget*>(m_list),
                            static_cast<QWidget*>(m_combo), static_cast<QWidget*>(m_date)}) {
        editor->hide();
    }
}

void CGroupPropDlg::placeEditor(QWidget* editor)
{
    // The value cell, 185 pixels wide; a drop-down's list is a pop-up of its own here.
    const QRect cell = list()->visualRect(m_table->index(m_model.editingRow(), kValue));
    editor->setGeometry(cell.x(), cell.y(), kColumnWidths[kValue], cell.height());
}

void CGroupPropDlg::startEdit(int row)
{
    // What the edit box holds goes to its row; an open list, combo or date is dropped.
    if (visibleEditor() == m_edit) {
        commitEdit();
    }
    hideEditors();
    const std::optional<PropertyEditStart> start = m_model.startEdit(row);
    if (!start) {
        return;
    }
    list()->scrollTo(m_table->index(row, kValue));
    QWidget* editor = nullptr;
    switch (start->editor) {
    case PropertyEditor::Edit:
        m_edit->setDigitsOnly(start->digitsOnly);
        m_edit->setText(fromAnsi(start->value));
        m_edit->selectAll();
        editor = m_edit;
        break;
    case PropertyEditor::List:
    case PropertyEditor::Combo: {
        QComboBox* box = start->editor == PropertyEditor::List ? m_list : m_combo;
        box->clear();
        for (const std::string& choice : *start->choices) {
            box->addItem(fromAnsi(choice));
        }
        if (box == m_list) {
            box->setCurrentIndex(start->selectedChoice);
        } else {
            box->setEditText(fromAnsi(start->value));
        }
        editor = box;
        break;
    }
    case PropertyEditor::Date:
        if (start->date) {
            m_date->setDate(QDate(start->date->year, start->date->month, start->date->day));
        }
        editor = m_date;
        break;
    case PropertyEditor::None:
        return;
    }
    m_scrollAtEdit = list()->verticalScrollBar()->value();
    placeEditor(editor);
    editor->show();
    editor->setFocus();
    if (editor == m_list) {
        m_list->showPopup();
    }
}

void CGroupPropDlg::commitEdit()
{
    QWidget* editor = visibleEditor();
    const int row = m_model.editingRow();
    if (editor == nullptr || row < 0) {
        cancelEdit();
        return;
    }
    QString value;
    if (editor == m_edit) {
        value = m_edit->text();
    } else if (editor == m_combo) {
        value = m_combo->currentText();
    } else if (editor == m_list) {
        value = m_list->currentIndex() < 0 ? QString() : m_list->currentText();
    } else {
        const QDate d = m_date->date();
        value = fromAnsi(FormatPropertyDate({d.year(), d.month(), d.day()}));
    }
    m_model.commit(toAnsi(value));
    m_table->valuesChanged(row, row);
    hideEditors();
    list()->setFocus();
}

void CGroupPropDlg::cancelEdit()
{
    m_model.cancel();
    hideEditors();
    list()->setFocus();
}

void CGroupPropDlg::onClicked(const QModelIndex& index)
{
    if (m_clickCommitted) {
        m_clickCommitted = false;
        return;
    }
    if (index.isValid() && index.column() == kValue) {
        startEdit(index.row());
    } else {
        commitEdit();
    }
}

void CGroupPropDlg::pressEnterOnList()
{
    const QModelIndex current = list()->currentIndex();
    if (!current.isValid()) {
        return;
    }
    // Enter edits the selected row and moves the selection on, so that Enter, type, Enter walks down the
    // list. The move comes first: the editor is then placed where its row ends up.
    const int row = current.row();
    if (row + 1 < m_model.rowCount()) {
        list()->setCurrentIndex(m_table->index(row + 1, current.column()));
    }
    startEdit(row);
}

bool CGroupPropDlg::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonPress && watched == list()->viewport() && visibleEditor() != nullptr) {
        commitEdit();
        m_clickCommitted = true;
    } else if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        if (watched == list() && enter && visibleEditor() == nullptr) {
            pressEnterOnList();
            return true;
        }
        if (watched != list() && watched != list()->viewport() && (enter || key->key() == Qt::Key_Escape)) {
            if (enter) {
                commitEdit();
            } else {
                cancelEdit();
            }
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void CGroupPropDlg::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Escape:
        cancelEdit(); // never closes the form
        event->accept();
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        commitEdit();
        event->accept();
        return;
    default:
        QDialog::keyPressEvent(event);
    }
}

void CGroupPropDlg::customEvent(QEvent* event)
{
    if (event->type() == ShellEvent::typeFor(kMessageListScrolled)) {
        // The list moved under the editor. Notices of the scroll that placed the edit are queued
        // behind it; only a position other than the one the edit started at drops the edit.
        if (m_model.editingRow() >= 0 && list()->verticalScrollBar()->value() != m_scrollAtEdit) {
            cancelEdit();
        }
        return;
    }
    QDialog::customEvent(event);
}

void CGroupPropDlg::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    if (QWidget* editor = visibleEditor(); editor != nullptr && m_model.editingRow() >= 0) {
        placeEditor(editor);
    }
}

bool CGroupPropDlg::storeValues(bool save)
{
    commitEdit();
    const PropertyCheck check = m_model.check();
    if (check.messageId == str::kInputContentNull) {
        MessageService::instance().information(this, check.messageId);
        return false;
    }
    if (check.messageId != 0) {
        MessageService::instance().information(this, formatText(check.messageId, {fromAnsi(check.label)}));
        list()->setCurrentIndex(m_table->index(check.row, kCategory));
        return false;
    }
    if (m_data != nullptr) {
        m_model.storeInto(*m_data);
        if (save && m_save && !m_save()) {
            // Nothing is lost: the values stay on screen and OK can be pressed again.
            MessageService::instance().error(
                this, formatText(str::kGroupPropSaveFailedFormat, {fromAnsi(CGroupData::FilePath(m_data->group()))}));
            return false;
        }
        m_model.clearValues();
        m_table->valuesChanged(0, m_model.rowCount() - 1);
        if (m_model.rowCount() > PropertyListModel::kFirstPropertyRow) {
            list()->setCurrentIndex(m_table->index(PropertyListModel::kFirstPropertyRow, kCategory));
        }
    }
    return true;
}

void CGroupPropDlg::addValues()
{
    storeValues(false);
}

void CGroupPropDlg::accept()
{
    if (storeValues(true)) {
        QDialog::accept();
    }
}

} // namespace qar::ui
