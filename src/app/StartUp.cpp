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
        // A data source that exists is kept as it is: a site may have made it by hand (a host list,
        // its own timeouts) and registering again would overwrite that.
        if (!env.dataSourceExists()) {
            MySqlSetting setting = env.readMySqlSetting();
            const std::string charset = AdjustMySqlCharset(setting.charset, env.systemLcid());
            // A site with several servers names them all; the driver tries them in order.
            const std::string server = setting.servers.empty() ? result.options.serverAddress : setting.servers;
            // A failed registration is not detected here: opening the database reports it later.
            env.registerMySqlDataSource(server, charset, setting.port);
            env.pause(1000);
        }
    }
    result.runMainWindow = true;
    return result;
}

std::string MySqlHostList(std::string_view configured)
{
    std::string list;
    std::string entry;
    const auto flush = [&] {
        if (!entry.empty()) {
            list += (list.empty() ? "" : ",") + entry;
            entry.clear();
        }
    };
    for (char c : configured) {
        if (c == ',' || c == ';' || c == ' ' || c == '\t') {
            flush();
        } else {
            entry += c;
        }
    }
    flush();
    return list;
}

} // namespace qar
