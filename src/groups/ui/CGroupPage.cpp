#include "groups/ui/CGroupPage.h"

#include "app/ui/UiText.h"
#include "ui_CGroupPage.h"

namespace qar::ui
{

CGroupPage::CGroupPage(QWidget* parent) : CAdminPage(parent), m_ui(std::make_unique<Ui::CGroupPage>())
{
    m_ui->setupUi(this);
    applyTextIds(this);
}

CGroupPage::~CGroupPage() = default;

} // namespace qar::ui
