#pragma once

#include <QLineEdit>

#include <string>

namespace qar::ui
{

/// A line edit that lets a subclass refuse single typed characters and pasted texts, whichever way
/// they arrive: the keyboard (Ctrl+V, Shift+Insert), the context menu, a middle-click, a drop, or an
/// input method. A dropped text is judged as a pasted one.
class FilteredLineEdit : public QLineEdit
{
    Q_OBJECT

public:
    explicit FilteredLineEdit(QWidget* parent = nullptr);

    /// Pastes the clipboard's plain text when the field takes it.
    void guardedPaste();

protected:
    /// Whether the typed character `c` (a control character for Ctrl+C/V/X/Z and Backspace) is taken.
    virtual bool acceptsChar(char32_t c) = 0;
    /// Whether a pasted text (the clipboard's plain text) is taken.
    virtual bool acceptsPaste(const QString& text) = 0;

    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

    /// The current text as bytes with the selection in byte offsets, for the rules.
    struct Snapshot
    {
        std::string text;
        int selStart = 0;
        int selEnd = 0;
    };
    Snapshot snapshot() const;

private:
    bool acceptsDrop(const QDropEvent& event);
};

} // namespace qar::ui
