#include "ChangeLogWatcher.h"

#include "db/CXTabelChangeTmp.h"
#include "db/ConnectString.h"
#include "db/OdbcError.h"
#include "settings/CProfileFile.h"

#include <type_traits>

namespace qar::rxserver
{

namespace
{

// A data source that cannot be reached is tried again after this pause, not on every poll.
constexpr auto kReconnectPause = std::chrono::seconds(10);

const char* actionName(int action)
{
    switch (action) {
    case 0:
        return "added";
    case 1:
        return "deleted";
    case 2:
        return "modified";
    default:
        return "unknown";
    }
}

template <class T> std::string text(const CXRecordset& rs, const Field<T>& field)
{
    if (rs.IsFieldNull(field)) {
        return "NULL";
    }
    if constexpr (std::is_same_v<T, std::string>) {
        return field.get();
    } else {
        return std::to_string(static_cast<long long>(field.get()));
    }
}

} // namespace

ChangeLogWatcher::ChangeLogWatcher(Say say) : m_say(std::move(say))
{
    m_dsn = CProfileFile(DbDatPath(), "ODBC").GetString("DSN");
    m_configured = !m_dsn.empty();
}

ChangeLogWatcher::~ChangeLogWatcher()
{
    m_database.Close();
}

void ChangeLogWatcher::complain(const std::string& line)
{
    // The same trouble every few seconds is said once.
    if (line != m_lastComplaint) {
        m_lastComplaint = line;
        m_say("change log: " + line);
    }
}

bool ChangeLogWatcher::connect()
{
    if (m_database.IsOpen()) {
        return true;
    }
    const auto now = std::chrono::steady_clock::now();
    if (now < m_nextConnect) {
        return false;
    }
    m_nextConnect = now + kReconnectPause;
    try {
        m_database.Open(defaultConnectString());
    } catch (const DbError& error) {
        complain("cannot connect to " + m_dsn + ": " + error.what());
        return false;
    }
    m_say("change log: connected to " + m_dsn);
    m_lastComplaint.clear();
    return true;
}

void ChangeLogWatcher::poll()
{
    if (!m_configured || !connect()) {
        return;
    }
    std::map<std::string, int> current;
    try {
        CXTabelChangeTmp rs(&m_database);
        rs.Open();
        for (; !rs.IsEOF(); rs.MoveNext()) {
            const std::string line =
                "change REC_ID=" + text(rs, rs.m_REC_ID) + " Table_Name=" + text(rs, rs.m_Table_Name) +
                " Field_Name=" + text(rs, rs.m_Field_Name) + " Key_Value=" + text(rs, rs.m_Key_Value) +
                " Change_Act=" + text(rs, rs.m_Change_Act) + " (" +
                actionName(rs.IsFieldNull(rs.m_Change_Act) ? -1 : *rs.m_Change_Act) + ")";
            // Rows are told apart by their values only; a row seen more often than before is new.
            if (++current[line] > m_seen[line]) {
                m_say(line);
            }
        }
        rs.Close();
    } catch (const DbError& error) {
        complain(std::string("cannot read the change table: ") + error.what());
        // The connection may be what failed; start afresh at the next chance.
        m_database.Close();
        return;
    }
    m_seen = std::move(current);
    m_lastComplaint.clear();
}

} // namespace qar::rxserver
