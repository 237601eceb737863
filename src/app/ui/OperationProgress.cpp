#include "app/ui/OperationProgress.h"

#include "app/ui/UiText.h"
#include "resources/StringIds.h"

#include <QCoreApplication>
#include <QProgressDialog>

#include <algorithm>
#include <climits>

namespace qar::ui
{

namespace
{

int g_showAfterMs = 1000;
// Paint events are let through this often, so the window redraws while the write runs.
constexpr qint64 kPaintEveryMs = 40;

int clampToInt(std::size_t value)
{
    return static_cast<int>(std::min<std::size_t>(value, INT_MAX));
}

} // namespace

void OperationProgress::setShowAfterForTesting(int milliseconds)
{
    g_showAfterMs = milliseconds;
}

OperationProgress::OperationProgress(QWidget* parent, const QString& label) : m_parent(parent), m_label(label)
{
    m_clock.start();
}

OperationProgress::~OperationProgress() = default;

void OperationProgress::report(std::size_t done, std::size_t total)
{
    const qint64 elapsed = m_clock.elapsed();
    if (!m_dialog && elapsed >= g_showAfterMs) {
        m_dialog = std::make_unique<QProgressDialog>(m_label, QString(), 0, 1, m_parent);
        m_dialog->setObjectName(QStringLiteral("operationProgressDialog"));
        m_dialog->setWindowTitle(text(str::kAppTitle));
        m_dialog->setWindowModality(Qt::WindowModal);
        m_dialog->setCancelButton(nullptr);
        m_dialog->setMinimumDuration(0);
        m_dialog->setAutoClose(false);
        m_dialog->setAutoReset(false);
        m_dialog->show();
    }
    if (m_dialog) {
        m_dialog->setMaximum(clampToInt(std::max<std::size_t>(total, 1)));
        m_dialog->setValue(clampToInt(std::min(done, total)));
    }
    if (elapsed - m_lastPaint >= kPaintEveryMs || m_dialog) {
        m_lastPaint = elapsed;
        // Timers and paint events run; clicks and keys wait for the end of the write.
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
}

} // namespace qar::ui
