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

std::optional<std::string> connectAttribute(std::string_view connect, std::string_view key)
{
    auto upper = [](std::string_view text) {
        std::string u(text);
        for (char& c : u) {
            c = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
        }
        return u;
    };
    const std::string wanted = upper(key);
    std::size_t pos = 0;
    while (pos < connect.size()) {
        const std::size_t eq = connect.find('=', pos);
        const std::size_t semi = connect.find(';', pos);
        if (eq == std::string_view::npos || (semi != std::string_view::npos && semi < eq)) {
            pos = semi == std::string_view::npos ? connect.size() : semi + 1; // "ODBC;" and the like
            continue;
        }
        const std::string name = upper(connect.substr(pos, eq - pos));
        std::string value;
        std::size_t i = eq + 1;
        if (i < connect.size() && connect[i] == '{') {
            for (++i; i < connect.size(); ++i) {
                if (connect[i] == '}') {
                    if (i + 1 < connect.size() && connect[i + 1] == '}') {
                        value += '}';
                        ++i;
                        continue;
                    }
                    ++i;
                    break;
                }
                value += connect[i];
            }
            i = connect.find(';', i);
        } else {
            const std::size_t end = connect.find(';', i);
            value = std::string(connect.substr(i, end == std::string_view::npos ? std::string_view::npos : end - i));
            i = end;
        }
        if (name == wanted) {
            return value;
        }
        pos = i == std::string_view::npos ? connect.size() : i + 1;
    }
    return std::nullopt;
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
