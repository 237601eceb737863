#include "app/ui/FileFailureMessage.h"

#include "app/FileFailureText.h"
#include "app/ui/MessageService.h"
#include "app/ui/UiText.h"
#include "platform/DiagnosticLog.h"
#include "resources/StringIds.h"

namespace qar::ui
{

namespace
{
void report(QWidget* parent, int messageId, const std::string& path, int error)
{
    const std::string cause = FileFailureCause(error);
    LogDiagnostic(path + " could not be written: " + cause);
    MessageService::instance().error(parent, formatText(messageId, {fromAnsi(path), fromAnsi(cause)}));
}
} // namespace

void ReportFileNotSaved(QWidget* parent, const std::string& path, int error)
{
    report(parent, str::kFileNotSaved, path, error);
}

void ReportUserRecordsNotSaved(QWidget* parent, const std::vector<FileFailure>& failures)
{
    for (const FileFailure& f : failures) {
        report(parent, str::kUserRecordsNotSaved, f.path, f.error);
    }
}

} // namespace qar::ui
