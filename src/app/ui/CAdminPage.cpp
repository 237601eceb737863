#include "app/ui/CAdminPage.h"

#include "app/ui/CMainDlg.h"

namespace qar::ui
{

CMainDlg* CAdminPage::mainDlg() const
{
    return qobject_cast<CMainDlg*>(parentWidget());
}

} // namespace qar::ui
