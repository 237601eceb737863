#pragma once

#include "org/VirtualUnits.h"

#include <QDialog>

#include <memory>

namespace Ui
{
class CVirtualUnitsDlg;
class CAddVirtualUnitDlg;
} // namespace Ui

namespace qar::ui
{

/// "Set Virtual Units": the extra units a user is shown under, read from MUser.xml when the form opens
/// and written back on OK.
class CVirtualUnitsDlg : public QDialog
{
    Q_OBJECT

public:
    /// `unitNames`: every unit of the unit table, id to name; `path`: the multi-unit user file.
    CVirtualUnitsDlg(std::uint32_t userId, std::unordered_map<std::uint32_t, std::string> unitNames, std::string path,
                     QWidget* parent = nullptr);
    ~CVirtualUnitsDlg() override;

public slots:
    void accept() override;

private:
    void showEntries();
    void addUnit();
    void deleteUnit();

    std::unique_ptr<Ui::CVirtualUnitsDlg> m_ui;
    VirtualUnitsModel m_model;
    std::string m_path;
};

/// "Add virtual unit": one unit chosen from the unit table.
class CAddVirtualUnitDlg : public QDialog
{
    Q_OBJECT

public:
    explicit CAddVirtualUnitDlg(const std::vector<ComboEntry>& units, QWidget* parent = nullptr);
    ~CAddVirtualUnitDlg() override;

    /// The chosen unit, after OK.
    std::uint32_t unitId() const { return m_unitId; }

public slots:
    void accept() override;

private:
    std::unique_ptr<Ui::CAddVirtualUnitDlg> m_ui;
    std::uint32_t m_unitId = 0;
};

} // namespace qar::ui
