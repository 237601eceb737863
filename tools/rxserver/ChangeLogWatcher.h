#pragma once

#include "db/CXDatabase.h"

#include <chrono>
#include <functional>
#include <map>
#include <string>

namespace qar::rxserver
{

/// Watches the change-log table the tool writes while the server runs and reports each row once.
/// Rows are left in the table. The data source, table and column names come from DB.dat, read the
/// same way the tool reads them; without a data source the watcher stays idle, so the server also
/// runs without a database.
class ChangeLogWatcher
{
public:
    using Say = std::function<void(const std::string& line)>;

    explicit ChangeLogWatcher(Say say);
    ~ChangeLogWatcher();
    ChangeLogWatcher(const ChangeLogWatcher&) = delete;
    ChangeLogWatcher& operator=(const ChangeLogWatcher&) = delete;

    /// False when DB.dat names no data source.
    bool configured() const { return m_configured; }
    /// Reads the table and reports the rows not reported before.
    void poll();

private:
    bool connect();
    void complain(const std::string& text);

    Say m_say;
    bool m_configured = false;
    std::string m_dsn;
    CXDatabase m_database;
    std::string m_lastComplaint;
    std::chrono::steady_clock::time_point m_nextConnect;
    // How often each row (all five values) was seen on the last read.
    std::map<std::string, int> m_seen;
};

} // namespace qar::rxserver
