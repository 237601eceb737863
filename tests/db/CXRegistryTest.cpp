#include "platform/CXRegistry.h"

#include "OdbcIniSandbox.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace qar
{
namespace
{

using test::iniSection;
using test::iniSections;
using test::OdbcIniSandbox;
using Values = std::vector<std::pair<std::string, std::string>>;

TEST(CXRegistry, MachineKeysGoToTheSystemFileAndUserKeysToTheUserFile)
{
    OdbcIniSandbox sandbox;
    ASSERT_FALSE(std::filesystem::exists(OdbcIniSandbox::systemFile()));

    CXRegistry machine;
    machine.SetRootKey(HKEY_LOCAL_MACHINE);
    ASSERT_TRUE(machine.SetKey("SOFTWARE\\ODBC\\ODBC.INI\\Qar", true));
    EXPECT_TRUE(machine.WriteString("Driver", "/lib/x.so"));
    ASSERT_TRUE(machine.SetKey("Software\\odbc\\odbc.ini\\Qar\\Engines\\Jet", true));
    EXPECT_TRUE(machine.WriteBinaryInt("MaxBufferSize", 2048));

    CXRegistry user;
    ASSERT_TRUE(user.SetKey("SOFTWARE\\ODBC\\ODBC.INI\\Mine", true));
    EXPECT_TRUE(user.WriteString("UID", "alice"));

    EXPECT_EQ(iniSection(OdbcIniSandbox::systemFile(), "Qar"),
              (Values{{"Driver", "/lib/x.so"}, {"Engines\\Jet\\MaxBufferSize", "hex:00,08,00,00"}}));
    EXPECT_EQ(iniSections(OdbcIniSandbox::systemFile()), std::vector<std::string>{"Qar"});
    EXPECT_EQ(iniSection(sandbox.userFile(), "Mine"), (Values{{"UID", "alice"}}));
    EXPECT_EQ(iniSections(sandbox.userFile()), std::vector<std::string>{"Mine"});

    EXPECT_EQ(machine.ReadString("MaxBufferSize", "none"), "none") << "binary values are not strings";
    EXPECT_EQ(machine.GetValueType("MaxBufferSize"), kRegBinary);
    ASSERT_TRUE(machine.SetKey("SOFTWARE\\ODBC\\ODBC.INI\\QAR", false)) << "key names ignore case";
    EXPECT_EQ(machine.GetValueType("driver"), kRegSz);
    EXPECT_EQ(machine.ReadString("DRIVER", ""), "/lib/x.so");
    EXPECT_EQ(machine.GetValueType("Missing"), kRegNone);
    EXPECT_EQ(machine.GetValueType("MaxBufferSize"), kRegNone) << "a subkey's values stay in the subkey";

    ASSERT_TRUE(user.WriteBinaryInt("Neg", -2));
    ASSERT_TRUE(user.WriteString("Text", "hex:zz"));
    EXPECT_EQ(iniSection(sandbox.userFile(), "Mine"),
              (Values{{"UID", "alice"}, {"Neg", "hex:fe,ff,ff,ff"}, {"Text", "hex:zz"}}));
    EXPECT_EQ(user.GetValueType("Text"), kRegSz) << "only the byte notation counts as binary";
}

// A key is created only when asked, exists at once without values, and only in its own store; a key that
// cannot be opened leaves the current one in use.
TEST(CXRegistry, CreatesKeysOnlyWhenAskedAndAFailedOpenKeepsTheCurrentKey)
{
    OdbcIniSandbox sandbox;
    CXRegistry machine;
    machine.SetRootKey(HKEY_LOCAL_MACHINE);
    EXPECT_FALSE(machine.SetKey("SOFTWARE\\ODBC\\ODBC.INI\\Empty", false));
    EXPECT_EQ(machine.lastError(), kRegErrorFileNotFound);
    ASSERT_TRUE(machine.SetKey("SOFTWARE\\ODBC\\ODBC.INI\\Empty", true));
    EXPECT_EQ(machine.lastError(), kRegErrorSuccess);
    EXPECT_TRUE(iniSection(OdbcIniSandbox::systemFile(), "Empty").empty());
    EXPECT_EQ(iniSections(OdbcIniSandbox::systemFile()), std::vector<std::string>{"Empty"});
    CXRegistry later;
    later.SetRootKey(HKEY_LOCAL_MACHINE);
    EXPECT_TRUE(later.SetKey("SOFTWARE\\ODBC\\ODBC.INI\\Empty", false));

    CXRegistry reg;
    EXPECT_FALSE(reg.SetKey("SOFTWARE\\ODBC\\ODBC.INI\\Empty", false)) << "the user file is another store";
    ASSERT_TRUE(reg.SetKey("SOFTWARE\\ODBC\\ODBC.INI\\A", true));
    const std::pair<const char*, bool> failures[] = {
        {"SOFTWARE\\ODBC\\ODBC.INI\\B", false},       {"SOFTWARE\\ODBC\\ODBC.INI\\A\\Engines\\Jet", false},
        {"SOFTWARE\\Microsoft\\Windows", false},      {"SOFTWARE\\Microsoft\\Windows", true},
        {"SOFTWARE\\ODBC\\ODBC.INI\\Bad]Name", true},
    };
    for (const auto& [path, create] : failures) {
        SCOPED_TRACE(path);
        EXPECT_FALSE(reg.SetKey(path, create));
        EXPECT_NE(reg.lastError(), kRegErrorSuccess);
        EXPECT_EQ(reg.keyPath(), "SOFTWARE\\ODBC\\ODBC.INI\\A");
    }
    EXPECT_TRUE(reg.WriteString("Still", "here"));
    EXPECT_EQ(iniSection(sandbox.userFile(), "A"), (Values{{"Still", "here"}}));

    EXPECT_FALSE(reg.SetRootKey(static_cast<RegRoot>(0x80000004)));
    EXPECT_EQ(reg.rootKey(), HKEY_CURRENT_USER);
    reg.SetRootKey(HKEY_USERS);
    EXPECT_FALSE(reg.SetKey("SOFTWARE\\ODBC\\ODBC.INI\\A", false)) << "no store behind this root";
}

TEST(CXRegistry, NeverWritesAboveADataSourceOrUnnamedValues)
{
    OdbcIniSandbox sandbox;
    CXRegistry reg;
    reg.SetRootKey(HKEY_LOCAL_MACHINE);
    for (const char* path : {"SOFTWARE\\ODBC\\ODBC.INI", "SOFTWARE\\ODBC\\ODBC.INI\\", "SOFTWARE", ""}) {
        SCOPED_TRACE(path);
        ASSERT_TRUE(reg.SetKey(path, true));
        EXPECT_FALSE(reg.WriteString("Driver", "x"));
        EXPECT_FALSE(reg.WriteBinaryInt("DriverId", 25));
    }
    ASSERT_TRUE(reg.SetKey("SOFTWARE\\ODBC\\ODBC.INI\\ODBC Data Sources", true));
    EXPECT_FALSE(reg.WriteString("", "MySQL ODBC 3.51 Driver"));
    EXPECT_EQ(reg.lastError(), kRegErrorInvalidParameter);
    EXPECT_FALSE(reg.WriteString("a=b", "c"));
    EXPECT_FALSE(reg.WriteString("name", "two\nlines"));
    EXPECT_TRUE(iniSections(OdbcIniSandbox::systemFile()).empty());
}

TEST(CXRegistry, StringsOf255CharactersOrMoreAreNeitherWrittenNorRead)
{
    OdbcIniSandbox sandbox;
    CXRegistry reg;
    ASSERT_TRUE(reg.SetKey("SOFTWARE\\ODBC\\ODBC.INI\\Len", true));
    const std::string longest(254, 'a');
    EXPECT_TRUE(reg.WriteString("Fits", longest));
    EXPECT_EQ(reg.ReadString("Fits", "def"), longest);
    EXPECT_FALSE(reg.WriteString("TooLong", std::string(255, 'b')));
    EXPECT_EQ(reg.GetValueType("TooLong"), kRegNone);

    // A longer value put there by hand is not read either.
    test::writeFile(sandbox.userFile(), "[Len]\nHand=" + std::string(300, 'c') + "\n");
    CXRegistry fresh;
    ASSERT_TRUE(fresh.SetKey("SOFTWARE\\ODBC\\ODBC.INI\\Len", true));
    sandbox.forgetCachedReads();
    EXPECT_EQ(fresh.GetValueType("Hand"), kRegSz);
    EXPECT_EQ(fresh.ReadString("Hand", "def"), "def");
}

} // namespace
} // namespace qar
