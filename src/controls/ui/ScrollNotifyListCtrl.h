#pragma once

#include <QTreeView>

namespace qar::ui
{

/// A list (or tree) view that tells the window holding it of every vertical scroll: it posts the
/// list-scrolled notification (both parameters 0) to that window, then scrolls. The window can then,
/// for example, close an in-place editor that would otherwise float over the wrong row.
class ScrollNotifyListCtrl : public QTreeView
{
    Q_OBJECT

public:
    explicit ScrollNotifyListCtrl(QWidget* parent = nullptr);

protected:
    void scrollContentsBy(int dx, int dy) override;
};

} // namespace qar::ui
