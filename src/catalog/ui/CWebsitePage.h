#pragma once

#include "catalog/WebsiteCatalog.h"
#include "catalog/ui/CCatalogPage.h"

#include <memory>

namespace Ui
{
class CWebsitePage;
}

namespace qar::ui
{

/// The embedded websites page: weburl.xml as a list sorted by the text of the ID, with the website form
/// for Add and Edit.
class CWebsitePage : public CCatalogPage
{
    Q_OBJECT

public:
    explicit CWebsitePage(QWidget* parent = nullptr);
    ~CWebsitePage() override;

    const CWebsiteCatalog& catalog() const { return m_catalog; }

    void addEntry() override;
    void editEntry() override;
    void deleteEntry() override;

protected:
    void load() override;
    std::string catalogPath() const override { return m_catalog.path(); }

private:
    std::unique_ptr<Ui::CWebsitePage> m_ui;
    CWebsiteCatalog m_catalog;
};

} // namespace qar::ui
