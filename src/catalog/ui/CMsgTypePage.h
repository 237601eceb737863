#pragma once

#include "catalog/MsgTypeCatalog.h"
#include "catalog/ui/CCatalogPage.h"

#include <memory>

namespace Ui
{
class CMsgTypePage;
}

namespace qar::ui
{

/// The transaction message types page: jobmsg.xml as a list sorted by the three-digit number, with the
/// message type form for Add and Modify.
class CMsgTypePage : public CCatalogPage
{
    Q_OBJECT

public:
    explicit CMsgTypePage(QWidget* parent = nullptr);
    ~CMsgTypePage() override;

    const CMsgTypeCatalog& catalog() const { return m_catalog; }

    void addEntry() override;
    void editEntry() override;
    void deleteEntry() override;

protected:
    void load() override;
    std::string catalogPath() const override { return m_catalog.path(); }

private:
    std::unique_ptr<Ui::CMsgTypePage> m_ui;
    CMsgTypeCatalog m_catalog;
};

} // namespace qar::ui
