#pragma once

#include "org/NetDisk.h"

#include <QDialog>

#include <memory>

namespace Ui
{
class CNetDiskDlg;
}

namespace qar::ui
{

/// "Set size of Net U-Disk": the system's default size, or a size of the user's own.
class CNetDiskDlg : public QDialog
{
    Q_OBJECT

public:
    CNetDiskDlg(std::uint16_t userMb, int defaultMb, QWidget* parent = nullptr);
    ~CNetDiskDlg() override;

    /// After OK: the user's size (0 for the default) and the default size, which OK has written to
    /// EnvInfo.dat when it changed (a file that cannot be written keeps the form open).
    const NetDiskChoice& choice() const { return m_choice; }

public slots:
    void accept() override;

private:
    void radioChanged();

    std::unique_ptr<Ui::CNetDiskDlg> m_ui;
    NetDiskChoice m_choice;
    int m_openedDefaultMb;
};

} // namespace qar::ui
