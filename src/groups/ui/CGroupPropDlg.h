#pragma once

#include "groups/PropertyListModel.h"

#include <QDialog>

#include <functional>
#include <memory>

class QComboBox;
class QDateEdit;
class QModelIndex;
class QTreeView;

namespace Ui
{
class CGroupPropDlg;
}

namespace qar::ui
{

class DigitsOnlyEdit;
class PropertyTableModel;

/// "Set Property": the property definitions as a two-level list, each value edited in place by the
/// editor its type asks for. Nothing is written before OK; Escape drops an open edit and never closes
/// the form; any vertical scroll of the list drops it too.
class CGroupPropDlg : public QDialog
{
    Q_OBJECT

public:
    /// `values` receives them on OK (may be null); `defaults` fills them on "&Default" (null hides
    /// the button). `save`, when given, writes `values` on OK: false keeps the form open with the values.
    CGroupPropDlg(CGroupData* values, const CGroupData* defaults, std::function<bool()> save = {},
                  QWidget* parent = nullptr);
    ~CGroupPropDlg() override;

    const PropertyListModel& model() const { return m_model; }
    QTreeView* list() const;
    /// The row edited in place, -1 when none.
    int editingRow() const { return m_model.editingRow(); }

    /// Starts editing `row` in place, as a click on its value does.
    void startEdit(int row);
    void commitEdit();
    void cancelEdit();
    /// The hidden "&Add": stores the values like OK and stays open.
    void addValues();

public slots:
    void accept() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void customEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    bool storeValues(bool save);
    void hideEditors();
    void placeEditor(QWidget* editor);
    QWidget* visibleEditor() const;
    void onClicked(const QModelIndex& index);
    void pressEnterOnList();

    std::unique_ptr<Ui::CGroupPropDlg> m_ui;
    PropertyListModel m_model;
    PropertyTableModel* m_table = nullptr;
    CGroupData* m_data;
    const CGroupData* m_defaults;
    std::function<bool()> m_save;
    DigitsOnlyEdit* m_edit = nullptr;
    QComboBox* m_list = nullptr;
    QComboBox* m_combo = nullptr;
    QDateEdit* m_date = nullptr;
    int m_scrollAtEdit = 0;        ///< the list's scroll position when the edit started
    bool m_clickCommitted = false; ///< the press of this click ended an edit: the click starts none
};

} // namespace qar::ui
