#pragma once

#include "app/CommandLine.h"

#include <string>
#include <string_view>

namespace qar
{

/// Character set and port of the database server, from MySQL_Setting.dat beside the program folder, and
/// the servers of a site that runs several (a cluster): "MySQL_Servers=db1,db2:3307,db3".
struct MySqlSetting
{
    std::string charset;
    int port = 4397;
    std::string servers; ///< the host list the driver accepts ("db1,db2:3307"), empty for none
};

/// The host list of a "MySQL_Servers" value: entries separated by commas, semicolons or blanks, joined
/// with commas as the driver's SERVER value takes them ("db1,db2:3307,db3"); entries without a port
/// use the data source's PORT.
std::string MySqlHostList(std::string_view configured);

/// What start-up needs from the machine, behind one interface so every branch can be exercised.
class StartUpEnvironment
{
public:
    virtual ~StartUpEnvironment() = default;

    /// The path of the database settings file (DB.dat) when it does not exist, empty when it does.
    virtual std::string missingDatabaseSettings() = 0;
    /// True when RXServer.exe lies in the program directory: the tool runs beside the server.
    virtual bool serverBesideProgram() = 0;
    virtual bool isDataSourceRegistered() = 0;
    /// True when a data source of DB.dat's name exists at all (the user's or the machine's), made by a
    /// registration or by hand.
    virtual bool dataSourceExists() = 0;
    /// Creates program directory + `relative` when it is not a directory; failures are ignored.
    virtual void ensureDirectory(const std::string& relative) = 0;
    virtual MySqlSetting readMySqlSetting() = 0;
    virtual int systemLcid() = 0;
    virtual void registerMySqlDataSource(const std::string& server, const std::string& charset, int port) = 0;
    virtual void pause(int milliseconds) = 0;
};

/// The outcome of start-up: run the main window with these options, or show a message and end.
struct StartUpResult
{
    bool runMainWindow = false;
    int messageId = 0;           ///< string id of the message to show before ending, 0 for none
    std::string messageArgument; ///< what the message's "%s" names, empty when it has none
    bool localStart = false;
    StartOptions options;
};

/// Decides how the tool was started and prepares the data source and the data directories.
StartUpResult DecideStartUp(std::string_view commandLine, StartUpEnvironment& env);

/// The machine itself: program directory, ODBC data sources, settings files, the system locale.
class SystemStartUpEnvironment : public StartUpEnvironment
{
public:
    std::string missingDatabaseSettings() override;
    bool serverBesideProgram() override;
    bool isDataSourceRegistered() override;
    bool dataSourceExists() override;
    void ensureDirectory(const std::string& relative) override;
    MySqlSetting readMySqlSetting() override;
    int systemLcid() override;
    void registerMySqlDataSource(const std::string& server, const std::string& charset, int port) override;
    void pause(int milliseconds) override;
};

} // namespace qar
