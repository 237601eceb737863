#include "catalog/ui/CWebsitePage.h"

#include "app/ui/UiText.h"
#include "ui_CWebsitePage.h"

namespace qar::ui
{

CWebsitePage::CWebsitePage(QWidget* parent) : CAdminPage(parent), m_ui(std::make_unique<Ui::CWebsitePage>())
{
    m_ui->setupUi(this);
    applyTextIds(this);
}

CWebsitePage::~CWebsitePage() = default;

} // namespace qar::ui
