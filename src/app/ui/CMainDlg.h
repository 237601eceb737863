#pragma once

#include "app/CommandLine.h"
#include "app/MainWindowModel.h"
#include "app/ServerControl.h"
#include "app/ShellCommands.h"
#include "app/ui/PageHost.h"

#include <QDialog>
#include <QIcon>
#include <QList>
#include <QTimer>

#include <array>
#include <memory>

namespace Ui
{
class CMainDlg;
}

namespace qar
{
class CChangeLog;
class CDatabaseSession;
class DomainUserFile;
class ShellHost;
} // namespace qar

namespace qar::ui
{

class CAdminPage;
class CStatusLine;
class DatabaseWait;
class Launcher;
class TreeRefreshFilter;

/// The tool's only top-level window: the side bar of pages, the page area, and the server buttons along
/// the bottom. It keeps the start options and hands the pages the services they share.
class CMainDlg : public QDialog, public PageHost, private IChangeFlagStore, private IServiceButtonSink
{
    Q_OBJECT

public:
    // Numbers of the window's own notifications, kept from the platform so the flow stays recognisable.
    static constexpr int kPostInitMessage = 1737;
    static constexpr int kNetDataMessage = kMsgVexReceived;
    static constexpr int kNetStateMessage = kMsgVexState;
    /// A text handed over by its sender; the window takes it and ignores it.
    static constexpr int kTextHandOverMessage = 0x9001;
    static constexpr int kRefreshTimerId = 101;
    static constexpr int kRefreshPeriodMs = 120000;
    static constexpr int kAboutCommand = 16;

    CMainDlg(const StartOptions& options, ShellHost& host, Launcher& launcher, QWidget* parent = nullptr);
    ~CMainDlg() override;

    /// Prepares the window as it is created: data source, buttons, side bar, pages, database, refresh
    /// timer. False when the database could not be opened; the window then has closing queued.
    bool initialise();
    /// initialise() and the modal run; returns when the window has closed.
    int run();

    const StartOptions& startOptions() const override { return m_options; }
    ShellHost& host() { return m_host; }
    /// Who hands programs and documents to the desktop, for the pages too.
    Launcher& launcher() override { return m_launcher; }
    /// The shared connection and the record objects the pages read and write.
    CDatabaseSession& session() override;
    /// Writes a change row for the running server (nothing while it is stopped); throws DbError.
    void LogChange(const std::string& table, const std::string& field, std::int32_t key, std::uint8_t action);
    CChangeLog& changeLog() override;
    bool databaseOpened() const { return m_dbOpened; }
    /// An operation found the connection broken: the timer's silent refresh, at once.
    void reconnectNow() override;
    /// Why the database could not be reached the last time, for a message's "Details"; empty when it can.
    QString connectionFailure() override;
    /// The user limit of a group ("[GROUP_COUNT]"), 0 when the group is not found.
    int GetGroupUserLimit(int groupId) override;
    /// The domain sign-on users file (UserData/data/Userx.xml), held for the whole run.
    DomainUserFile& domainUsers() override { return *m_domainUsers; }
    /// The values the environment parameters page read.
    EnvParamValues envParamValues() const override;

    CAdminPage* page(PageKind kind) const;
    /// The status line along the bottom: data source, server state, what the last change wrote.
    CStatusLine* statusLine() const override { return m_statusLine; }
    /// Image `index` of the 16 x 16 list shared with the units-and-users tree.
    QIcon smallImage(int index) const override;
    QIcon largeImage(int index) const;

    /// Enables, disables or hides Start Service after the server's state.
    void UpdateServiceButtons() override;
    /// Clears the pages' change flags and the changed-user list.
    void ClearChangeFlags();
    bool IsServerRunning();
    /// The change flags of every page together.
    ChangeFlags changeFlags() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void customEvent(QEvent* event) override;
    void reject() override;

private:
    void clearChangeFlags() override;
    void setStartServiceButton(const ServiceButtonState& state) override;
    void loadImages();
    void fillSideBar();
    void createPages();
    void layoutWindow();
    void showSelectedPage();
    /// Lets the page of the side bar's entry read again what changed, when the entry is shown to this
    /// administrator.
    void refreshSelectedPage();
    void handleShellEvent(QEvent* event);
    void runFirstRunSetup();
    void postInitialise();
    void onRefreshTimer();
    void showAbout();
    void launchStartService();
    void showDataSource();

    std::unique_ptr<Ui::CMainDlg> m_ui;
    StartOptions m_options;
    ShellHost& m_host;
    Launcher& m_launcher;
    bool m_dbOpened = false;
    bool m_initialised = false;
    bool m_pagesLoaded = false; ///< the post-initialisation step has loaded the pages
    QSize m_buttonSize;
    QTimer* m_refreshTimer = nullptr;
    CStatusLine* m_statusLine = nullptr;
    QList<QIcon> m_largeImages;
    QList<QIcon> m_smallImages;
    std::array<CAdminPage*, kPageCreationOrder.size()> m_pages{};
    std::unique_ptr<IVexLink> m_client;
    std::unique_ptr<ServerControl> m_server;
    /// The import tool's refresh message rebuilds the units-and-users tree.
    std::unique_ptr<TreeRefreshFilter> m_treeRefresh;
    std::unique_ptr<DatabaseWait> m_databaseWait;  ///< the main connection's waits for the server
    std::unique_ptr<DomainUserFile> m_domainUsers; ///< saved, when changed, as the window goes
};

} // namespace qar::ui
