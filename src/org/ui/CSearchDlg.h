#pragma once

#include <QDialog>

#include <memory>

namespace Ui
{
class CSearchDlg;
}

namespace qar::ui
{

/// "Search unit or contacts": asks for the text to look for in the tree. OK with an empty text tells
/// the administrator so and stays open.
class CSearchDlg : public QDialog
{
    Q_OBJECT

public:
    explicit CSearchDlg(QWidget* parent = nullptr);
    ~CSearchDlg() override;

    QString input() const;

public slots:
    void accept() override;

private:
    std::unique_ptr<Ui::CSearchDlg> m_ui;
};

} // namespace qar::ui
