#pragma once

#include <QDialog>

#include <memory>

namespace Ui
{
class CSignDomainDlg;
}

namespace qar::ui
{

/// "Set the Domain for Sign": the user's Windows domain account and the domain everyone signs on with.
class CSignDomainDlg : public QDialog
{
    Q_OBJECT

public:
    CSignDomainDlg(const QString& userName, const QString& domain, QWidget* parent = nullptr);
    ~CSignDomainDlg() override;

    QString userName() const;
    QString domain() const;

private:
    std::unique_ptr<Ui::CSignDomainDlg> m_ui;
};

} // namespace qar::ui
