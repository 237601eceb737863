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

std::optional<std::vector<std::string>> SplitCommandLine(std::string_view command)
{
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;
    for (std::size_t i = 0; i < command.size(); ++i) {
        const char c = command[i];
        if (c == ' ' || c == '\t' || c == '\n') {
            if (inWord) {
                words.push_back(std::move(word));
                word.clear();
                inWord = false;
            }
            continue;
        }
        inWord = true;
        if (c == '\\') {
            if (++i == command.size()) {
                return std::nullopt;
            }
            word += command[i];
        } else if (c == '\'') {
            const std::size_t close = command.find('\'', i + 1);
            if (close == std::string_view::npos) {
                return std::nullopt;
            }
            word.append(command.substr(i + 1, close - i - 1));
            i = close;
        } else if (c == '"') {
            for (++i; i < command.size() && command[i] != '"'; ++i) {
                if (command[i] == '\\' && i + 1 < command.size() &&
                    std::string_view("\"\\$`").find(command[i + 1]) != std::string_view::npos) {
                    ++i;
                }
                word += command[i];
            }
            if (i == command.size()) {
                return std::nullopt;
            }
        } else {
            word += c;
        }
    }
    if (inWord) {
        words.push_back(std::move(word));
    }
    return words;
}

LaunchRequest EditorRequest(const std::string& file, const char* visual, const char* editor,
                            const std::string& workingDirectory)
{
    LaunchRequest r;
    r.workingDirectory = workingDirectory;
    for (const bool inTerminal : {false, true}) {
        const char* variable = inTerminal ? editor : visual;
        if (!isSet(variable)) {
            continue;
        }
        const auto words = SplitCommandLine(variable);
        if (!words) {
            return r; // no program: the caller says that no editor could be started
        }
        if (words->empty()) {
            continue; // blanks only, as good as unset
        }
        if (inTerminal) {
            // A console editor needs a terminal of its own: the tool has none.
            r.path = "x-terminal-emulator";
            r.arguments = {"-e"};
            r.arguments.insert(r.arguments.end(), words->begin(), words->end());
        } else {
            r.path = words->front();
            r.arguments.assign(words->begin() + 1, words->end());
        }
        r.arguments.push_back(file);
        return r;
    }
    r.kind = LaunchRequest::Kind::Document;
    r.path = file;
    return r;
}

std::string ServerConfigurationPath()
{
    return ProgramPath("\\UserData\\config\\Server.Conf");
}

LaunchRequest ConfigurationRequest()
{
    return EditorRequest(ServerConfigurationPath(), std::getenv("VISUAL"), std::getenv("EDITOR"), GetProgramDir());
}

bool ServerConfigurationExists()
{
    return FileExists(ServerConfigurationPath());
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
