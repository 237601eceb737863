#pragma once

#include "app/ui/CAdminPage.h"

#include <memory>

namespace Ui
{
class CRolePage;
}

namespace qar::ui
{

/// The roles page.
class CRolePage : public CAdminPage
{
    Q_OBJECT

public:
    explicit CRolePage(QWidget* parent = nullptr);
    ~CRolePage() override;

private:
    std::unique_ptr<Ui::CRolePage> m_ui;
};

} // namespace qar::ui
