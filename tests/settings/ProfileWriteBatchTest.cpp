#include "TempDir.h"
#include "settings/CProfileFile.h"

#include <gtest/gtest.h>

#include <filesystem>

using qar::CProfileFile;
using qar::test::readFile;
using qar::test::TempDir;
using qar::test::writeFile;

TEST(ProfileWriteBatch, GathersWritesOfEveryObjectOnTheFileAndWritesThemOnceAtTheEnd)
{
    TempDir dir;
    const std::string old = "[S]\r\nk=1\r\n";
    const std::string path = writeFile(dir.file("EnvInfo.dat"), old);
    CProfileFile writer(path, "S");
    CProfileFile reader(path, "S");
    {
        CProfileFile::WriteBatch batch(writer);
        writer.WriteString("k", "2");
        reader.WriteInt("n", 3);
        EXPECT_EQ(reader.GetString("k"), "2");
        EXPECT_EQ(writer.GetInt("n", 0), 3);
        {
            CProfileFile::WriteBatch inner(reader);
            reader.WriteString("m", "4");
            EXPECT_TRUE(inner.Commit()); // the outer batch writes
        }
        EXPECT_EQ(readFile(path), old);
    }
    EXPECT_EQ(readFile(path), "[S]\r\nk=2\r\nn=3\r\nm=4\r\n");
}

TEST(ProfileWriteBatch, CommitTellsWhetherTheFileWasWritten)
{
    TempDir dir;
    std::filesystem::create_directory(dir.file("folder.dat"));
    const struct
    {
        const char* file;
        bool write;
        bool committed;
        bool exists;
    } cases[] = {
        {"DB.dat", true, true, true},
        {"unchanged.dat", false, true, false}, // nothing written, nothing created
        {"no/such/folder/DB.dat", true, false, false},
        {"folder.dat", true, false, true}, // unreadable: left as it was
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        CProfileFile file(dir.file(c.file), "ODBC");
        CProfileFile::WriteBatch batch(file);
        if (c.write) {
            file.WriteString("DSN", "QarData");
        }
        EXPECT_EQ(batch.Commit(), c.committed);
        EXPECT_EQ(std::filesystem::exists(dir.file(c.file)), c.exists);
    }
    EXPECT_EQ(readFile(dir.file("DB.dat")), "[ODBC]\r\nDSN=QarData\r\n");
}
