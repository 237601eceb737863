#include "controls/ui/ScrollNotifyListCtrl.h"

#include "app/ui/ShellEvent.h"
#include "controls/EditRules.h"

#include <QCoreApplication>

namespace qar::ui
{

ScrollNotifyListCtrl::ScrollNotifyListCtrl(QWidget* parent) : QTreeView(parent) {}

void ScrollNotifyListCtrl::scrollContentsBy(int dx, int dy)
{
    if (dy != 0) {
        // Queued, so the window handles it on its own turn, after the scroll has been drawn.
        QCoreApplication::postEvent(window(), new ShellEvent(kMessageListScrolled, 0, 0));
    }
    QTreeView::scrollContentsBy(dx, dy);
}

} // namespace qar::ui
