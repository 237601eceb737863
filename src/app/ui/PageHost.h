#pragma once

#include "app/CommandLine.h"
#include "catalog/EnvParamValues.h"

#include <QIcon>
#include <QString>

#include <cstdint>

namespace qar
{
class CChangeLog;
class CDatabaseSession;
class DomainUserFile;
} // namespace qar

namespace qar::ui
{

class CStatusLine;
class Launcher;

/// What a page needs of the window it is placed in: the shared connection and change log, the start
/// options, the images, the status line, the launcher and the server buttons. The main window implements
/// it; a page finds it through CAdminPage::host(), so pages never depend on the window itself.
class PageHost
{
public:
    virtual ~PageHost() = default;

    virtual const StartOptions& startOptions() const = 0;
    /// The shared connection and the record objects the pages read and write.
    virtual CDatabaseSession& session() = 0;
    /// Change rows for the running server.
    virtual CChangeLog& changeLog() = 0;
    /// An operation found the connection broken: the timer's silent refresh, at once.
    virtual void reconnectNow() = 0;
    /// Why the database could not be reached the last time, for a message's "Details"; empty when it can.
    virtual QString connectionFailure() = 0;
    /// Enables, disables or hides Start Service after the server's state.
    virtual void UpdateServiceButtons() = 0;
    /// The user limit of a group ("[GROUP_COUNT]"), 0 when the group is not found.
    virtual int GetGroupUserLimit(int groupId) = 0;
    /// The domain sign-on users file, held for the whole run.
    virtual DomainUserFile& domainUsers() = 0;
    /// The password method and account mode the environment parameters hold.
    virtual EnvParamValues envParamValues() const = 0;
    /// Who hands programs and documents to the desktop.
    virtual Launcher& launcher() = 0;
    /// The status line along the bottom of the window.
    virtual CStatusLine* statusLine() const = 0;
    /// Image `index` of the 16 x 16 list shared with the units-and-users tree.
    virtual QIcon smallImage(int index) const = 0;
};

} // namespace qar::ui
