#pragma once

#include "groups/GroupConfigFiles.h"

#include <QDialog>

#include <array>
#include <memory>

class QRadioButton;

namespace Ui
{
class CGroupFilesDlg;
}

namespace qar::ui
{

class Launcher;

/// "Set Group's Config File": per configuration file, whether the group uses its private copy or the
/// public one, and a way to open or edit either. OK moves the files; nothing changes before.
class CGroupFilesDlg : public QDialog
{
    Q_OBJECT

public:
    CGroupFilesDlg(std::int32_t group, Launcher& launcher, QWidget* parent = nullptr);
    ~CGroupFilesDlg() override;

    /// "Open File" and "Edit File" of one row.
    void openFile(int index, ConfigChoice row);
    void editFile(int index, ConfigChoice row);

public slots:
    void accept() override;

private:
    /// The row's file, or none after telling the administrator why there is none.
    std::optional<std::string> existingFile(int index, ConfigChoice row);

    std::unique_ptr<Ui::CGroupFilesDlg> m_ui;
    CGroupConfigFiles m_files;
    Launcher& m_launcher;
    std::array<QRadioButton*, kGroupConfigFileCount> m_private{};
    std::array<QRadioButton*, kGroupConfigFileCount> m_public{};
};

} // namespace qar::ui
