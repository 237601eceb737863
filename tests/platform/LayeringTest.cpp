// The core must stay free of Qt so that every rule in it can be tested and fuzzed without a display; every
// prompt must go through the one message service so that GUI tests can answer it; and nothing connects by
// signature strings, which fail only at run time. Pages reach the window through the small interface it
// implements, so that no page folder and the window's own folder depend on each other in a loop.
#include "TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <regex>
#include <sstream>
#include <string>

namespace fs = std::filesystem;

namespace
{

TEST(Layering, CoreIsFreeOfQtPromptsGoThroughTheMessageServiceConnectionsAreTypedAndPagesDoNotSeeTheWindow)
{
    const char* root = std::getenv("QAR_SOURCE_DIR");
    ASSERT_NE(root, nullptr) << "QAR_SOURCE_DIR names the source tree";
    const fs::path src = fs::path(root) / "src";
    ASSERT_TRUE(fs::is_directory(src));
    const std::regex qtInclude(R"(^\s*#\s*include\s*[<"](Q|qt|ui_))");
    const std::regex prompt(R"(QMessageBox\s*::|QFileDialog\s*::\s*get)");
    const std::regex stringConnect(R"(\b(SIGNAL|SLOT)\s*\()");
    const std::regex windowInclude(R"(^\s*#\s*include\s*"app/ui/CMainDlg\.h")");
    int files = 0;
    for (const auto& entry : fs::recursive_directory_iterator(src)) {
        const std::string ext = entry.path().extension().string();
        if (!entry.is_regular_file() || (ext != ".h" && ext != ".cpp")) {
            continue;
        }
        ++files;
        const fs::path relative = fs::relative(entry.path(), src);
        // Views live in ui folders; main.cpp is the program itself, on top of the views, not part of the core.
        const bool inUiFolder = ("/" + relative.parent_path().generic_string() + "/").find("/ui/") != std::string::npos;
        const bool mayUseQt = inUiFolder || relative == "main.cpp";
        const bool isMessageService = entry.path().stem() == "MessageService";
        // Only the window itself and the application that creates it know the window's class.
        const bool mayKnowWindow = relative == "app/ui/CMainDlg.cpp" || relative == "app/ui/CAdminApp.cpp";
        std::istringstream text(qar::test::readFile(entry.path().string()));
        int number = 0;
        for (std::string line; std::getline(text, line);) {
            ++number;
            const bool broken = (!mayUseQt && std::regex_search(line, qtInclude)) ||
                                (!isMessageService && std::regex_search(line, prompt)) ||
                                std::regex_search(line, stringConnect) ||
                                (!mayKnowWindow && std::regex_search(line, windowInclude));
            EXPECT_FALSE(broken) << relative.string() << ":" << number << ": " << line;
        }
    }
    EXPECT_GT(files, 50);
}

} // namespace
