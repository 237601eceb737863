#include "app/StatusLine.h"

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
