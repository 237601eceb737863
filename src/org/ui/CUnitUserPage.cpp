#include "org/ui/CUnitUserPage.h"

#include "app/ui/UiText.h"
#include "ui_CUnitUserPage.h"

namespace qar::ui
{

CUnitUserPage::CUnitUserPage(QWidget* parent) : CAdminPage(parent), m_ui(std::make_unique<Ui::CUnitUserPage>())
{
    m_ui->setupUi(this);
    applyTextIds(this);
}

CUnitUserPage::~CUnitUserPage() = default;

} // namespace qar::ui
