#include "intake/IntakeReport.h"

#include "resources/StringIds.h"
#include "resources/StringTable.h"

namespace qar
{

std::string IntakeText(int id, const std::vector<std::string>& args)
{
    const std::string format = LoadAnsiString(id);
    std::string out;
    out.reserve(format.size() + 32);
    std::size_t next = 0;
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] == '%' && i + 1 < format.size() && (format[i + 1] == 's' || format[i + 1] == 'd')) {
            if (next < args.size()) {
                out += args[next];
            }
            ++next;
            ++i;
        } else {
            out += format[i];
        }
    }
    return out;
}

std::string IntakeProblemText(const IntakeProblem& problem)
{
    const std::string reason = IntakeText(problem.messageId, problem.args);
    if (problem.line == 0) {
        return IntakeText(str::kIntakeReportFileLine, {problem.source, reason});
    }
    return IntakeText(str::kIntakeReportLine, {problem.source, std::to_string(problem.line),
                                               problem.column.empty() ? "-" : problem.column, reason});
}

} // namespace qar
