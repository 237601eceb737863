#include "db/ConnectString.h"

#include "platform/Paths.h"
#include "settings/CProfileFile.h"

namespace qar
{

std::string DbDatPath()
{
    return ProgramPath("\\UserData\\config\\DB.dat");
}

std::string DbFieldDatPath()
{
    return ProgramPath("\\UserData\\setting\\DBField.dat");
}

std::string quoteConnectValue(std::string_view value)
{
    const bool special = value.find_first_of(";{}") != std::string_view::npos ||
                         (!value.empty() && (value.front() == ' ' || value.back() == ' '));
    if (!special) {
        return std::string(value);
    }
    std::string quoted = "{";
    for (char c : value) {
        quoted += c;
        if (c == '}') {
            quoted += '}';
        }
    }
    quoted += '}';
    return quoted;
}

std::string makeConnectString(std::string_view dsn, std::string_view uid, std::string_view pwd)
{
    return "ODBC;DSN=" + quoteConnectValue(dsn) + ";UID=" + quoteConnectValue(uid) + ";PWD=" + quoteConnectValue(pwd);
}

std::string defaultConnectString()
{
    CProfileFile db(DbDatPath(), "ODBC");
    const std::string dsn = db.GetString("DSN");
    const std::string uid = db.GetString("UID");
    const std::string pwd = db.GetString("PWD");
    return makeConnectString(dsn, uid, pwd);
}

std::string toDriverConnectString(std::string_view connect)
{
    constexpr std::string_view prefix = "ODBC;";
    if (connect.size() >= prefix.size()) {
        bool match = true;
        for (std::size_t i = 0; i < prefix.size(); ++i) {
            const char c = connect[i];
            const char upper = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
            match = match && upper == prefix[i];
        }
        if (match) {
            connect.remove_prefix(prefix.size());
        }
    }
    return std::string(connect);
}

} // namespace qar
