#include "TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <regex>
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

} // namespace

// Qt stays inside the ui folders (and main.cpp), so the core builds and is tested without it. Only the
// message service may put up a message box or a file-open form, so every prompt can be answered by the
// tests; and nothing connects by signature strings, which fail only at run time.
TEST(Layering, QtStaysInTheUiFoldersPromptsGoThroughTheMessageServiceAndConnectionsAreTyped)
{
    const char* dir = std::getenv("QAR_SOURCE_DIR");
    ASSERT_NE(dir, nullptr) << "QAR_SOURCE_DIR is not set";
    const fs::path root = fs::path(dir) / "src";
    const std::regex qtInclude(R"(#\s*include\s*[<"](Q[A-Z][A-Za-z]*|Qt[A-Za-z]+/[^>"]*|ui_[^>"]*)[>"])");
    const std::regex prompt(R"(QMessageBox::|QFileDialog::get)");
    const std::regex stringConnect(R"(\b(SIGNAL|SLOT)\s*\()");
    for (const fs::path& file : sourceFiles(root)) {
        const std::string text = qar::test::readFile(file.string());
        if (!inUiFolder(file.lexically_relative(root)) && file.filename() != "main.cpp") {
            EXPECT_FALSE(std::regex_search(text, qtInclude)) << file;
        }
        if (file.filename() != "MessageService.cpp") {
            EXPECT_FALSE(std::regex_search(text, prompt)) << file;
        }
        EXPECT_FALSE(std::regex_search(text, stringConnect)) << file;
    }
}
