#include "app/ui/MessageService.h"

#include "app/ui/UiText.h"
#include "resources/StringIds.h"

#include <QEvent>
#include <QFileDialog>
#include <QFontMetrics>
#include <QGridLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QTextEdit>

namespace qar::ui
{

namespace
{

QMessageBox::Icon iconFor(Severity severity)
{
    switch (severity) {
    case Severity::Information:
        return QMessageBox::Information;
    case Severity::Question:
        return QMessageBox::Question;
    case Severity::Warning:
    case Severity::Error:
        // A refused entry or a failed write is something to put right, not a crash: the warning sign.
        return QMessageBox::Warning;
    }
    return QMessageBox::NoIcon;
}

struct ButtonSpec
{
    QMessageBox::StandardButton button;
    Answer answer;
    int textId;
};

QList<ButtonSpec> buttonsFor(Buttons buttons)
{
    const ButtonSpec ok{QMessageBox::Ok, Answer::Ok, str::kOk};
    const ButtonSpec cancel{QMessageBox::Cancel, Answer::Cancel, str::kCancel};
    const ButtonSpec yes{QMessageBox::Yes, Answer::Yes, str::kYes};
    const ButtonSpec no{QMessageBox::No, Answer::No, str::kNo};
    switch (buttons) {
    case Buttons::Ok:
        return {ok};
    case Buttons::OkCancel:
        return {ok, cancel};
    case Buttons::YesNo:
        return {yes, no};
    case Buttons::YesNoCancel:
        return {yes, no, cancel};
    }
    return {ok};
}

/// Keeps the tool's words on the box's Details button. Qt relabels the button with its own texts each time
/// it is pressed, before it shows or hides the details: the label follows the details' own showing and
/// hiding, which come after Qt's relabelling.
class DetailsLabel : public QObject
{
public:
    DetailsLabel(QAbstractButton* button, QWidget* details) : QObject(button), m_button(button)
    {
        details->installEventFilter(this);
        m_button->setText(text(details->isVisible() ? str::kHideDetails : str::kShowDetails));
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show || event->type() == QEvent::Hide) {
            m_button->setText(text(event->type() == QEvent::Show ? str::kHideDetails : str::kShowDetails));
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QAbstractButton* m_button;
};

void labelDetailsButton(QMessageBox& box)
{
    auto* details = box.findChild<QTextEdit*>();
    for (QAbstractButton* button : box.buttons()) {
        if (box.buttonRole(button) == QMessageBox::ActionRole && details != nullptr) {
            button->setObjectName(QStringLiteral("detailsButton"));
            new DetailsLabel(button, details);
        }
    }
}

/// Room a title bar takes besides its text: the window icon, the buttons, the margins.
constexpr int kTitleBarExtras = 160;

/// Widens a box to its caption: sized to a short text, the window manager would cut the title short.
void fitTitle(QMessageBox& box)
{
    QFont font = box.font();
    font.setBold(true); // title bars are commonly bold
    const int wanted = QFontMetrics(font).horizontalAdvance(box.windowTitle()) + kTitleBarExtras;
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
        grid->addItem(new QSpacerItem(wanted, 0, QSizePolicy::Minimum, QSizePolicy::Fixed), grid->rowCount(), 0, 1,
                      grid->columnCount());
    }
}

} // namespace

MessageService& MessageService::instance()
{
    static MessageService service;
    return service;
}

Answer MessageService::show(QWidget* parent, Severity severity, const QString& message, Buttons buttons,
                            const QString& details, const QString& informative)
{
    QMessageBox box(iconFor(severity), text(str::kAppTitle), message, QMessageBox::NoButton, parent);
    box.setInformativeText(informative);
    const QList<ButtonSpec> specs = buttonsFor(buttons);
    for (const ButtonSpec& choice : specs) {
        box.addButton(choice.button)->setText(text(choice.textId));
    }
    box.setDefaultButton(specs.front().button);
    fitTitle(box);
    if (!details.isEmpty()) {
        box.setDetailedText(details);
        labelDetailsButton(box);
    }

    Answer answer = specs.front().answer;
    if (m_headless) {
        if (!m_answers.empty()) {
            answer = m_answers.front();
            m_answers.pop_front();
        }
    } else {
        box.exec();
        // Closing the box with Escape or its close button counts as its last (cancelling) button.
        answer = specs.back().answer;
        for (const ButtonSpec& choice : specs) {
            if (box.clickedButton() == box.button(choice.button)) {
                answer = choice.answer;
            }
        }
    }
    m_shown.append(
        ShownMessage{severity, box.windowTitle(), box.text(), answer, box.detailedText(), box.informativeText()});
    return answer;
}

void MessageService::information(QWidget* parent, const QString& message)
{
    show(parent, Severity::Information, message, Buttons::Ok);
}

void MessageService::information(QWidget* parent, int stringId)
{
    information(parent, text(stringId));
}

void MessageService::error(QWidget* parent, const QString& message)
{
    show(parent, Severity::Error, message, Buttons::Ok);
}

void MessageService::error(QWidget* parent, int stringId)
{
    error(parent, text(stringId));
}

void MessageService::error(QWidget* parent, int stringId, const QString& details)
{
    show(parent, Severity::Error, text(stringId), Buttons::Ok, details);
}

Answer MessageService::question(QWidget* parent, const QString& message, Buttons buttons)
{
    return show(parent, Severity::Question, message, buttons);
}

bool MessageService::confirmDelete(QWidget* parent, int stringId, const QString& item)
{
    return show(parent, Severity::Question, text(stringId), Buttons::OkCancel, {}, item) == Answer::Ok;
}

bool MessageService::confirmDelete(QWidget* parent, int stringId, const QString& name, const QString& number)
{
    return confirmDelete(parent, text(stringId), name, number);
}

bool MessageService::confirmDelete(QWidget* parent, const QString& question, const QString& name, const QString& number)
{
    return show(parent, Severity::Question, question, Buttons::OkCancel, {},
                name + QStringLiteral(" (") + number + QLatin1Char(')')) == Answer::Ok;
}

QString MessageService::getOpenFileName(QWidget* parent, const QString& caption, const QString& directory,
                                        const QString& filter)
{
    if (m_headless) {
        if (m_fileNames.empty()) {
            return {};
        }
        QString name = m_fileNames.front();
        m_fileNames.pop_front();
        return name;
    }
    return QFileDialog::getOpenFileName(parent, caption, directory, filter);
}

QString MessageService::getSaveFileName(QWidget* parent, const QString& caption, const QString& directory,
                                        const QString& filter, QString* selectedFilter)
{
    if (m_headless) {
        return getOpenFileName(parent, caption, directory, filter);
    }
    return QFileDialog::getSaveFileName(parent, caption, directory, filter, selectedFilter);
}

QString MessageService::lastText() const
{
    return m_shown.isEmpty() ? QString() : m_shown.back().text;
}

void MessageService::reset()
{
    m_answers.clear();
    m_fileNames.clear();
    m_shown.clear();
}

} // namespace qar::ui
