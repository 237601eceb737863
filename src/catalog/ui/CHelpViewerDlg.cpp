#include "catalog/ui/CHelpViewerDlg.h"

#include "app/ui/FormFit.h"
#include "app/ui/FormKeys.h"
#include "app/ui/UiText.h"
#include "catalog/HelpText.h"
#include "ui_CHelpViewerDlg.h"

#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTextCursor>

namespace qar::ui
{

CHelpViewerDlg::CHelpViewerDlg(QWidget* parent) : QDialog(parent), m_ui(std::make_unique<Ui::CHelpViewerDlg>())
{
    m_ui->setupUi(this);
    applyTextIds(this);
    connect(m_ui->closeButton, &QPushButton::clicked, this, &QDialog::accept);
    FitFormToScreen(this);
    SetUpFormKeys(this, TypedValues::Discard);
}

CHelpViewerDlg::~CHelpViewerDlg() = default;

void CHelpViewerDlg::setCaption(const QString& caption)
{
    if (!caption.isEmpty()) {
        setWindowTitle(caption);
    }
}

void CHelpViewerDlg::showFile(const std::string& path)
{
    // The text box ends its lines with CR LF; the Qt box takes a bare line feed for the same break.
    QString shown = fromAnsi(ReadHelpText(path));
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QPlainTextEdit* box = m_ui->helpPlainTextEdit;
    box->setPlainText(shown);
    box->moveCursor(QTextCursor::Start);
    box->ensureCursorVisible();
    box->verticalScrollBar()->setValue(0);
}

QString CHelpViewerDlg::text() const
{
    return m_ui->helpPlainTextEdit->toPlainText();
}

void ShowHelpFile(QWidget* parent, const std::string& path, const QString& caption)
{
    CHelpViewerDlg dialog(parent);
    dialog.setCaption(caption);
    dialog.showFile(path);
    dialog.exec();
}

} // namespace qar::ui
