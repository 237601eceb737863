#include "app/ui/ListKeys.h"

#include "app/ui/ActionGuard.h"

#include <QAbstractItemView>
#include <QKeyEvent>

#include <utility>

namespace qar::ui
{

namespace
{

class ListKeyFilter : public QObject
{
public:
    ListKeyFilter(QAbstractItemView* list, std::function<void()> open, std::function<void()> remove)
        : QObject(list), m_open(std::move(open)), m_remove(std::move(remove))
    {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress) {
            return QObject::eventFilter(watched, event);
        }
        const auto* key = static_cast<QKeyEvent*>(event);
        // The keypad's Enter carries the keypad modifier; any other modifier makes it another command.
        const Qt::KeyboardModifiers modifiers = key->modifiers() & ~Qt::KeypadModifier;
        if (modifiers != Qt::NoModifier) {
            return false;
        }
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && m_open) {
            RunGuarded(list(), m_open);
            return true;
        }
        if (key->key() == Qt::Key_Delete) {
            RunGuarded(list(), m_remove);
            return true;
        }
        return false;
    }

private:
    QWidget* list() const { return static_cast<QWidget*>(parent()); }

    std::function<void()> m_open;
    std::function<void()> m_remove;
};

} // namespace

void BindListKeys(QAbstractItemView* list, std::function<void()> open, std::function<void()> remove)
{
    list->installEventFilter(new ListKeyFilter(list, std::move(open), std::move(remove)));
}

} // namespace qar::ui
