#include "app/ui/CAdminPage.h"

#include "app/ui/CStatusLine.h"
#include "app/ui/PageHost.h"
#include "app/ui/UiText.h"
#include "platform/DiagnosticLog.h"

#include <exception>

namespace qar::ui
{

PageHost* CAdminPage::host() const
{
    return dynamic_cast<PageHost*>(parentWidget());
}

std::optional<std::string> CAdminPage::stampNow()
{
    try {
        return readStamp();
    } catch (const std::exception& e) {
        // The read that follows meets the same failure and reports it.
        LogDiagnostic(std::string("page change check failed: ") + e.what());
        return std::nullopt;
    }
}

void CAdminPage::noteRead()
{
    m_readStamp = stampNow();
}

void CAdminPage::showAgain()
{
    const std::optional<std::string> now = stampNow();
    if (now && m_readStamp && *now == *m_readStamp) {
        return;
    }
    readAgain();
}

void CAdminPage::showChange(const QString& text)
{
    m_lastChange = text;
    if (PageHost* window = host()) {
        window->statusLine()->showChange(text);
    }
}

void CAdminPage::showItemChange(int formatId, int kindId, std::int32_t number)
{
    showChange(formatText(formatId, {text(kindId), QString::number(number)}));
}

} // namespace qar::ui
