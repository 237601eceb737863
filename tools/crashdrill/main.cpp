// crash_drill TRIALS FOLDER: kills saves of a 3.5 MB XML file and of a 150 KB settings file and checks
// what a reader finds afterwards. For each writer and each way of making the temporary file (unnamed,
// and named as on file systems without unnamed files):
//   - TRIALS saves killed with SIGKILL at a random moment, then one step of each save killed on purpose:
//     the file must be the complete old or new version, and the next save must leave no temporary file;
//   - saves under a file-size limit below the new size (a full disk), and one exactly at it;
//   - saves into a folder the writer may not write.
// Exits 1 when any check fails. QAR_DRILL_SEED repeats a run's random moments.
#include "platform/SafeFile.h"
#include "settings/CProfileFile.h"
#include "xml/CXMarkupFile.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <grp.h>
#include <random>
#include <signal.h>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using qar::SaveStep;

namespace
{

struct Writer
{
    std::string name;
    fs::path folder;
    std::string fileName;
    std::string versions[2];
    /// Saves version `v` to `path` in the calling process; false when the save failed.
    std::function<bool(int v, const std::string& path)> save;

    fs::path file() const { return folder / fileName; }
};

struct Tally
{
    int trials = 0, killed = 0, old = 0, fresh = 0, corrupt = 0, missing = 0, leftAfterKill = 0, leftover = 0;
    int wrongResult = 0;

    bool failed() const { return corrupt || missing || leftover || wrongResult; }
};

std::string readAll(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

int strayFiles(const Writer& w)
{
    int n = 0;
    for (const auto& e : fs::directory_iterator(w.folder)) {
        n += e.path().filename() != w.fileName;
    }
    return n;
}

/// 0 or 1 when the file holds that version whole, -1 when missing, -2 when it is anything else.
int versionIn(const Writer& w)
{
    if (!fs::exists(w.file())) {
        return -1;
    }
    const std::string bytes = readAll(w.file());
    return bytes == w.versions[0] ? 0 : bytes == w.versions[1] ? 1 : -2;
}

void record(Tally& t, int found, int before)
{
    ++t.trials;
    t.missing += found == -1;
    t.corrupt += found == -2;
    t.old += found == before;
    t.fresh += found >= 0 && found != before;
}

/// The next save of the same file, by a process that lives: it must remove what the killed one left.
void saveAgain(const Writer& w, Tally& t)
{
    const int next = std::max(versionIn(w), 0) ^ 1;
    if (!w.save(next, w.file().string()) || versionIn(w) != next) {
        ++t.wrongResult;
    }
    t.leftover += strayFiles(w);
}

int runChild(const std::function<bool()>& body)
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::_exit(body() ? 0 : 1);
    }
    return pid;
}

int waitChild(pid_t pid)
{
    int status = 0;
    ::waitpid(pid, &status, 0);
    return status;
}

SaveStep g_killAt;

void killAtStep(SaveStep step)
{
    if (step == g_killAt) {
        ::raise(SIGKILL);
    }
}

/// Saves killed at a random moment: the child saves the other version, then the first again and so on,
/// and says when it starts; the kill follows within the time two saves take, so it always cuts one.
void randomKills(const Writer& w, int trials, std::mt19937_64& random, Tally& t)
{
    const auto started = std::chrono::steady_clock::now();
    for (int i = 0; i < 4; ++i) {
        w.save(std::max(versionIn(w), 0) ^ 1, w.file().string());
    }
    const auto span = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - started);
    std::uniform_int_distribution<long long> delay(0, span.count() / 2);
    for (int i = 0; i < trials; ++i) {
        const int before = versionIn(w);
        int ready[2];
        if (::pipe(ready) != 0) {
            std::abort();
        }
        const pid_t pid = runChild([&] {
            const char go = 1;
            if (::write(ready[1], &go, 1) != 1) {
                return false;
            }
            for (int v = before ^ 1;; v ^= 1) {
                w.save(v, w.file().string());
            }
        });
        char go = 0;
        (void)!::read(ready[0], &go, 1);
        ::close(ready[0]);
        ::close(ready[1]);
        std::this_thread::sleep_for(std::chrono::microseconds(delay(random)));
        ::kill(pid, SIGKILL);
        t.killed += WIFSIGNALED(waitChild(pid));
        record(t, versionIn(w), before);
        t.leftAfterKill += strayFiles(w) > 0;
        saveAgain(w, t);
    }
}

/// Saves killed right at each step: the file must be the old version up to the rename, the new after.
void stepKills(const Writer& w, Tally& t)
{
    for (SaveStep step : {SaveStep::Created, SaveStep::Written, SaveStep::Synced, SaveStep::Named, SaveStep::Replaced,
                          SaveStep::FolderSynced}) {
        const int before = versionIn(w);
        g_killAt = step;
        const pid_t pid = runChild([&] {
            qar::safefile_test::SetStepObserver(killAtStep);
            return w.save(before ^ 1, w.file().string());
        });
        t.killed += WIFSIGNALED(waitChild(pid));
        const int found = versionIn(w);
        record(t, found, before);
        t.wrongResult += found != (step >= SaveStep::Replaced ? before ^ 1 : before);
        t.leftAfterKill += strayFiles(w) > 0;
        saveAgain(w, t);
    }
}

/// Saves under a file-size limit: below the new size they fail as on a full disk, at it they succeed.
void fullDisk(const Writer& w, int trials, std::mt19937_64& random, Tally& t)
{
    for (int i = 0; i <= trials + 1; ++i) {
        const int before = std::max(versionIn(w), 0);
        const auto size = static_cast<rlim_t>(w.versions[before ^ 1].size());
        const rlim_t limit = i == trials ? size - 1 : i > trials ? size : random() % size;
        const pid_t pid = runChild([&] {
            ::signal(SIGXFSZ, SIG_IGN); // the write then fails with EFBIG, as one fails on a full disk
            const rlimit r{limit, limit};
            return ::setrlimit(RLIMIT_FSIZE, &r) == 0 && w.save(before ^ 1, w.file().string()) == (limit >= size);
        });
        const int status = waitChild(pid);
        const int found = versionIn(w);
        record(t, found, before);
        t.wrongResult +=
            !WIFEXITED(status) || WEXITSTATUS(status) != 0 || found != (limit >= size ? before ^ 1 : before);
        t.leftover += strayFiles(w);
    }
}

/// A folder the writer may not write: root ignores folder permissions, so the child gives up root for
/// "nobody" (the folder stays root's, mode 0755); anyone else finds the folder made read-only.
void unwritableFolder(const Writer& w, int trials, Tally& t)
{
    const bool root = ::geteuid() == 0;
    if (!root) {
        fs::permissions(w.folder, fs::perms::owner_read | fs::perms::owner_exec);
    }
    for (int i = 0; i < trials; ++i) {
        const int before = std::max(versionIn(w), 0);
        const pid_t pid = runChild([&] {
            if (root && (::chdir(w.folder.c_str()) != 0 || ::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 ||
                         ::setuid(65534) != 0)) {
                return false;
            }
            return !w.save(before ^ 1, root ? w.fileName : w.file().string());
        });
        const int status = waitChild(pid);
        record(t, versionIn(w), before);
        t.wrongResult += !WIFEXITED(status) || WEXITSTATUS(status) != 0 || versionIn(w) != before;
        t.leftover += strayFiles(w);
    }
    fs::permissions(w.folder, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                  fs::perms::others_read | fs::perms::others_exec);
}

/// A users file of about 3.5 MB; the second version has other values and one more user.
Writer xmlWriter(const fs::path& folder)
{
    static qar::CXMarkupFile docs[2];
    Writer w{"XML", folder, "Userx.xml", {}, {}};
    for (int v = 0; v < 2; ++v) {
        std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n<USERS>\r\n";
        for (int i = 0; i < 26000 + v; ++i) {
            text += "<USER ID=\"u" + std::to_string(i) + "\" NAME=\"User number " + std::to_string(i) + "\" UNIT=\"" +
                    std::to_string(i % 97) + "\" MAIL=\"user" + std::to_string(i) +
                    (v ? "@example.org" : "@example.com") + "\" PHONE=\"555-0100\"/>\r\n";
        }
        text += "</USERS>\r\n";
        docs[v].SetDocument(text);
        docs[v].SaveFile((folder / "version").string());
        w.versions[v] = readAll(folder / "version");
    }
    fs::remove(folder / "version");
    w.save = [](int v, const std::string& path) { return docs[v].SaveFile(path); };
    return w;
}

/// A settings file of about 150 KB; the versions differ in one key, the second value much longer.
Writer settingsWriter(const fs::path& folder)
{
    static const std::string values[2] = {"short", std::string(200, 'L')};
    Writer w{"settings", folder, "DB.dat", {}, {}};
    std::string text;
    for (int s = 0; text.size() < 150000; ++s) {
        text += "[Section" + std::to_string(s) + "]\r\n";
        for (int k = 0; k < 40; ++k) {
            text += "Key" + std::to_string(k) + "=value " + std::to_string(s * 40 + k) + "\r\n";
        }
    }
    w.save = [](int v, const std::string& path) {
        qar::CProfileFile file(path, "Section7");
        qar::CProfileFile::WriteBatch batch(file);
        file.WriteString("Key20", values[v]);
        return batch.Commit();
    };
    for (int v = 0; v < 2; ++v) {
        qar::WriteFileAtomically(w.file().string(), text);
        w.save(v, w.file().string());
        w.versions[v] = readAll(w.file());
    }
    return w;
}

void print(const std::string& writer, const char* route, const char* check, const Tally& t)
{
    std::printf("%-9s %-8s %-18s %6d %6d %6d %6d %7d %7d %10d %8d %6d\n", writer.c_str(), route, check, t.trials,
                t.killed, t.old, t.fresh, t.corrupt, t.missing, t.leftAfterKill, t.leftover, t.wrongResult);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3 || std::atoi(argv[1]) <= 0) {
        std::fprintf(stderr, "usage: crash_drill TRIALS FOLDER\n");
        return 2;
    }
    const int trials = std::atoi(argv[1]);
    const fs::path root = argv[2];
    const char* seedText = std::getenv("QAR_DRILL_SEED");
    const auto seed = seedText ? std::strtoull(seedText, nullptr, 10) : std::random_device()();
    std::mt19937_64 random(seed);
    std::printf("crash drill: %d killed saves per writer and route, seed %llu, in %s\n", trials,
                static_cast<unsigned long long>(seed), root.c_str());
    std::printf("%-9s %-8s %-18s %6s %6s %6s %6s %7s %7s %10s %8s %6s\n", "writer", "route", "check", "saves", "killed",
                "old", "new", "corrupt", "missing", "left(kill)", "leftover", "wrong");
    bool failed = false;
    for (const bool unnamed : {true, false}) {
        qar::safefile_test::SetUnnamedTemporaryFiles(unnamed);
        const char* route = unnamed ? "unnamed" : "named";
        using Make = Writer (*)(const fs::path&);
        for (const auto& [kind, make] : {std::pair<const char*, Make>{"xml", xmlWriter},
                                         std::pair<const char*, Make>{"settings", settingsWriter}}) {
            const fs::path folder = root / (std::string(kind) + "-" + route);
            fs::remove_all(folder);
            fs::create_directories(folder);
            const Writer w = make(folder);
            Tally kills, steps, disk, folderCheck;
            randomKills(w, trials, random, kills);
            stepKills(w, steps);
            fullDisk(w, std::max(trials / 10, 5), random, disk);
            unwritableFolder(w, 3, folderCheck);
            print(w.name, route, "SIGKILL at random", kills);
            print(w.name, route, "SIGKILL at steps", steps);
            print(w.name, route, "full disk", disk);
            print(w.name, route, "unwritable folder", folderCheck);
            failed = failed || kills.failed() || steps.failed() || disk.failed() || folderCheck.failed();
            fs::remove_all(folder);
        }
    }
    std::printf("%s\n", failed ? "FAILED" : "passed: every file whole, none missing, no temporary file left");
    return failed ? 1 : 0;
}
