#include "catalog/HelpText.h"

#include <filesystem>
#include <fstream>

namespace qar
{

std::string ReadHelpText(const std::string& path)
{
    // A directory opens on this system but is no file to show.
    std::error_code error;
    if (std::filesystem::is_directory(path, error)) {
        return {};
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return {};
    }
    std::string text;
    std::string line;
    while (std::getline(in, line)) {
        // Text mode as the files were written: CR LF ends a line just as LF does.
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        text += line;
        text += "\r\n";
    }
    text += "\r\n";
    return text;
}

} // namespace qar
