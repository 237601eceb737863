#pragma once

#include "app/Corporation.h"

#include <QDialog>

#include <functional>
#include <memory>

namespace Ui
{
class CCorpDlg;
}

namespace qar::ui
{

/// The corporation or organisation name and website form: editing mode (OK and Cancel) from the main
/// window's Name button, set-up mode (one OK, no way out without both values) in the first run.
class CCorpDlg : public QDialog
{
    Q_OBJECT

public:
    explicit CCorpDlg(QWidget* parent = nullptr);
    ~CCorpDlg() override;

    void setCorporation(const CorporationInfo& info);
    /// The values of the fields as last accepted.
    const CorporationInfo& corporation() const { return m_info; }
    /// Editing mode: the administrator may leave without accepting.
    void setCancelAllowed(bool allowed) { m_cancelAllowed = allowed; }
    /// Accept at once, without confirmation, when the dialog opens.
    void setAutoAccept(bool autoAccept) { m_autoAccept = autoAccept; }
    /// Stores the accepted values before the form closes; false keeps it open with what was typed.
    void setCommit(std::function<bool(const CorporationInfo&)> commit) { m_commit = std::move(commit); }

    void accept() override;
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    std::unique_ptr<Ui::CCorpDlg> m_ui;
    CorporationInfo m_info{"", "http://"};
    bool m_cancelAllowed = false;
    bool m_autoAccept = false;
    std::function<bool(const CorporationInfo&)> m_commit;
};

/// Editing the corporation from the main window: pre-filled from EnvInfo.dat, written back on OK.
void EditCorporation(QWidget* parent);

/// The first-run question: the form in set-up mode; returns what was accepted.
CorporationInfo AskCorporationForSetup(QWidget* parent, const CorporationInfo& initial, bool autoAccept);

} // namespace qar::ui
