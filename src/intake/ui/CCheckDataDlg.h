#pragma once

#include <QDialog>

#include <cstdint>
#include <memory>
#include <optional>

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

/// "Check data": what the units-and-users tree cannot show, the records kept for users who do not exist
/// and the rows the editors would refuse, one a line, from the data check of the import engine. Reads
/// the database and the user files, changes nothing. A group manager's check covers the group alone.
class CCheckDataDlg : public QDialog
{
    Q_OBJECT

public:
    CCheckDataDlg(CXDatabase& database, std::optional<std::int32_t> group, QWidget* parent = nullptr);
    ~CCheckDataDlg() override;

    QString report() const;

private:
    std::unique_ptr<Ui::CCheckDataDlg> m_ui;
};

} // namespace qar::ui
