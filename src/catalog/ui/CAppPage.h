#pragma once

#include "app/ui/CAdminPage.h"

#include <memory>

namespace Ui
{
class CAppPage;
}

namespace qar::ui
{

/// The applications catalogue page.
class CAppPage : public CAdminPage
{
    Q_OBJECT

public:
    explicit CAppPage(QWidget* parent = nullptr);
    ~CAppPage() override;

private:
    std::unique_ptr<Ui::CAppPage> m_ui;
};

} // namespace qar::ui
