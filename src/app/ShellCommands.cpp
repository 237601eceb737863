#include "app/ShellCommands.h"

#include "platform/Paths.h"

#include <cstdlib>

namespace qar
{

namespace
{

bool isSet(const char* value)
{
    return value != nullptr && *value != '\0';
}

} // namespace

LaunchRequest EditorRequest(const std::string& file, const char* visual, const char* editor,
                            const std::string& workingDirectory)
{
    LaunchRequest r;
    r.workingDirectory = workingDirectory;
    if (isSet(visual)) {
        r.path = visual;
        r.arguments = {file};
    } else if (isSet(editor)) {
        // A console editor needs a terminal of its own: the tool has none.
        r.path = "x-terminal-emulator";
        r.arguments = {"-e", editor, file};
    } else {
        r.kind = LaunchRequest::Kind::Document;
        r.path = file;
    }
    return r;
}

LaunchRequest ConfigurationRequest()
{
    return EditorRequest(ProgramPath("\\UserData\\config\\Server.Conf"), std::getenv("VISUAL"), std::getenv("EDITOR"),
                         GetProgramDir());
}

bool ServerConfigurationExists()
{
    return FileExists(ProgramPath("\\UserData\\config\\Server.Conf"));
}

std::optional<LaunchRequest> OptionRequest()
{
    const std::string server = ProgramPath("\\RXServer.exe");
    if (!FileExists(server)) {
        return std::nullopt;
    }
    return LaunchRequest{LaunchRequest::Kind::Program, server, {"-setting"}, GetProgramDir()};
}

LaunchRequest HelpRequest()
{
    return LaunchRequest{LaunchRequest::Kind::Document, ProgramPath("\\DBConf.htm"), {}, GetProgramDir()};
}

std::optional<LaunchRequest> SheetIntakeRequest(unsigned long long windowHandle, bool systemManager)
{
    const std::string windows = GetWindowsDir();
    const std::string units = windows + "/Data1.d_t";
    const std::string users = windows + "/Data2.d_t";
    if (!systemManager || !FileExists(units) || !FileExists(users)) {
        return std::nullopt;
    }
    // One argument, as the import tool parses it: "-bysys-h%d-unit%s-user%s".
    std::string argument = "-bysys-h" + std::to_string(windowHandle) + "-unit" + units + "-user" + users;
    return LaunchRequest{LaunchRequest::Kind::Program, ProgramPath("\\SheetIntake.exe"), {argument}, GetProgramDir()};
}

} // namespace qar
