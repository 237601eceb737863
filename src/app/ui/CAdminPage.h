#pragma once

#include "app/ServerControl.h"

#include <QWidget>

#include <cstdint>
#include <optional>
#include <string>

namespace qar::ui
{

class PageHost;

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

    /// The window the page lives in, with the services the pages share (session, change log, start
    /// options, images); null for a page shown on its own.
    PageHost* host() const;

    /// The page's "Refresh" command: reload its data from the database or its files.
    virtual void refresh() {}
    /// The side bar shows the page again: it reads again only when what it shows may have changed since
    /// it last read, which a cheap check tells; otherwise it stays as it is.
    void showAgain();
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
    /// A cheap summary of what the page reads (its tables, its files): equal summaries taken at two times
    /// mean nothing changed in between. nullopt when that cannot be told, so that showing the page reads.
    virtual std::optional<std::string> readStamp() { return std::nullopt; }
    /// A page's read begins: remembers the summary, taken before reading so that a change made while the
    /// page reads shows at its next showing.
    void noteRead();
    /// The read failed: the page may show less than the summary says, so the next showing reads.
    void forgetRead() { m_readStamp.reset(); }
    /// Reading again for showAgain(); the page's Refresh unless the page reads more then.
    virtual void readAgain() { refresh(); }

private:
    std::optional<std::string> stampNow();

    std::optional<std::string> m_readStamp; ///< the summary taken as the page last read
    QString m_lastChange;
};

} // namespace qar::ui
