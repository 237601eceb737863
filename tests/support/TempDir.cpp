#include "TempDir.h"

#include "platform/Locale.h"
#include "platform/SafeFile.h"

#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <system_error>

namespace qar::test
{

TempDir::TempDir()
{
    std::random_device rd;
    auto base = std::filesystem::temp_directory_path();
    for (;;) {
        auto candidate = base / ("qar-test-" + std::to_string(rd()));
        std::error_code ec;
        if (std::filesystem::create_directory(candidate, ec)) {
            m_path = candidate;
            return;
        }
    }
}

TempDir::~TempDir()
{
    std::error_code ec;
    std::filesystem::remove_all(m_path, ec);
}

std::string TempDir::file(const std::string& relative) const
{
    return (m_path / relative).string();
}

std::string writeFile(const std::string& path, const std::string& bytes)
{
    std::filesystem::path p(path);
    if (p.has_parent_path()) {
        std::filesystem::create_directories(p.parent_path());
    }
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return path;
}

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

ScopedLcid::ScopedLcid(int lcid) : m_previous(GetSystemDefaultLCID())
{
    SetSystemDefaultLCID(lcid);
}

ScopedLcid::~ScopedLcid()
{
    SetSystemDefaultLCID(m_previous);
}

ScopedEnv::ScopedEnv(const char* name, const char* value) : m_name(name)
{
    const char* old = std::getenv(name);
    m_had = old != nullptr;
    if (m_had) {
        m_old = old;
    }
    if (value) {
        setenv(name, value, 1);
    } else {
        unsetenv(name);
    }
}

ScopedEnv::~ScopedEnv()
{
    if (m_had) {
        setenv(m_name.c_str(), m_old.c_str(), 1);
    } else {
        unsetenv(m_name.c_str());
    }
}

namespace
{
std::string g_blockedPath; ///< armed by ScopedSaveFailure, cleared once it has struck

void blockTarget(SaveStep step)
{
    if (step != SaveStep::Written || g_blockedPath.empty()) {
        return;
    }
    std::error_code ec;
    std::filesystem::rename(g_blockedPath, g_blockedPath + ".kept", ec);
    std::filesystem::create_directories(g_blockedPath + "/in-the-way", ec);
    g_blockedPath.clear();
}
} // namespace

ScopedSaveFailure::ScopedSaveFailure(std::string path)
{
    g_blockedPath = std::move(path);
    m_path = g_blockedPath;
    safefile_test::SetStepObserver(blockTarget);
}

ScopedSaveFailure::~ScopedSaveFailure()
{
    safefile_test::SetStepObserver(nullptr);
    g_blockedPath.clear();
    std::error_code ec;
    if (std::filesystem::is_directory(m_path, ec)) {
        std::filesystem::remove_all(m_path, ec);
        std::filesystem::rename(m_path + ".kept", m_path, ec);
    }
}

} // namespace qar::test
