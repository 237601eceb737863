#pragma once

#include "app/ui/CAdminPage.h"

#include <memory>

namespace Ui
{
class CEnvParamPage;
}

namespace qar::ui
{

/// The environment parameters page: never shown, it loads the parameters other forms use.
class CEnvParamPage : public CAdminPage
{
    Q_OBJECT

public:
    explicit CEnvParamPage(QWidget* parent = nullptr);
    ~CEnvParamPage() override;

private:
    std::unique_ptr<Ui::CEnvParamPage> m_ui;
};

} // namespace qar::ui
