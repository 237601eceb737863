#include "org/ui/COrgFindBar.h"

#include "app/ui/UiText.h"
#include "resources/StringIds.h"
#include "ui_COrgFindBar.h"

#include <QKeyEvent>
#include <QStyle>

namespace qar::ui
{

COrgFindBar::COrgFindBar(QWidget* parent) : QWidget(parent), m_ui(std::make_unique<Ui::COrgFindBar>())
{
    m_ui->setupUi(this);
    applyTextIds(this);
    m_ui->findToolButton->setIcon(QIcon(QStringLiteral(":/icons/find-16.png")));
    m_ui->findToolButton->setToolTip(text(str::kFindButtonTip));
    m_ui->findLineEdit->setPlaceholderText(text(str::kFindPlaceholder));
    m_ui->previousToolButton->setToolTip(text(str::kFindPreviousTip));
    m_ui->nextToolButton->setToolTip(text(str::kFindNextTip));
    m_ui->closeToolButton->setIcon(style()->standardIcon(QStyle::SP_TitleBarCloseButton));
    m_ui->closeToolButton->setToolTip(text(str::kFindCloseTip));
    m_ui->findLineEdit->installEventFilter(this);
    setFieldsVisible(false);

    connect(m_ui->findToolButton, &QToolButton::clicked, this, [this](bool on) {
        if (on) {
            activate();
        } else {
            deactivate();
            emit closed();
        }
    });
    connect(m_ui->findLineEdit, &QLineEdit::textChanged, this, &COrgFindBar::queryChanged);
    connect(m_ui->nextToolButton, &QToolButton::clicked, this, &COrgFindBar::nextRequested);
    connect(m_ui->previousToolButton, &QToolButton::clicked, this, &COrgFindBar::previousRequested);
    connect(m_ui->closeToolButton, &QToolButton::clicked, this, [this] {
        deactivate();
        emit closed();
    });
}

COrgFindBar::~COrgFindBar() = default;

void COrgFindBar::setFieldsVisible(bool visible)
{
    for (QWidget* w : {static_cast<QWidget*>(m_ui->findLineEdit), static_cast<QWidget*>(m_ui->matchLabel),
                       static_cast<QWidget*>(m_ui->previousToolButton), static_cast<QWidget*>(m_ui->nextToolButton),
                       static_cast<QWidget*>(m_ui->closeToolButton)}) {
        w->setVisible(visible);
    }
    m_ui->findToolButton->setChecked(visible);
}

void COrgFindBar::activate()
{
    const bool opening = !isActive();
    setFieldsVisible(true);
    m_ui->findLineEdit->setFocus(Qt::ShortcutFocusReason);
    m_ui->findLineEdit->selectAll();
    if (opening) {
        emit opened();
    }
}

void COrgFindBar::deactivate()
{
    setFieldsVisible(false);
}

bool COrgFindBar::isActive() const
{
    return m_ui->findToolButton->isChecked();
}

QString COrgFindBar::query() const
{
    return m_ui->findLineEdit->text();
}

void COrgFindBar::showResult(std::size_t count, std::size_t ordinal)
{
    const bool missed = count == 0 && !query().trimmed().isEmpty();
    if (count > 0 && ordinal > 0) {
        m_ui->matchLabel->setText(
            formatText(str::kFindCountFormat, {QString::number(ordinal), QString::number(count)}));
    } else if (count > 0) {
        m_ui->matchLabel->setText(formatText(str::kFindCountOnlyFormat, {QString::number(count)}));
    } else {
        m_ui->matchLabel->setText(missed ? text(str::kFindNoMatch) : QString());
    }
    // A text that finds nothing is tinted, as find bars do, so it is seen without reading the count.
    if (missed) {
        QPalette palette = m_ui->findLineEdit->palette();
        palette.setColor(QPalette::Base, QColor(0xff, 0xdd, 0xdd));
        m_ui->findLineEdit->setPalette(palette);
    } else {
        m_ui->findLineEdit->setPalette(QPalette());
    }
}

bool COrgFindBar::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_ui->findLineEdit && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        switch (key->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (key->modifiers() & Qt::ShiftModifier) {
                emit previousRequested();
            } else {
                emit nextRequested();
            }
            return true;
        case Qt::Key_Escape:
            deactivate();
            emit closed();
            return true;
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace qar::ui
