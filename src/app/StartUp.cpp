#include "app/StartUp.h"

#include "resources/StringIds.h"

namespace qar
{

StartUpResult DecideStartUp(std::string_view commandLine, StartUpEnvironment& env)
{
    StartUpResult result;
    // Without DB.dat neither start can name a data source: a fresh installation is told what to set up
    // and where, rather than that a data source it never heard of cannot be reached.
    result.messageArgument = env.missingDatabaseSettings();
    if (!result.messageArgument.empty()) {
        result.messageId = str::kNoDatabaseSettingsFormat;
        return result;
    }
    result.localStart = env.serverBesideProgram();

    bool parsed = false;
    result.options = StartOptionsFor(commandLine, result.localStart, parsed);

    if (result.localStart) {
        // Beside the server the data source is the server installation's business: never register one.
        if (!env.isDataSourceRegistered()) {
            result.messageId = str::kCheckOdbcSettings;
            return result;
        }
        env.ensureDirectory("\\UserData\\config");
        env.ensureDirectory("\\UserData\\config\\icodata");
    } else {
        if (!parsed) {
            result.messageId = str::kUseOrrinClient;
            return result;
        }
        if (!env.isDataSourceRegistered()) {
            MySqlSetting setting = env.readMySqlSetting();
            const std::string charset = AdjustMySqlCharset(setting.charset, env.systemLcid());
            // A failed registration is not detected here: opening the database reports it later.
            env.registerMySqlDataSource(result.options.serverAddress, charset, setting.port);
            env.pause(1000);
        }
    }
    result.runMainWindow = true;
    return result;
}

} // namespace qar
