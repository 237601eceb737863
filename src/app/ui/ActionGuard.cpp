#include "app/ui/ActionGuard.h"

#include "app/ui/MessageService.h"
#include "app/ui/UiText.h"
#include "platform/DiagnosticLog.h"
#include "resources/StringIds.h"

#include <exception>
#include <string>

namespace qar::ui
{

bool RunGuarded(QWidget* parent, const std::function<void()>& action) noexcept
{
    std::string cause;
    try {
        action();
        return true;
    } catch (const std::exception& e) {
        cause = e.what();
    } catch (...) {
        cause = "a failure without a description";
    }
    // Whatever the action did before it failed stays as it is; the administrator hears of it and the tool
    // goes on, as after any failed operation.
    LogDiagnostic("An action ended on a failure nothing expected: " + cause);
    try {
        MessageService::instance().error(parent, str::kOperationFailed, fromAnsi(cause));
    } catch (...) {
        // Not even the message could be shown: the log holds the cause.
    }
    return false;
}

} // namespace qar::ui
