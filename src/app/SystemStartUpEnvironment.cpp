#include "app/StartUp.h"
#include "db/ConnectString.h"
#include "db/DataSourceRegistration.h"
#include "platform/Locale.h"
#include "platform/Paths.h"
#include "settings/CProfileFile.h"

#include <chrono>
#include <filesystem>
#include <system_error>
#include <thread>

namespace qar
{

std::string SystemStartUpEnvironment::missingDatabaseSettings()
{
    std::string path = DbDatPath();
    return FileExists(path) ? std::string() : path;
}

bool SystemStartUpEnvironment::serverBesideProgram()
{
    return FileExists(ProgramPath("\\RXServer.exe"));
}

bool SystemStartUpEnvironment::isDataSourceRegistered()
{
    return IsDsnRegistered();
}

bool SystemStartUpEnvironment::dataSourceExists()
{
    return DsnKeyExists(ProgramPath("\\UserData\\config\\DB.dat"));
}

void SystemStartUpEnvironment::ensureDirectory(const std::string& relative)
{
    const std::string path = ProgramPath(relative);
    if (!DirectoryExists(path)) {
        std::error_code ec;
        std::filesystem::create_directory(path, ec);
    }
}

MySqlSetting SystemStartUpEnvironment::readMySqlSetting()
{
    CProfileFile file(ParentDirectory(GetProgramDir()) + "/MySQL_Setting.dat", "Info");
    MySqlSetting setting;
    setting.charset = file.GetString("MySQL_ChSet", "");
    setting.port = file.GetInt("MySQL_Port", 4397);
    setting.servers = MySqlHostList(file.GetString("MySQL_Servers", ""));
    return setting;
}

int SystemStartUpEnvironment::systemLcid()
{
    return GetSystemDefaultLCID();
}

void SystemStartUpEnvironment::registerMySqlDataSource(const std::string& server, const std::string& charset, int port)
{
    RegisterMySqlDsn(server, charset, port);
}

void SystemStartUpEnvironment::pause(int milliseconds)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

} // namespace qar
