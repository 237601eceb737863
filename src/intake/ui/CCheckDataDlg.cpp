#include "intake/ui/CCheckDataDlg.h"

#include "app/ui/ActionGuard.h"
#include "app/ui/FormKeys.h"
#include "app/ui/UiText.h"
#include "db/OdbcError.h"
#include "intake/IntakeReport.h"
#include "intake/OrgCheck.h"
#include "resources/StringIds.h"
#include "ui_CCheckDataDlg.h"

namespace qar::ui
{

CCheckDataDlg::CCheckDataDlg(CXDatabase& database, std::optional<std::int32_t> group, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::CCheckDataDlg>())
{
    m_ui->setupUi(this);
    applyTextIds(this);
    connect(m_ui->closeButton, &QPushButton::clicked, this, Guarded(this, &CCheckDataDlg::accept));
    try {
        const std::vector<CheckFinding> findings = CheckOrgData(ReadOrgData(database), EditorCheckOptions(group));
        QStringList lines;
        for (const std::string& line : CheckReportLines(findings)) {
            lines << fromAnsi(line);
        }
        m_ui->reportPlainTextEdit->setPlainText(lines.join(QLatin1Char('\n')));
        m_ui->summaryLabel->setText(findings.empty()
                                        ? text(str::kCheckClean)
                                        : formatText(str::kCheckSummary, {QString::number(findings.size())}));
    } catch (const DbError&) {
        m_ui->summaryLabel->setText(text(str::kUnableToOpenDb));
    }
    SetUpFormKeys(this, TypedValues::Discard);
}

CCheckDataDlg::~CCheckDataDlg() = default;

QString CCheckDataDlg::report() const
{
    return m_ui->reportPlainTextEdit->toPlainText();
}

} // namespace qar::ui
