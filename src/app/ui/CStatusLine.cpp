#include "app/ui/CStatusLine.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QProgressBar>

#include <utility>

namespace qar::ui
{

namespace
{

QLabel* addLabel(QStatusBar* bar, const char* name, bool permanent)
{
    auto* label = new QLabel(bar);
    label->setObjectName(QString::fromLatin1(name));
    label->setContentsMargins(6, 0, 6, 0); // the parts stay apart on styles that draw no separator
    if (permanent) {
        bar->addPermanentWidget(label);
    } else {
        bar->addWidget(label, 1);
    }
    return label;
}

qint64 nowMs()
{
    static QElapsedTimer clock = [] {
        QElapsedTimer c;
        c.start();
        return c;
    }();
    return clock.elapsed();
}

} // namespace

CStatusLine::CStatusLine(QWidget* parent) : QStatusBar(parent)
{
    setObjectName(QStringLiteral("statusLine"));
    // The main window has its own size grip in the same corner.
    setSizeGripEnabled(false);
    m_change = addLabel(this, "changeStatusLabel", false);
    m_work = addLabel(this, "workStatusLabel", false);
    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("workProgressBar"));
    m_progress->setMaximumWidth(160);
    m_progress->setTextVisible(false);
    addWidget(m_progress);
    m_dataSource = addLabel(this, "dataSourceStatusLabel", true);
    m_server = addLabel(this, "serverStatusLabel", true);
    hideProgress();
}

void CStatusLine::setDataSource(const QString& text)
{
    m_dataSource->setText(text);
}

void CStatusLine::setServerState(const QString& text)
{
    m_server->setText(text);
}

void CStatusLine::showChange(const QString& text)
{
    m_change->setText(text);
    m_change->setToolTip(text);
}

QString CStatusLine::change() const
{
    return m_change->text();
}

void CStatusLine::showProgress(const QString& label, std::size_t done, std::size_t total)
{
    m_change->hide();
    m_work->setText(label);
    m_work->show();
    m_progress->setRange(0, total == 0 ? 0 : 1000);
    m_progress->setValue(
        total == 0 ? 0 : static_cast<int>(1000.0 * static_cast<double>(done) / static_cast<double>(total)));
    m_progress->show();
    repaint();
}

void CStatusLine::hideProgress()
{
    m_work->hide();
    m_progress->hide();
    m_change->show();
}

LongWork::LongWork(CStatusLine* line, QString label, int showAfterMs)
    : m_line(line), m_label(std::move(label)), m_showAfterMs(showAfterMs)
{}

LongWork::~LongWork()
{
    if (m_shown && m_line != nullptr) {
        m_line->hideProgress();
    }
    if (m_started >= 0) {
        QApplication::restoreOverrideCursor();
    }
}

void LongWork::progress(std::size_t done, std::size_t total)
{
    if (m_started < 0) {
        // The work starts with its first report, so a question asked before it (a delete's) is neither
        // timed nor shown a busy cursor. The cursor is set at once but reaches the screen only when the
        // window system hears of it: short work shows no flicker.
        m_started = nowMs();
        QApplication::setOverrideCursor(Qt::WaitCursor);
    }
    if (nowMs() - m_started < m_showAfterMs) {
        return;
    }
    if (m_line != nullptr) {
        m_line->showProgress(m_label, done, total);
    }
    if (!m_shown) {
        m_shown = true;
        // The event loop is held up: hand the cursor change to the window system now.
        QGuiApplication::sync();
    }
}

} // namespace qar::ui
