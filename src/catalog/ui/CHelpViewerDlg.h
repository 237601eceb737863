#pragma once

#include <QDialog>

#include <memory>
#include <string>

namespace Ui
{
class CHelpViewerDlg;
}

namespace qar::ui
{

/// The help viewer (form 152): a text file shown read-only, with the caret at its beginning.
class CHelpViewerDlg : public QDialog
{
    Q_OBJECT

public:
    explicit CHelpViewerDlg(QWidget* parent = nullptr);
    ~CHelpViewerDlg() override;

    /// A non-empty caption replaces "Help".
    void setCaption(const QString& caption);
    /// Shows the text of the file at `path` (bytes in the ANSI code page); a missing file shows nothing.
    void showFile(const std::string& path);
    /// The text as shown.
    QString text() const;

private:
    std::unique_ptr<Ui::CHelpViewerDlg> m_ui;
};

/// Shows a help text file modally, e.g. ProgramPath("\\Help_Power.txt"), with an optional caption.
void ShowHelpFile(QWidget* parent, const std::string& path, const QString& caption = {});

} // namespace qar::ui
