// What a durable save costs: a small settings file and a 3.5 MB XML file saved through the tool's
// writer (data synced before the rename, the folder after it), against the same bytes written to a
// temporary file and renamed without any sync, as the earlier settings writer did. And a burst of ten
// settings keys, written one by one and in one batch. Times are wall-clock: a sync waits for the disk.
//
// The files lie in a fresh folder under QAR_BENCH_DIR (default: the current folder), so the disk of the
// build tree is measured; a memory file system would show no sync cost at all.
#include "platform/SafeFile.h"
#include "settings/CProfileFile.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <sys/vfs.h>
#include <unistd.h>

namespace
{

const std::string& folder()
{
    static const std::string path = [] {
        const char* base = std::getenv("QAR_BENCH_DIR");
        std::string pattern = std::string(base ? base : ".") + "/safefile-bench-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) {
            std::perror("mkdtemp");
            std::exit(1);
        }
        std::atexit([] { std::filesystem::remove_all(folder()); });
        return pattern;
    }();
    return path;
}

std::string fileSystemName()
{
    struct statfs fs = {};
    ::statfs(folder().c_str(), &fs);
    switch (fs.f_type) {
    case 0xEF53:
        return "ext4";
    case 0x58465342:
        return "xfs";
    case 0x9123683E:
        return "btrfs";
    case 0x01021994:
        return "tmpfs";
    default:
        return "type 0x" + std::to_string(fs.f_type);
    }
}

/// The earlier settings writer: a temporary file renamed over the target, nothing synced.
void saveUnsynced(const std::string& path, const std::string& bytes)
{
    const std::string temp = path + ".tmp";
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0 || ::write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) {
        std::abort();
    }
    ::close(fd);
    ::rename(temp.c_str(), path.c_str());
}

std::string settingsText()
{
    std::string text = "[ODBC]\r\nDSN=QarData\r\nUID=admin\r\nPWD=secret\r\n[CONFIG]\r\n";
    for (const char* key : {"ATB", "DTB", "PTB", "GTB", "MTB", "UNTB", "UTB", "CTB"}) {
        text += std::string(key) + "=TABLE_" + key + "\r\n";
    }
    return text;
}

std::string xmlText()
{
    std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n<USERS>\r\n";
    for (int i = 0; text.size() < 3500000; ++i) {
        text += "<USER ID=\"" + std::to_string(i) + "\" UNITS=\"" + std::to_string(i % 97) + "|" +
                std::to_string(i % 13) + "\" NAME=\"User number " + std::to_string(i) + "\"/>\r\n";
    }
    return text + "</USERS>\r\n";
}

/// One save of the given bytes, synced through the tool's writer (range 1) or unsynced (range 0).
void saveBench(benchmark::State& state, const std::string& name, const std::string& text)
{
    const bool synced = state.range(0) != 0;
    const std::string path = folder() + "/" + name;
    for (auto _ : state) {
        if (!synced) {
            saveUnsynced(path, text);
        } else if (!qar::WriteFileAtomically(path, text)) {
            state.SkipWithError("save failed");
        }
    }
    state.SetLabel(synced ? "synced" : "unsynced");
    state.counters["bytes"] = static_cast<double>(text.size());
}

void BM_SettingsFile(benchmark::State& state)
{
    saveBench(state, "DB.dat", settingsText());
}

void BM_XmlFile3_5MB(benchmark::State& state)
{
    saveBench(state, "Userx.xml", xmlText());
}

/// Ten keys in a row, as a form's save or the start-up writes them: one synced write each, or one batch.
void BM_SettingsBurst10Keys(benchmark::State& state)
{
    const bool batched = state.range(0) != 0;
    const std::string path = folder() + "/EnvInfo.dat";
    qar::WriteFileAtomically(path, settingsText());
    qar::CProfileFile file(path, "EnvInfo");
    int round = 0;
    const auto writeKeys = [&] {
        for (int k = 0; k < 10; ++k) {
            file.WriteInt("m_nKey" + std::to_string(k), round);
        }
    };
    for (auto _ : state) {
        ++round;
        if (batched) {
            qar::CProfileFile::WriteBatch batch(file);
            writeKeys();
        } else {
            writeKeys();
        }
    }
    state.SetLabel(batched ? "one batch" : "one by one");
}

} // namespace

BENCHMARK(BM_SettingsFile)->Arg(0)->Arg(1)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_XmlFile3_5MB)->Arg(0)->Arg(1)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SettingsBurst10Keys)->Arg(0)->Arg(1)->UseRealTime()->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    benchmark::AddCustomContext("file system", fileSystemName() + " at " + folder());
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
