#pragma once

#include "catalog/WebsiteCatalog.h"

#include <QDialog>

#include <functional>
#include <memory>

namespace Ui
{
class CWebsiteEditDlg;
}

namespace qar::ui
{

/// The website form ("Add or Modify Website:"): ID, name, address and the site's icon, copied at once
/// when chosen.
class CWebsiteEditDlg : public QDialog
{
    Q_OBJECT

public:
    /// Called with the checked entry on OK; false keeps the form open with everything typed.
    using Commit = std::function<bool(const WebsiteEntry&)>;

    CWebsiteEditDlg(const WebsiteFormModel& model, const WebsiteEntry& entry, QWidget* parent = nullptr);
    ~CWebsiteEditDlg() override;

    void setCommit(Commit commit) { m_commit = std::move(commit); }
    WebsiteForm fields() const;
    const WebsiteEntry& entry() const { return m_entry; }
    /// The icon file of the ID the form was opened with.
    const std::string& iconPath() const { return m_iconPath; }

public slots:
    void accept() override;

private:
    void showError(const CatalogFormError<WebsiteField>& error);
    void setIcon();

    std::unique_ptr<Ui::CWebsiteEditDlg> m_ui;
    const WebsiteFormModel& m_model;
    Commit m_commit;
    std::string m_iconPath;
    WebsiteEntry m_entry;
};

} // namespace qar::ui
