#pragma once

#include "app/ServerControl.h"

#include <QWidget>

#include <cstdint>

namespace qar::ui
{

class CMainDlg;

/// Base of the main window's pages: a frameless child placed in the page area, shown when its side
/// bar entry is selected.
class CAdminPage : public QWidget
{
    Q_OBJECT

public:
    explicit CAdminPage(QWidget* parent = nullptr) : QWidget(parent)
    {
        // A page covers the notice label that lies under the page area.
        setAutoFillBackground(true);
    }

    /// The main window the page lives in, with the services the pages share (session, change log,
    /// start options, images); null for a page shown on its own.
    CMainDlg* mainDlg() const;

    /// The page's "Refresh" command: reload its data from the database or its files.
    virtual void refresh() {}
    /// The refresh timer has read the tables again: a page showing their rows brings itself up to date.
    virtual void connectionRefreshed() {}
    /// After a first-run set-up: update the page's buttons and select its first item.
    virtual void selectFirstItem() {}

    /// The data areas this page changed since the server was last told (units, users, groups).
    virtual ChangeFlags changeFlags() const { return {}; }
    /// Forgets them, together with any list of changed entries the page keeps.
    virtual void clearChangeFlags() {}

    /// What the page's last change wrote; the status line shows it while the page is in view.
    const QString& lastChange() const { return m_lastChange; }

protected:
    /// Tells the administrator in the status line what a change wrote.
    void showChange(const QString& text);
    /// The same for one entry: `formatId` (kStatusItemAdded ...) with the entry's kind and number.
    void showItemChange(int formatId, int kindId, std::int32_t number);

private:
    QString m_lastChange;
};

} // namespace qar::ui
