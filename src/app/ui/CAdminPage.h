#pragma once

#include <QWidget>

namespace qar::ui
{

/// Base of the main window's pages: a frameless child placed in the page area, shown when its side
/// bar entry is selected.
class CAdminPage : public QWidget
{
    Q_OBJECT

public:
    using QWidget::QWidget;

    /// The page's "Refresh" command: reload its data from the database or its files.
    virtual void refresh() {}
    /// After a first-run set-up: update the page's buttons and select its first item.
    virtual void selectFirstItem() {}
};

} // namespace qar::ui
