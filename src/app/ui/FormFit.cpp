#include "app/ui/FormFit.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QHelpEvent>
#include <QLineEdit>
#include <QProxyStyle>
#include <QScreen>
#include <QStyleOptionComboBox>
#include <QToolTip>

#include <algorithm>

namespace qar::ui
{

namespace
{

/// Draws a drop-down list's current entry cut short with an ellipsis when it is wider than the field;
/// the application's style does everything else.
class ElidingComboStyle : public QProxyStyle
{
public:
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override
    {
        const auto* box = qstyleoption_cast<const QStyleOptionComboBox*>(option);
        if (element != CE_ComboBoxLabel || box == nullptr || box->editable) {
            QProxyStyle::drawControl(element, option, painter, widget);
            return;
        }
        QStyleOptionComboBox elided(*box);
        const QRect field = subControlRect(CC_ComboBox, box, SC_ComboBoxEditField, widget);
        const int icon = box->currentIcon.isNull() ? 0 : box->iconSize.width() + 4;
        elided.currentText = box->fontMetrics.elidedText(box->currentText, Qt::ElideRight, field.width() - icon - 2);
        QProxyStyle::drawControl(element, &elided, painter, widget);
    }
};

/// Whether `text` in `font metrics` needs more than `room` pixels.
bool cutShort(const QFontMetrics& metrics, const QString& text, int room)
{
    return !text.isEmpty() && metrics.horizontalAdvance(text) > room;
}

/// Bounds the form to its screen when it is shown, and answers tooltip requests on texts cut short.
class FormFitter : public QObject
{
public:
    explicit FormFitter(QWidget* form) : QObject(form), m_form(form) {}

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == m_form && event->type() == QEvent::Show) {
            boundToScreen();
        } else if (event->type() == QEvent::ToolTip) {
            return showWholeText(watched, static_cast<QHelpEvent*>(event));
        }
        return false;
    }

private:
    void boundToScreen()
    {
        const QScreen* screen = m_form->screen();
        if (screen == nullptr) {
            return;
        }
        const int width = screen->availableGeometry().width();
        if (m_form->maximumWidth() > width) {
            m_form->setMaximumWidth(width);
        }
        if (m_form->width() > width) {
            m_form->resize(width, m_form->height());
        }
    }

    // A text the administrator cannot read whole where it stands is shown whole in the tooltip, unless
    // the widget has a tooltip of its own. Passwords are never shown.
    bool showWholeText(QObject* watched, QHelpEvent* help)
    {
        QString whole;
        QWidget* widget = qobject_cast<QWidget*>(watched);
        if (auto* edit = qobject_cast<QLineEdit*>(watched)) {
            if (edit->toolTip().isEmpty() && edit->echoMode() == QLineEdit::Normal &&
                cutShort(edit->fontMetrics(), edit->text(), edit->contentsRect().width() - 8)) {
                whole = edit->text();
            }
        } else if (auto* box = qobject_cast<QComboBox*>(watched)) {
            if (box->toolTip().isEmpty() && cutShort(box->fontMetrics(), box->currentText(), box->width() - 40)) {
                whole = box->currentText();
            }
        } else if (auto* view =
                       widget != nullptr ? qobject_cast<QAbstractItemView*>(widget->parentWidget()) : nullptr) {
            const QModelIndex index = view->indexAt(help->pos());
            const QRect cell = view->visualRect(index);
            if (index.isValid() && !index.data(Qt::ToolTipRole).isValid() &&
                cutShort(view->fontMetrics(), index.data(Qt::DisplayRole).toString(),
                         cell.width() - view->iconSize().width() - 8)) {
                whole = index.data(Qt::DisplayRole).toString();
            }
        }
        if (whole.isEmpty()) {
            return false;
        }
        QToolTip::showText(help->globalPos(), whole, widget);
        return true;
    }

    QWidget* m_form;
};

} // namespace

void FitFormToScreen(QWidget* form)
{
    auto* fitter = new FormFitter(form);
    form->installEventFilter(fitter);
    auto* style = new ElidingComboStyle;
    style->setParent(form);
    for (QComboBox* box : form->findChildren<QComboBox*>()) {
        // A drop-down list is as wide as its longest entry up to a bound, never wider; the entries
        // themselves show whole in the list that drops down.
        int longest = 1;
        for (int i = 0; i < box->count(); ++i) {
            longest = std::max(longest, static_cast<int>(box->itemText(i).size()));
        }
        box->setMinimumContentsLength(std::min(longest, kFittedComboChars));
        box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        box->setStyle(style);
        box->installEventFilter(fitter);
        box->view()->setTextElideMode(Qt::ElideRight);
        box->view()->viewport()->installEventFilter(fitter);
    }
    for (QLineEdit* edit : form->findChildren<QLineEdit*>()) {
        edit->installEventFilter(fitter);
    }
    for (QAbstractItemView* view : form->findChildren<QAbstractItemView*>()) {
        view->setTextElideMode(Qt::ElideRight);
        view->viewport()->installEventFilter(fitter);
    }
}

} // namespace qar::ui
