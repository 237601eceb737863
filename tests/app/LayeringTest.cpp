#include "TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace
{

std::vector<fs::path> sourceFiles(const fs::path& root)
{
    std::vector<fs::path> files;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        const auto ext = entry.path().extension();
        if (entry.is_regular_file() && (ext == ".h" || ext == ".cpp")) {
            files.push_back(entry.path());
        }
    }
    return files;
}

bool inUiFolder(const fs::path& file)
{
    for (const auto& part : file) {
        if (part == "ui") {
            return true;
        }
    }
    return false;
}

fs::path sourceRoot()
{
    const char* dir = std::getenv("QAR_SOURCE_DIR");
    return dir ? fs::path(dir) / "src" : fs::path();
}

} // namespace

// Only the message service may put up a message box or a file-open form, so every prompt can be
// answered by the tests; and no form connects by signature strings, which fail only at run time.
TEST(Layering, PromptsGoThroughTheMessageServiceAndConnectionsAreTyped)
{
    const fs::path root = sourceRoot();
    ASSERT_FALSE(root.empty()) << "QAR_SOURCE_DIR is not set";
    const std::regex prompt(R"(QMessageBox::|QFileDialog::get)");
    const std::regex stringConnect(R"(\b(SIGNAL|SLOT)\s*\()");
    for (const fs::path& file : sourceFiles(root)) {
        const std::string text = qar::test::readFile(file.string());
        if (file.filename() != "MessageService.cpp") {
            EXPECT_FALSE(std::regex_search(text, prompt)) << file;
        }
        EXPECT_FALSE(std::regex_search(text, stringConnect)) << file;
    }
}

TEST(Layering, QtStaysInsideTheUiFolders)
{
    const fs::path root = sourceRoot();
    ASSERT_FALSE(root.empty()) << "QAR_SOURCE_DIR is not set";
    const std::regex qtInclude(R"(#\s*include\s*[<"](Q[A-Z][A-Za-z]*|Qt[A-Za-z]+/[^>"]*|ui_[^>"]*)[>"])");
    for (const fs::path& file : sourceFiles(root)) {
        if (inUiFolder(file.lexically_relative(root)) || file.filename() == "main.cpp") {
            continue;
        }
        EXPECT_FALSE(std::regex_search(qar::test::readFile(file.string()), qtInclude)) << file;
    }
}
