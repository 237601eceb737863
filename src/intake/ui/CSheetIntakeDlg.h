#pragma once

#include "intake/IntakeJob.h"
#include "intake/SheetIntakeArgs.h"

#include <QDialog>

#include <atomic>
#include <memory>
#include <thread>

class QSortFilterProxyModel;
class QStandardItemModel;

namespace Ui
{
class CSheetIntakeDlg;
}

namespace qar
{
class CXDatabase;
}

namespace qar::ui
{

/// The import tool's window: a file (or the first-run hand-off files) read, its columns mapped, the dry
/// run's report in a table that sorts and filters, the import with a progress bar and Cancel (which
/// keeps nothing), and the export of a group. After an import it asks the window it was started from to
/// rebuild its tree.
class CSheetIntakeDlg : public QDialog
{
    Q_OBJECT

public:
    /// How the import reaches the running server: whether it runs (change rows are written only then)
    /// and the refresh notification after the import.
    struct Server
    {
        std::function<bool()> running;
        std::function<bool(std::uint32_t flags)> notify;
        /// Asks the window the tool was started from to rebuild its tree; false when it is gone.
        std::function<bool(std::uint64_t window)> refreshWindow;
    };

    CSheetIntakeDlg(const SheetIntakeArgs& args, CXDatabase& database, Server server, QWidget* parent = nullptr);
    ~CSheetIntakeDlg() override;

    /// Reads files (each with the kind it must hold, or none) and shows the dry run.
    void loadFiles(const std::vector<std::pair<std::string, std::optional<SheetKind>>>& files);
    /// Runs the dry run again and shows it.
    void checkAgain();
    /// "Import": confirms, then writes on a worker thread.
    void startImport();
    bool importRunning() const { return m_worker.joinable(); }
    const IntakeSession& session() const { return *m_session; }

public slots:
    void reject() override;

signals:
    /// An import ended: committed (true), or cancelled or refused (false).
    void importFinished(bool committed);

private:
    void browse();
    void fillMapping();
    void showPlan();
    void finishImport(bool committed, const ApplyResult& result, const QString& failure, bool unconfirmed);
    void exportGroup();
    void setBusy(bool busy);
    std::optional<std::int32_t> chosenGroup(bool forExport) const;

    std::unique_ptr<Ui::CSheetIntakeDlg> m_ui;
    SheetIntakeArgs m_args;
    CXDatabase& m_database;
    Server m_server;
    std::unique_ptr<IntakeSession> m_session;
    std::vector<std::pair<std::string, std::optional<SheetKind>>> m_files;
    QStandardItemModel* m_report = nullptr;
    QSortFilterProxyModel* m_filter = nullptr;
    std::thread m_worker;
    std::atomic<bool> m_cancel{false};
    bool m_filling = false;
};

} // namespace qar::ui
