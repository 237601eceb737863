#include "app/StatusLine.h"

#include "db/CXDatabase.h"

#include <gtest/gtest.h>

using namespace qar;

TEST(StatusLine, NamesTheDataSourceOfAConnectionString)
{
    const std::pair<const char*, const char*> cases[] = {
        {"ODBC;DSN=QARDemo;UID=;PWD=", "QARDemo"},
        {"dsn={Head;Office}};x};uid=a", "Head;Office};x"},
        {"DRIVER=/usr/lib/libsqlite3odbc.so;Database=/srv/qar/UserData/qar.db", "qar.db"},
        {"ODBC;DSN=;UID=;PWD=", ""},
        {"DSNX=a;PWD=DSN=b", ""},
    };
    for (const auto& [connect, name] : cases) {
        EXPECT_EQ(DataSourceName(connect), name) << connect;
    }
}

TEST(StatusLine, ShowsTheDatabaseVersionWithoutThePaddingDriversAdd)
{
    const std::pair<const char*, const char*> cases[] = {
        {"10.11.000019", "MariaDB 10.11.19"},
        {"10.00.0000", "MariaDB 10.0.0"},
        {"3.39.3", "MariaDB 3.39.3"},
        {"8.0.32-0ubuntu0.22.04", "MariaDB 8.0.32-0ubuntu0.22.04"},
        {"", "MariaDB"},
    };
    for (const auto& [version, shown] : cases) {
        EXPECT_EQ(DbmsDescription("MariaDB", version), shown) << version;
    }
}
