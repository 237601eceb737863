#include "app/ui/CAdminPage.h"

#include "app/ui/CMainDlg.h"
#include "app/ui/CStatusLine.h"
#include "app/ui/UiText.h"

namespace qar::ui
{

CMainDlg* CAdminPage::mainDlg() const
{
    return qobject_cast<CMainDlg*>(parentWidget());
}

void CAdminPage::showChange(const QString& text)
{
    m_lastChange = text;
    if (CMainDlg* window = mainDlg()) {
        window->statusLine()->showChange(text);
    }
}

void CAdminPage::showItemChange(int formatId, int kindId, std::int32_t number)
{
    showChange(formatText(formatId, {text(kindId), QString::number(number)}));
}

} // namespace qar::ui
