#pragma once

#include "app/ui/CAdminPage.h"

#include <memory>

namespace Ui
{
class CGroupPage;
}

namespace qar::ui
{

/// The groups page.
class CGroupPage : public CAdminPage
{
    Q_OBJECT

public:
    explicit CGroupPage(QWidget* parent = nullptr);
    ~CGroupPage() override;

private:
    std::unique_ptr<Ui::CGroupPage> m_ui;
};

} // namespace qar::ui
