#pragma once

#include "TempDir.h"

#include <map>
#include <string>
#include <utility>
#include <vector>

namespace qar::test
{

/// Points the driver manager's system file ($ODBCSYSINI/odbc.ini) at a folder of its own for the whole
/// test process: unixODBC reads ODBCSYSINI once, so it is set before the first ODBC call of the run.
/// Each test gets empty system and user files, a user file ($ODBCINI) in its own folder and a program
/// directory (QAR_PROGRAM_DIR) below it.
class OdbcIniSandbox
{
public:
    OdbcIniSandbox();
    ~OdbcIniSandbox();
    OdbcIniSandbox(const OdbcIniSandbox&) = delete;
    OdbcIniSandbox& operator=(const OdbcIniSandbox&) = delete;

    /// unixODBC keeps what it read for 20 seconds and forgets it on its own writes only: call this
    /// after changing an odbc.ini file by hand.
    void forgetCachedReads() const;

    static std::string systemFile();
    std::string userFile() const { return m_dir.file("user-odbc.ini"); }
    std::string programDir() const { return m_dir.file("program"); }
    std::string dbDat() const { return programDir() + "/UserData/config/DB.dat"; }

private:
    TempDir m_dir;
    ScopedEnv m_odbcIni;
    ScopedEnv m_programDir;
};

/// The values of one section of an odbc.ini file, in file order ("Name", "value").
std::vector<std::pair<std::string, std::string>> iniSection(const std::string& file, const std::string& section);
/// The section names of an odbc.ini file, in file order.
std::vector<std::string> iniSections(const std::string& file);

} // namespace qar::test
