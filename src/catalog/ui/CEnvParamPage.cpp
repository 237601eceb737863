#include "catalog/ui/CEnvParamPage.h"

#include "app/ui/UiText.h"
#include "ui_CEnvParamPage.h"

namespace qar::ui
{

CEnvParamPage::CEnvParamPage(QWidget* parent) : CAdminPage(parent), m_ui(std::make_unique<Ui::CEnvParamPage>())
{
    m_ui->setupUi(this);
    applyTextIds(this);
}

CEnvParamPage::~CEnvParamPage() = default;

} // namespace qar::ui
