// Settings files come from people's editors, older installations and the server: any bytes must read
// and write without a crash, and a plain key written must read back as written.
#include "settings/CProfileFile.h"
#include "settings/ProfileText.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <unistd.h>

namespace
{

char g_dir[64];

const std::string& filePath()
{
    // A memory file system where there is one: every write syncs its file, which on a disk would make
    // the fuzzer spend its time waiting.
    static const std::string path = [] {
        std::snprintf(g_dir, sizeof g_dir, "%s/qar-fuzz-profile-XXXXXX",
                      ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp");
        if (!::mkdtemp(g_dir)) {
            std::abort();
        }
        std::atexit([] {
            ::unlink((std::string(g_dir) + "/fuzz.dat").c_str());
            ::rmdir(g_dir);
        });
        return std::string(g_dir) + "/fuzz.dat";
    }();
    return path;
}

/// Reads the operation script: each operation is an opcode byte and length-prefixed texts.
class Script
{
public:
    explicit Script(std::string_view bytes) : m_bytes(bytes) {}
    bool done() const { return m_pos >= m_bytes.size(); }
    std::uint8_t byte() { return done() ? 0 : static_cast<std::uint8_t>(m_bytes[m_pos++]); }
    std::string text()
    {
        std::size_t n = byte() % 32;
        n = std::min(n, m_bytes.size() - std::min(m_pos, m_bytes.size()));
        std::string s(m_bytes.substr(m_pos, n));
        m_pos += n;
        return s;
    }

private:
    std::string_view m_bytes;
    std::size_t m_pos = 0;
};

bool isPlainName(const std::string& s)
{
    if (s.empty()) {
        return false;
    }
    for (char c : s) {
        bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
        if (!ok) {
            return false;
        }
    }
    return true;
}

bool startsWith(std::string_view s, std::string_view prefix)
{
    return s.substr(0, prefix.size()) == prefix;
}

bool endsWith(std::string_view s, std::string_view suffix)
{
    return s.size() >= suffix.size() && s.substr(s.size() - suffix.size()) == suffix;
}

/// A write keeps every byte of the file apart from the value it replaces or the place it inserts at.
void checkWriteKeepsTheRest(std::string_view text, const std::string& section, const std::string& key,
                            const std::string& value)
{
    qar::ProfileLocation loc = qar::LocateProfileKey(text, section, key);
    std::string out = qar::WriteProfileKey(text, section, key, value);
    std::size_t cut = loc.keyFound ? loc.valueBegin : loc.sectionFound ? loc.insertAt : text.size();
    std::size_t resume = loc.keyFound ? loc.valueEnd : cut;
    if (!startsWith(out, text.substr(0, cut)) || !endsWith(out, text.substr(resume)) ||
        out.size() < text.size() - (resume - cut)) {
        std::abort();
    }
}

std::string fileText()
{
    std::ifstream in(filePath(), std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0) {
        return 0;
    }
    // The last byte tells how many bytes before it are the operation script; the rest is the file.
    std::string_view input(reinterpret_cast<const char*>(data), size - 1);
    std::size_t scriptLength = std::min<std::size_t>(input.size(), data[size - 1]);
    std::string_view content = input.substr(0, input.size() - scriptLength);
    Script script(input.substr(input.size() - scriptLength));

    FILE* f = std::fopen(filePath().c_str(), "wb");
    if (!f) {
        std::abort();
    }
    std::fwrite(content.data(), 1, content.size(), f);
    std::fclose(f);

    qar::CProfileFile profile(filePath(), "S");
    for (int ops = 0; ops < 16 && !script.done(); ++ops) {
        std::uint8_t op = script.byte() % 4;
        std::string key = script.text();
        std::string section = script.text();
        if (op == 0) {
            if (profile.GetString(key, script.text(), section).size() > 255) {
                std::abort();
            }
        } else if (op == 1) {
            profile.GetInt(key, static_cast<int>(script.byte()) - 128, section);
        } else {
            std::string value = script.text();
            if (isPlainName(key) && isPlainName(section) && isPlainName(value)) {
                checkWriteKeepsTheRest(fileText(), section, key, value);
            }
            profile.WriteString(key, value, section);
            // A plain name and value always read back as written, whatever the file held before.
            if (isPlainName(key) && isPlainName(profile.Section()) && isPlainName(value) &&
                profile.GetString(key, "-") != value) {
                std::abort();
            }
        }
    }
    return 0;
}
