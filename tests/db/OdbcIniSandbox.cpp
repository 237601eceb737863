#include "OdbcIniSandbox.h"

#include <odbcinst.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>

namespace qar::test
{

namespace
{

const std::string& systemDir()
{
    static TempDir* dir = [] {
        auto* d = new TempDir; // lives as long as the process: the driver manager keeps the path
        setenv("ODBCSYSINI", d->path().c_str(), 1);
        return d;
    }();
    static const std::string path = dir->path().string();
    return path;
}

std::string trim(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

} // namespace

OdbcIniSandbox::OdbcIniSandbox()
    : m_odbcIni("ODBCINI", m_dir.file("user-odbc.ini").c_str()),
      m_programDir("QAR_PROGRAM_DIR", m_dir.file("program").c_str())
{
    std::filesystem::remove(systemFile());
    std::filesystem::create_directories(programDir() + "/UserData/config");
    forgetCachedReads();
}

void OdbcIniSandbox::forgetCachedReads() const
{
    const std::string scratch = m_dir.file("scratch.ini");
    SQLWritePrivateProfileString("scratch", "value", "1", scratch.c_str());
}

OdbcIniSandbox::~OdbcIniSandbox()
{
    std::error_code ec;
    std::filesystem::remove(systemFile(), ec);
}

std::string OdbcIniSandbox::systemFile()
{
    return systemDir() + "/odbc.ini";
}

std::vector<std::pair<std::string, std::string>> iniSection(const std::string& file, const std::string& section)
{
    std::vector<std::pair<std::string, std::string>> values;
    std::istringstream in(readFile(file));
    bool inside = false;
    for (std::string line; std::getline(in, line);) {
        line = trim(line);
        if (!line.empty() && line.front() == '[') {
            inside = line == "[" + section + "]";
        } else if (inside && !line.empty()) {
            const auto eq = line.find('=');
            values.emplace_back(trim(line.substr(0, eq)), eq == std::string::npos ? "" : trim(line.substr(eq + 1)));
        }
    }
    return values;
}

std::vector<std::string> iniSections(const std::string& file)
{
    std::vector<std::string> names;
    std::istringstream in(readFile(file));
    for (std::string line; std::getline(in, line);) {
        line = trim(line);
        if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
            names.push_back(line.substr(1, line.size() - 2));
        }
    }
    return names;
}

} // namespace qar::test
