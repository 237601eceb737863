#pragma once

#include <QDialog>

#include <memory>

namespace Ui
{
class CCheckDataDlg;
}

namespace qar
{
class CXDatabase;
}

namespace qar::ui
{

/// "Check data": what the units-and-users tree cannot show, one row a line, from the data check of
/// the import engine. Reads the database, changes nothing.
class CCheckDataDlg : public QDialog
{
    Q_OBJECT

public:
    CCheckDataDlg(CXDatabase& database, QWidget* parent = nullptr);
    ~CCheckDataDlg() override;

    QString report() const;

private:
    std::unique_ptr<Ui::CCheckDataDlg> m_ui;
};

} // namespace qar::ui
