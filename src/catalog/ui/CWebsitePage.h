#pragma once

#include "app/ui/CAdminPage.h"

#include <memory>

namespace Ui
{
class CWebsitePage;
}

namespace qar::ui
{

/// The embedded websites page.
class CWebsitePage : public CAdminPage
{
    Q_OBJECT

public:
    explicit CWebsitePage(QWidget* parent = nullptr);
    ~CWebsitePage() override;

private:
    std::unique_ptr<Ui::CWebsitePage> m_ui;
};

} // namespace qar::ui
