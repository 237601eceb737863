#include "catalog/HelpText.h"

#include "TempDir.h"

#include <gtest/gtest.h>

namespace qar
{
namespace
{

struct HelpCase
{
    const char* name;
    std::string file;
    std::string shown;
};

TEST(ReadHelpText, EndsEveryLineWithCrLfAndAddsOneMoreAtTheEndOrGivesNothing)
{
    const HelpCase cases[] = {
        {"two lines become three, the last empty", "first\nsecond\n", "first\r\nsecond\r\n\r\n"},
        {"a last line without its line feed", "first\nsecond", "first\r\nsecond\r\n\r\n"},
        {"lines ended the Windows way", "first\r\nsecond\r\n", "first\r\nsecond\r\n\r\n"},
        {"empty lines are kept", "a\n\n\nb\n", "a\r\n\r\n\r\nb\r\n\r\n"},
        {"an empty file", "", "\r\n"},
        {"GBK bytes untouched", "\xCE\xDE\xB7\xA8\n", "\xCE\xDE\xB7\xA8\r\n\r\n"},
    };
    test::TempDir dir;
    for (const HelpCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = test::writeFile(dir.file("Help_Power.txt"), c.file);
        EXPECT_EQ(ReadHelpText(path), c.shown);
    }
    EXPECT_EQ(ReadHelpText(dir.file("missing.txt")), ""); // a missing file gives an empty text
    EXPECT_EQ(ReadHelpText(dir.path().string()), "");     // a directory is no text file either
}

} // namespace
} // namespace qar
