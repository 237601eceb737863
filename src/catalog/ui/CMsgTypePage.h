#pragma once

#include "app/ui/CAdminPage.h"

#include <memory>

namespace Ui
{
class CMsgTypePage;
}

namespace qar::ui
{

/// The transaction message types page.
class CMsgTypePage : public CAdminPage
{
    Q_OBJECT

public:
    explicit CMsgTypePage(QWidget* parent = nullptr);
    ~CMsgTypePage() override;

private:
    std::unique_ptr<Ui::CMsgTypePage> m_ui;
};

} // namespace qar::ui
