#include "app/ui/FormKeys.h"

#include "app/ui/MessageService.h"
#include "app/ui/UiText.h"
#include "resources/StringIds.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QComboBox>
#include <QDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QShortcut>

#include <algorithm>

namespace qar::ui
{

namespace
{

/// Rows of a list compared at most: the lists of the editing forms are short, and a long one still
/// shows a change in its length.
constexpr int kComparedRows = 2000;

bool insideComboBox(const QWidget* w, const QWidget* form)
{
    for (const QWidget* p = w->parentWidget(); p != nullptr && p != form; p = p->parentWidget()) {
        if (qobject_cast<const QComboBox*>(p) != nullptr) {
            return true;
        }
    }
    return false;
}

void appendCells(QStringList& values, const QAbstractItemModel& model)
{
    const int rows = model.rowCount();
    values << QString::number(rows);
    for (int r = 0; r < std::min(rows, kComparedRows); ++r) {
        for (int c = 0; c < model.columnCount(); ++c) {
            const QModelIndex cell = model.index(r, c);
            values << cell.data(Qt::DisplayRole).toString() << cell.data(Qt::CheckStateRole).toString();
        }
    }
}

/// Every value the administrator can change on the form, in the order of its widgets.
QStringList formValues(const QWidget* form)
{
    QStringList values;
    for (const QWidget* w : form->findChildren<QWidget*>()) {
        if (const auto* edit = qobject_cast<const QLineEdit*>(w)) {
            values << edit->text();
        } else if (const auto* box = qobject_cast<const QComboBox*>(w)) {
            values << QString::number(box->currentIndex()) << box->currentText();
        } else if (const auto* button = qobject_cast<const QAbstractButton*>(w)) {
            if (button->isCheckable()) {
                values << QString::number(button->isChecked());
            }
        } else if (const auto* text = qobject_cast<const QPlainTextEdit*>(w)) {
            if (!text->isReadOnly()) {
                values << text->toPlainText();
            }
        } else if (const auto* view = qobject_cast<const QAbstractItemView*>(w)) {
            if (view->model() != nullptr && !insideComboBox(view, form)) {
                appendCells(values, *view->model());
            }
        }
    }
    return values;
}

const char* const kShownValues = "qarShownValues";
const char* const kFilterName = "qarFormKeys";

class FormKeyFilter : public QObject
{
public:
    FormKeyFilter(QDialog* form, TypedValues typed) : QObject(form), m_form(form), m_typed(typed)
    {
        setObjectName(QLatin1String(kFilterName));
        prepare();
    }

    void setTypedValues(TypedValues typed) { m_typed = typed; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched != m_form) {
            return false;
        }
        if (event->type() == QEvent::Show && !m_shown) {
            m_shown = true;
            prepare(); // what a caller set between the constructor and the showing is where the form starts
        } else if (event->type() == QEvent::KeyPress) {
            const auto* key = static_cast<QKeyEvent*>(event);
            if (key->key() == Qt::Key_Escape && key->modifiers() == Qt::NoModifier &&
                m_typed == TypedValues::AskBeforeDiscarding && HasTypedChanges(m_form)) {
                if (MessageService::instance().question(m_form, text(str::kDiscardTypedChanges), Buttons::YesNo) ==
                    Answer::Yes) {
                    m_form->reject();
                }
                return true;
            }
        }
        return false;
    }

private:
    void prepare()
    {
        // A read-only field only shows a value: Tab goes on to the next one the administrator can change.
        for (QLineEdit* edit : m_form->findChildren<QLineEdit*>()) {
            if (edit->isReadOnly()) {
                edit->setFocusPolicy(Qt::NoFocus);
            }
        }
        m_form->setProperty(kShownValues, formValues(m_form));
    }

    QDialog* m_form;
    TypedValues m_typed;
    bool m_shown = false;
};

} // namespace

void SetUpFormKeys(QDialog* form, TypedValues typed)
{
    form->installEventFilter(new FormKeyFilter(form, typed));
    if (auto* help = form->findChild<QAbstractButton*>(QStringLiteral("helpButton"))) {
        auto* f1 = new QShortcut(QKeySequence(Qt::Key_F1), form);
        QObject::connect(f1, &QShortcut::activated, help, [help] {
            if (help->isVisible() && help->isEnabled()) {
                help->click();
            }
        });
    }
}

void SetTypedValues(QDialog* form, TypedValues typed)
{
    if (auto* filter = form->findChild<QObject*>(QLatin1String(kFilterName), Qt::FindDirectChildrenOnly)) {
        static_cast<FormKeyFilter*>(filter)->setTypedValues(typed);
    }
}

bool HasTypedChanges(const QWidget* form)
{
    const QVariant shown = form->property(kShownValues);
    return shown.isValid() && shown.toStringList() != formValues(form);
}

} // namespace qar::ui
