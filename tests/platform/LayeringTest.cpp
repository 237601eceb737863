// The core must stay free of Qt so that every rule in it can be tested and fuzzed without a display, and
// every prompt must go through the one message service so that GUI tests can answer it.
#include "TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using qar::test::TempDir;
using qar::test::writeFile;

namespace
{

bool isSourceFile(const fs::path& p)
{
    const std::string ext = p.extension().string();
    return ext == ".h" || ext == ".hpp" || ext == ".cpp" || ext == ".cc" || ext == ".inl";
}

bool insideUiFolder(const fs::path& relative)
{
    for (const fs::path& part : relative.parent_path()) {
        if (part == "ui") {
            return true;
        }
    }
    return false;
}

std::vector<std::string> linesOf(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

/// "path:line: text" for every line below `src` that breaks one of the two rules.
std::vector<std::string> violations(const fs::path& src)
{
    static const std::regex qtInclude(R"(^\s*#\s*include\s*[<"](Q|qt))");
    static const std::regex prompt(R"(QMessageBox\s*::|QFileDialog\s*::\s*get)");
    std::vector<std::string> found;
    for (const auto& entry : fs::recursive_directory_iterator(src)) {
        if (!entry.is_regular_file() || !isSourceFile(entry.path())) {
            continue;
        }
        const fs::path relative = fs::relative(entry.path(), src);
        // main.cpp is the program itself, on top of the views; it is not part of the core.
        const bool mayUseQt = insideUiFolder(relative) || relative == "main.cpp";
        const bool isMessageService = entry.path().stem() == "MessageService";
        const std::vector<std::string> lines = linesOf(entry.path());
        for (std::size_t i = 0; i < lines.size(); ++i) {
            if ((!mayUseQt && std::regex_search(lines[i], qtInclude)) ||
                (!isMessageService && std::regex_search(lines[i], prompt))) {
                std::ostringstream s;
                s << relative.string() << ":" << i + 1 << ": " << lines[i];
                found.push_back(s.str());
            }
        }
    }
    std::sort(found.begin(), found.end());
    return found;
}

TEST(Layering, FindsQtInTheCoreAndPromptsOutsideTheService)
{
    TempDir dir;
    const fs::path src = dir.path() / "src";
    writeFile((src / "xml/CXMarkup.cpp").string(), "#include <queue>\n#include <QString>\n");
    writeFile((src / "db/Odbc.h").string(), "  #  include \"qtconcurrentrun.h\"\n");
    writeFile((src / "org/ui/CUnitUserPage.cpp").string(),
              "#include <QTreeView>\nvoid f() { QMessageBox::warning(nullptr, {}, {}); }\n");
    writeFile((src / "app/ui/MessageService.cpp").string(), "#include <QMessageBox>\nQMessageBox::Ok;\n"
                                                            "QFileDialog::getOpenFileName();\n");
    writeFile((src / "groups/ui/CGroupDlg.cpp").string(), "auto n = QFileDialog :: getOpenFileName();\n");
    writeFile((src / "catalog/ui/Notes.txt").string(), "QMessageBox::information\n");

    EXPECT_EQ(violations(src), (std::vector<std::string>{
                                   "db/Odbc.h:1:   #  include \"qtconcurrentrun.h\"",
                                   "groups/ui/CGroupDlg.cpp:1: auto n = QFileDialog :: getOpenFileName();",
                                   "org/ui/CUnitUserPage.cpp:2: void f() { QMessageBox::warning(nullptr, {}, {}); }",
                                   "xml/CXMarkup.cpp:2: #include <QString>",
                               }));
}

TEST(Layering, CoreIsFreeOfQtAndPromptsGoThroughTheMessageService)
{
    const char* root = std::getenv("QAR_SOURCE_DIR");
    ASSERT_NE(root, nullptr) << "QAR_SOURCE_DIR names the source tree";
    const fs::path src = fs::path(root) / "src";
    ASSERT_TRUE(fs::is_directory(src));
    const std::vector<std::string> found = violations(src);
    std::ostringstream report;
    for (const std::string& line : found) {
        report << line << "\n";
    }
    EXPECT_TRUE(found.empty()) << report.str();
}

} // namespace
