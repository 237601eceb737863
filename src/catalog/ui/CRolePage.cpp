#include "catalog/ui/CRolePage.h"

#include "app/ui/UiText.h"
#include "ui_CRolePage.h"

namespace qar::ui
{

CRolePage::CRolePage(QWidget* parent) : CAdminPage(parent), m_ui(std::make_unique<Ui::CRolePage>())
{
    m_ui->setupUi(this);
    applyTextIds(this);
}

CRolePage::~CRolePage() = default;

} // namespace qar::ui
