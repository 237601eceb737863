#pragma once

#include "app/ui/CAdminPage.h"

#include <memory>

namespace Ui
{
class CUnitUserPage;
}

namespace qar::ui
{

/// The units-and-users page.
class CUnitUserPage : public CAdminPage
{
    Q_OBJECT

public:
    explicit CUnitUserPage(QWidget* parent = nullptr);
    ~CUnitUserPage() override;

private:
    std::unique_ptr<Ui::CUnitUserPage> m_ui;
};

} // namespace qar::ui
