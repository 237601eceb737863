#pragma once

#include <QList>
#include <QString>

#include <deque>

class QWidget;

namespace qar::ui
{

enum class Answer
{
    Ok,
    Cancel,
    Yes,
    No,
};

enum class Buttons
{
    Ok,
    OkCancel,
    YesNo,
    YesNoCancel,
};

enum class Severity
{
    Information,
    Question,
    Warning,
    Error,
};

/// A message as it was put on screen (or would have been, in headless mode).
struct ShownMessage
{
    Severity severity;
    QString caption;
    QString text;
    Answer answer;
    QString details;     ///< the text offered under "Details", empty when none
    QString informative; ///< the line below the text (what a delete takes away), empty when none
};

/// Every message box and file-open form of the tool goes through this one service, captioned with the
/// application title. In headless mode (tests) nothing modal runs: each prompt is recorded and
/// answered from the queue filled with setNextAnswer()/setNextFileName(), by default with its first
/// button (OK or Yes) and an empty file name (cancelled).
class MessageService
{
public:
    static MessageService& instance();

    /// `details`: a longer explanation (the cause of a failure) the box offers under "Details";
    /// `informative`: a line below the text, e.g. the name of what a delete takes away.
    Answer show(QWidget* parent, Severity severity, const QString& text, Buttons buttons, const QString& details = {},
                const QString& informative = {});

    void information(QWidget* parent, const QString& text);
    void information(QWidget* parent, int stringId);
    void error(QWidget* parent, const QString& text);
    void error(QWidget* parent, int stringId);
    /// An error whose cause the administrator can read under "Details".
    void error(QWidget* parent, int stringId, const QString& details);
    Answer question(QWidget* parent, const QString& text, Buttons buttons = Buttons::OkCancel);
    /// A delete's question: the system's text of `stringId` with OK and Cancel, and below it the name of
    /// what would go. True for OK.
    bool confirmDelete(QWidget* parent, int stringId, const QString& item);
    /// The same for an entry of a list, shown by its name and, in brackets, its number.
    bool confirmDelete(QWidget* parent, int stringId, const QString& name, const QString& number);
    /// The same with a question of its own (one that counts what the delete leaves behind, say).
    bool confirmDelete(QWidget* parent, const QString& question, const QString& name, const QString& number);

    /// The file the administrator picked, empty when the form was cancelled.
    QString getOpenFileName(QWidget* parent, const QString& caption, const QString& directory, const QString& filter);
    /// The file to write, empty when cancelled; `selectedFilter` receives the filter chosen. Headless
    /// answers come from the same queue as getOpenFileName.
    QString getSaveFileName(QWidget* parent, const QString& caption, const QString& directory, const QString& filter,
                            QString* selectedFilter = nullptr);

    void setHeadless(bool headless) { m_headless = headless; }
    bool headless() const { return m_headless; }
    void setNextAnswer(Answer answer) { m_answers.push_back(answer); }
    void setNextFileName(const QString& fileName) { m_fileNames.push_back(fileName); }

    const QList<ShownMessage>& shown() const { return m_shown; }
    /// Text of the most recent message, empty when none was shown.
    QString lastText() const;
    /// Forgets the recorded messages and any unused queued answers.
    void reset();

private:
    MessageService() = default;

    bool m_headless = false;
    std::deque<Answer> m_answers;
    std::deque<QString> m_fileNames;
    QList<ShownMessage> m_shown;
};

} // namespace qar::ui
