#include "platform/Paths.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <unistd.h>

using namespace qar;
using qar::test::ScopedEnv;
using qar::test::TempDir;
using qar::test::writeFile;

namespace
{

TEST(Paths, ProgramDirIsTheExecutablesFolder)
{
    ScopedEnv unset("QAR_PROGRAM_DIR", nullptr);
    std::string dir = GetProgramDir();
    ASSERT_FALSE(dir.empty());
    EXPECT_NE(dir.back(), '/');
    EXPECT_TRUE(FileExists(dir + "/test_platform"));
}

TEST(Paths, ProgramPathTurnsBackslashesIntoSlashes)
{
    ScopedEnv forced("QAR_PROGRAM_DIR", "/opt/qar/");
    EXPECT_EQ(GetProgramDir(), "/opt/qar");
    EXPECT_EQ(ProgramPath("\\UserData\\config\\xmldata\\apps.xml"), "/opt/qar/UserData/config/xmldata/apps.xml");
    EXPECT_EQ(ProgramPath("Power.dat"), "/opt/qar/Power.dat");
}

TEST(Paths, WindowsAndSystemDirectoriesFollowTheEnvironment)
{
    {
        ScopedEnv w("QAR_WINDOWS_DIR", nullptr);
        ScopedEnv s("QAR_SYSTEM_DIR", nullptr);
        EXPECT_EQ(GetWindowsDir(), "/var/lib/qar");
        EXPECT_TRUE(FileExists(GetSystemDir() + "/libsqlite3odbc.so"));
    }
    ScopedEnv w("QAR_WINDOWS_DIR", "/tmp/win/");
    ScopedEnv s("QAR_SYSTEM_DIR", "/tmp/sys");
    EXPECT_EQ(GetWindowsDir(), "/tmp/win");
    EXPECT_EQ(GetSystemDir(), "/tmp/sys");
}

TEST(Paths, DriversAreLookedForWhereTheirRegistrationSays)
{
    ScopedEnv s("QAR_SYSTEM_DIR", nullptr);
    const auto registeredFolderIsUsed = [] {
        TempDir odbc;
        writeFile(odbc.file("drivers/libsqlite3odbc.so"), "");
        writeFile(odbc.file("odbcinst.ini"), "[SQLite3]\nDriver=" + odbc.file("drivers/libsqlite3odbc.so") + "\n");
        ::setenv("ODBCSYSINI", odbc.path().c_str(), 1);
        return GetSystemDir() == odbc.file("drivers");
    };
    // The driver manager reads ODBCSYSINI once per process: ask in a new one.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(std::exit(registeredFolderIsUsed() ? 0 : 1), testing::ExitedWithCode(0), "");
}

TEST(Paths, ExistenceAndLengthTellFilesFromFolders)
{
    TempDir dir;
    std::string file = writeFile(dir.file("a.bin"), std::string(1234, 'x'));
    std::string link = dir.file("dangling");
    ASSERT_EQ(::symlink(dir.file("nothing").c_str(), link.c_str()), 0);

    EXPECT_TRUE(FileExists(file));
    EXPECT_FALSE(FileExists(dir.path().string()));
    EXPECT_FALSE(FileExists(""));
    EXPECT_FALSE(FileExists(link));
    EXPECT_TRUE(DirectoryExists(dir.path().string()));
    EXPECT_FALSE(DirectoryExists(file));
    EXPECT_FALSE(DirectoryExists(""));
    EXPECT_EQ(GetFileLength(file), 1234u);
    EXPECT_EQ(GetFileLength(dir.file("missing")), 0u);
    EXPECT_EQ(GetFileLength(dir.path().string()), 0u);
}

} // namespace
