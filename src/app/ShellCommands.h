#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qar
{

/// A program or document the tool hands to the desktop.
struct LaunchRequest
{
    enum class Kind
    {
        Program,  ///< run `path` with `arguments` in `workingDirectory`
        Document, ///< open `path` with the desktop's associated program
    };

    Kind kind = Kind::Program;
    std::string path;
    std::vector<std::string> arguments;
    std::string workingDirectory;

    bool operator==(const LaunchRequest&) const = default;
};

/// The Configuration button: the server's configuration file in the text editor.
LaunchRequest ConfigurationRequest();
/// The server's configuration file.
std::string ServerConfigurationPath();
/// The Option button: the server's own settings form; none when the server is not beside the program.
std::optional<LaunchRequest> OptionRequest();
/// The Help button: the data configuration help page.
LaunchRequest HelpRequest();
/// True when the server's configuration file exists, which enables Configuration and Option.
bool ServerConfigurationExists();

/// After a first-run set-up: hand the units and users data files left by the installer to the
/// spreadsheet import tool. None unless both files exist and the tool runs as system manager.
std::optional<LaunchRequest> SheetIntakeRequest(unsigned long long windowHandle, bool systemManager);

/// How a text file is opened in the user's editor: $VISUAL directly, else $EDITOR inside a terminal,
/// else the desktop's default for text (a Document request). A variable holds a command that may have
/// arguments ("code --wait"), split as SplitCommandLine splits it; one that is empty or blank counts as
/// unset, and one that cannot be split gives a request without a program, which cannot start.
LaunchRequest EditorRequest(const std::string& file, const char* visual, const char* editor,
                            const std::string& workingDirectory);

/// The words of a command as a POSIX shell splits them, though no shell runs and nothing is expanded:
/// blanks separate words; single quotes keep everything up to the next one; double quotes keep
/// everything but a backslash before ", \, $ or `; a backslash elsewhere keeps the character after it.
/// None when a quote is not closed or the command ends in a lone backslash.
std::optional<std::vector<std::string>> SplitCommandLine(std::string_view command);

} // namespace qar
