#pragma once

#include "catalog/AppCatalog.h"
#include "catalog/ui/CCatalogPage.h"

#include <memory>

namespace Ui
{
class CAppPage;
}

namespace qar::ui
{

/// The applications catalogue page: apps.xml as a list sorted by the text of the ID, with the hidden
/// login columns, and the application form for Add and Edit.
class CAppPage : public CCatalogPage
{
    Q_OBJECT

public:
    explicit CAppPage(QWidget* parent = nullptr);
    ~CAppPage() override;

    const CAppCatalog& catalog() const { return m_catalog; }

    void addEntry() override;
    void editEntry() override;
    void deleteEntry() override;

protected:
    void load() override;
    std::string catalogPath() const override { return m_catalog.path(); }

private:
    AppFormSetup formSetup(bool adding) const;
    bool accountMode() const;

    std::unique_ptr<Ui::CAppPage> m_ui;
    CAppCatalog m_catalog;
};

} // namespace qar::ui
