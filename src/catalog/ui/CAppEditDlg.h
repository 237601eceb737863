#pragma once

#include "catalog/AppCatalog.h"

#include <QDialog>

#include <functional>
#include <memory>
#include <optional>

namespace Ui
{
class CAppEditDlg;
}

namespace qar::ui
{

class Launcher;

/// The application form ("Add or Modify Application:"). Its first values, enabling rules and checks are
/// the core form model's; the form shows them, keeps the administrator's entries and copies a chosen
/// icon at once.
class CAppEditDlg : public QDialog
{
    Q_OBJECT

public:
    /// Called with the checked entry on OK; false keeps the form open with everything typed (the
    /// caller has told the administrator why).
    using Commit = std::function<bool(const AppEntry&)>;

    /// `accountMode` shows the unitive account box.
    CAppEditDlg(const AppFormModel& model, const AppEntry& entry, bool accountMode, Launcher& launcher,
                QWidget* parent = nullptr);
    ~CAppEditDlg() override;

    void setCommit(Commit commit) { m_commit = std::move(commit); }
    /// What the fields hold now.
    AppForm fields() const;
    /// The checked entry, after OK.
    const AppEntry& entry() const { return m_entry; }
    /// The icon file of the ID the form was opened with.
    const std::string& iconPath() const { return m_iconPath; }

public slots:
    void accept() override;

private:
    void load(const AppForm& form);
    void applyRules(std::optional<AppBox> clicked);
    void showError(const CatalogFormError<AppField>& error);
    void setIcon();
    void openHelp();

    std::unique_ptr<Ui::CAppEditDlg> m_ui;
    const AppFormModel& m_model;
    Launcher& m_launcher;
    Commit m_commit;
    std::string m_iconPath;
    AppEntry m_entry;
    bool m_loading = false;
};

} // namespace qar::ui
