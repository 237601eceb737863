#include "controls/ui/FilteredLineEdit.h"

#include "controls/EditRules.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDropEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QPointer>

namespace qar::ui
{

FilteredLineEdit::FilteredLineEdit(QWidget* parent) : QLineEdit(parent) {}

void FilteredLineEdit::guardedPaste()
{
    if (isReadOnly()) {
        return;
    }
    const QClipboard* clipboard = QGuiApplication::clipboard();
    if (acceptsPaste(clipboard->text())) {
        paste();
    }
}

FilteredLineEdit::Snapshot FilteredLineEdit::snapshot() const
{
    Snapshot s;
    const QString t = text();
    s.text = t.toStdString();
    int start = cursorPosition();
    int end = start;
    if (hasSelectedText()) {
        start = selectionStart();
        end = selectionEnd();
    }
    s.selStart = static_cast<int>(t.left(start).toUtf8().size());
    s.selEnd = static_cast<int>(t.left(end).toUtf8().size());
    return s;
}

void FilteredLineEdit::keyPressEvent(QKeyEvent* event)
{
    if (event == QKeySequence::SelectAll) {
        // Ctrl+A types nothing (its character is refused); it only selects, as in any text field.
        QLineEdit::keyPressEvent(event);
        return;
    }
    if (event == QKeySequence::Paste) {
        event->accept();
        guardedPaste();
        return;
    }
    char32_t c = 0;
    if (event == QKeySequence::Copy) {
        c = kCharCopy;
    } else if (event == QKeySequence::Cut) {
        c = kCharCut;
    } else if (event == QKeySequence::Undo) {
        c = kCharUndo;
    } else if (event->key() == Qt::Key_Backspace) {
        c = kCharBackspace;
    } else {
        const QString typed = event->text();
        if (!typed.isEmpty()) {
            const uint code = typed.toUcs4().value(0);
            // Navigation and editing keys pass (arrows and Home carry no text, Delete carries DEL);
            // Enter, Tab and Escape belong to the form, not to the field's text.
            if (code != '\r' && code != '\n' && code != '\t' && code != 0x1b && code != 0x7f) {
                c = code;
            }
        }
    }
    if (c != 0 && !acceptsChar(c)) {
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void FilteredLineEdit::inputMethodEvent(QInputMethodEvent* event)
{
    const QString commit = event->commitString();
    if (!commit.isEmpty()) {
        // Composed text is taken character by character, as if typed; the first refused one stops it.
        for (const uint c : commit.toUcs4()) {
            if (!acceptsChar(c)) {
                break;
            }
            const char32_t one[] = {c};
            const QString s = QString::fromUcs4(one, 1);
            insert(s);
        }
        QInputMethodEvent rest(event->preeditString(), event->attributes());
        QLineEdit::inputMethodEvent(&rest);
        event->accept();
        return;
    }
    QLineEdit::inputMethodEvent(event);
}

void FilteredLineEdit::contextMenuEvent(QContextMenuEvent* event)
{
    QPointer<QMenu> menu = createStandardContextMenu();
    // The standard menu's paste entry (its text is the line edit's own "&Paste" before the shortcut)
    // is rewired to the rule.
    const QString pasteText = QLineEdit::tr("&Paste");
    for (QAction* action : menu->actions()) {
        if (action->text().section(QLatin1Char('\t'), 0, 0) == pasteText) {
            disconnect(action, &QAction::triggered, nullptr, nullptr);
            connect(action, &QAction::triggered, this, &FilteredLineEdit::guardedPaste);
        }
    }
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
    event->accept();
}

void FilteredLineEdit::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::MiddleButton) {
        // The X11 selection paste: the same rule as any other paste.
        const QString selection = QGuiApplication::clipboard()->text(QClipboard::Selection);
        if (!isReadOnly() && acceptsPaste(selection)) {
            QLineEdit::mouseReleaseEvent(event);
        } else {
            event->accept();
        }
        return;
    }
    QLineEdit::mouseReleaseEvent(event);
}

bool FilteredLineEdit::acceptsDrop(const QDropEvent& event)
{
    const QMimeData* dropped = event.mimeData();
    return !isReadOnly() && dropped != nullptr && dropped->hasText() && acceptsPaste(dropped->text());
}

void FilteredLineEdit::dragEnterEvent(QDragEnterEvent* event)
{
    if (acceptsDrop(*event)) {
        QLineEdit::dragEnterEvent(event);
    } else {
        event->ignore();
    }
}

void FilteredLineEdit::dragMoveEvent(QDragMoveEvent* event)
{
    if (acceptsDrop(*event)) {
        QLineEdit::dragMoveEvent(event);
    } else {
        event->ignore();
    }
}

void FilteredLineEdit::dropEvent(QDropEvent* event)
{
    if (acceptsDrop(*event)) {
        QLineEdit::dropEvent(event);
    } else {
        event->ignore();
    }
}

} // namespace qar::ui
