#include "catalog/ui/CAppPage.h"

#include "app/ui/UiText.h"
#include "ui_CAppPage.h"

namespace qar::ui
{

CAppPage::CAppPage(QWidget* parent) : CAdminPage(parent), m_ui(std::make_unique<Ui::CAppPage>())
{
    m_ui->setupUi(this);
    applyTextIds(this);
}

CAppPage::~CAppPage() = default;

} // namespace qar::ui
