#pragma once

#include <QWidget>

#include <cstddef>
#include <memory>

namespace Ui
{
class COrgFindBar;
}

namespace qar::ui
{

/// The find bar above the units-and-users tree: its Find button, and while open a text box, the count
/// of matches, previous and next, and a close button. It only collects what is typed and shows the
/// result; the page finds and selects.
class COrgFindBar : public QWidget
{
    Q_OBJECT

public:
    explicit COrgFindBar(QWidget* parent = nullptr);
    ~COrgFindBar() override;

    /// Opens the bar (Ctrl+F, the Find button) with the cursor in its text, selected.
    void activate();
    /// Closes it; the text stays for the next time.
    void deactivate();
    bool isActive() const;
    QString query() const;
    /// How many nodes match, and the place of the selected one among them (counted from 1; 0 when the
    /// selection is on none of them).
    void showResult(std::size_t count, std::size_t ordinal);

signals:
    /// The bar was opened: the page makes its index now rather than at the first keystroke.
    void opened();
    void queryChanged(const QString& query);
    void nextRequested();
    void previousRequested();
    /// The bar was closed from inside (Escape, its close button): the tree takes the focus back.
    void closed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void setFieldsVisible(bool visible);

    std::unique_ptr<Ui::COrgFindBar> m_ui;
};

} // namespace qar::ui
