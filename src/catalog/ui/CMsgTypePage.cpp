#include "catalog/ui/CMsgTypePage.h"

#include "app/ui/UiText.h"
#include "ui_CMsgTypePage.h"

namespace qar::ui
{

CMsgTypePage::CMsgTypePage(QWidget* parent) : CAdminPage(parent), m_ui(std::make_unique<Ui::CMsgTypePage>())
{
    m_ui->setupUi(this);
    applyTextIds(this);
}

CMsgTypePage::~CMsgTypePage() = default;

} // namespace qar::ui
