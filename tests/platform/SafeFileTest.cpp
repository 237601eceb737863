#include "platform/SafeFile.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <set>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using qar::SaveStep;
using qar::test::readFile;
using qar::test::TempDir;
using qar::test::writeFile;
namespace fs = std::filesystem;

namespace
{

std::set<std::string> entries(const TempDir& dir)
{
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(dir.path())) {
        names.insert(e.path().filename());
    }
    return names;
}

/// Runs `body` in a child process; its exit status, or 128 + the signal that ended it.
int inChild(const std::function<int()>& body)
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::_exit(body());
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : WEXITSTATUS(status);
}

SaveStep g_killAt;

void killAt(SaveStep step)
{
    if (step == g_killAt) {
        ::raise(SIGKILL);
    }
}

/// Both ways of making the temporary file: unnamed, and named as where the file system has no unnamed files.
class SafeFileRoute : public testing::TestWithParam<bool>
{
protected:
    void SetUp() override { qar::safefile_test::SetUnnamedTemporaryFiles(GetParam()); }
    void TearDown() override { qar::safefile_test::SetUnnamedTemporaryFiles(true); }
};

} // namespace

TEST(SafeFile, NextSaveRemovesOnlyLeftoversOfEndedProcesses)
{
    TempDir dir;
    const pid_t ended = ::fork();
    if (ended == 0) {
        ::_exit(0);
    }
    ::waitpid(ended, nullptr, 0);
    const std::string dead = std::to_string(ended);
    const std::string living = std::to_string(::getppid());
    const struct
    {
        std::string name;
        bool removed;
        int ageSeconds = 0;
    } cases[] = {
        {".~a.xml." + dead + "-3.tmp", true},  {".~a.xml." + living + "-3.tmp", false},
        {"a.xml.tmp" + dead + "_0", true},     {"a.xml.tmp" + living + "_0", false},
        {".~a.xml.Ab12Cd", true, 61},          // the earlier writer's name: no process id, so its age counts
        {".~a.xml.Ab12Ce", false, 50},         // not old enough
        {".~a.xml.Ab12Cf", false, 600},        // old, but still open (below)
        {".~a.xml." + dead + "-4.tmp", false}, // locked by a living writer (below)
        {".~b.xml." + dead + "-3.tmp", false}, // another file's
        {".~a.xml." + dead + "-x.tmp", false}, {"a.xml.tmp" + dead, false},
    };
    for (const auto& c : cases) {
        writeFile(dir.file(c.name), "partial");
        const timespec times[2] = {{::time(nullptr) - c.ageSeconds, 0}, {::time(nullptr) - c.ageSeconds, 0}};
        ASSERT_EQ(::utimensat(AT_FDCWD, dir.file(c.name).c_str(), times, 0), 0);
    }
    const int open = ::open(dir.file(".~a.xml.Ab12Cf").c_str(), O_RDONLY);
    const int locked = ::open(dir.file(".~a.xml." + dead + "-4.tmp").c_str(), O_RDWR);
    struct flock lock = {};
    lock.l_type = F_WRLCK;
    ASSERT_EQ(::fcntl(locked, F_OFD_SETLK, &lock), 0);

    ASSERT_TRUE(qar::WriteFileAtomically(dir.file("a.xml"), "new"));
    ::close(open);
    ::close(locked);
    std::set<std::string> expected = {"a.xml"};
    for (const auto& c : cases) {
        if (!c.removed) {
            expected.insert(c.name);
        }
    }
    EXPECT_EQ(entries(dir), expected);
}

TEST_P(SafeFileRoute, KilledSaveLeavesOldOrNewFileAndNextSaveRemovesWhatItLeft)
{
    const bool unnamed = GetParam();
    const struct
    {
        SaveStep step;
        bool replaced;
        bool leavesName; ///< a temporary name the next save must remove
    } cases[] = {
        {SaveStep::Created, false, !unnamed}, {SaveStep::Written, false, !unnamed},
        {SaveStep::Synced, false, !unnamed},  {SaveStep::Named, false, true}, // right after it got its name
        {SaveStep::Replaced, true, false},    {SaveStep::FolderSynced, true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.step));
        TempDir dir;
        const std::string path = writeFile(dir.file("role.xml"), "old");
        g_killAt = c.step;
        EXPECT_EQ(inChild([&] {
                      qar::safefile_test::SetStepObserver(killAt);
                      return qar::WriteFileAtomically(path, "new") ? 0 : 1;
                  }),
                  128 + SIGKILL);
        EXPECT_EQ(readFile(path), c.replaced ? "new" : "old");
        EXPECT_EQ(entries(dir).size(), c.leavesName ? 2U : 1U);
        ASSERT_TRUE(qar::WriteFileAtomically(path, "next"));
        EXPECT_EQ(entries(dir), std::set<std::string>{"role.xml"});
    }
}

TEST_P(SafeFileRoute, FileSizeLimitLikeAFullDiskFailsOneByteShortOfTheNewFile)
{
    TempDir dir;
    const std::string path = writeFile(dir.file("DB.dat"), "old");
    const std::string bytes(70000, 'x');
    for (const rlim_t limit : {bytes.size() - 1, bytes.size()}) {
        SCOPED_TRACE(limit);
        const int status = inChild([&] {
            ::signal(SIGXFSZ, SIG_IGN);
            const rlimit r{limit, limit};
            return ::setrlimit(RLIMIT_FSIZE, &r) == 0 ? qar::WriteFileChecked(path, bytes).error : -1;
        });
        EXPECT_EQ(status, limit < bytes.size() ? EFBIG : 0);
        EXPECT_EQ(readFile(path), limit < bytes.size() ? "old" : bytes);
        EXPECT_EQ(entries(dir), std::set<std::string>{"DB.dat"});
    }
}

INSTANTIATE_TEST_SUITE_P(Routes, SafeFileRoute, testing::Bool(),
                         [](const testing::TestParamInfo<bool>& route) { return route.param ? "Unnamed" : "Named"; });

TEST(SafeFile, FailuresTellWhyAndKeepEveryFileAsItWas)
{
    TempDir dir;
    const std::string old = writeFile(dir.file("a.ico"), "icon");
    writeFile(dir.file("plain"), "not a folder");
    EXPECT_EQ(qar::WriteFileChecked(dir.file("plain/a.xml"), "x").error, ENOTDIR);
    EXPECT_EQ(qar::CopyFileChecked(dir.file("none.ico"), old).error, ENOENT);
    EXPECT_EQ(qar::MoveFileChecked(old, dir.file("missing/a.ico")).error, ENOENT);
    EXPECT_EQ(readFile(old), "icon");
    EXPECT_EQ(entries(dir), (std::set<std::string>{"a.ico", "plain"}));
}
