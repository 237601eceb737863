#include "controls/EditRules.h"

#include <gtest/gtest.h>

#include <string>

namespace qar
{
namespace
{

constexpr MathEditSettings kNumber{true, false, true};
constexpr MathEditSettings kCount{true, true, false};

TEST(MathEdit, MinusOnlyInFrontAndOnce)
{
    struct Case
    {
        const char* text;
        int selStart, selEnd;
        bool accepted;
    };
    const Case cases[] = {
        {"12", 2, 2, false}, // caret after the 2
        {"12", 0, 2, true},  // whole text selected: replaced
        {"12", 0, 0, true},  // caret in front, no minus yet
        {"-12", 0, 0, false}, {"-12", 0, 3, true}, {"-12", 0, 1, false}, {"", 0, 0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text + std::string(" ") + std::to_string(c.selStart) + "-" + std::to_string(c.selEnd));
        EXPECT_EQ(MathEditAccepts(kNumber, c.text, c.selStart, c.selEnd, U'-', {}), c.accepted);
        EXPECT_FALSE(MathEditAccepts(kCount, c.text, c.selStart, c.selEnd, U'-', {}));
    }
}

TEST(MathEdit, NoSecondZeroAfterALoneZero)
{
    EXPECT_FALSE(MathEditAccepts(kNumber, "0", 1, 1, U'0', {}));
    EXPECT_FALSE(MathEditAccepts(kNumber, "0", 0, 0, U'0', {}));
    EXPECT_TRUE(MathEditAccepts(kNumber, "0", 0, 0, U'5', {}));
    EXPECT_TRUE(MathEditAccepts(kNumber, "10", 2, 2, U'0', {}));
}

TEST(MathEdit, PasteExaminesTheClipboardAlone)
{
    struct Case
    {
        MathEditSettings settings;
        const char* clipboard;
        bool accepted;
    };
    const Case cases[] = {
        {kNumber, "-12", true},  {kCount, "-12", false},    {kNumber, "-1a", false},
        {kNumber, "1.2", true},  {kNumber, "1.2.3", false}, {kCount, "1.2", false},
        {kNumber, "1-2", false}, {kNumber, "", true},       {kNumber, " 12", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.clipboard);
        // The field already holds a decimal point: only the clipboard counts.
        EXPECT_EQ(MathEditAccepts(c.settings, "3.4", 3, 3, kCharPaste, c.clipboard), c.accepted);
    }
}

TEST(MathEdit, RefusesControlCharactersOtherThanEditingKeys)
{
    for (char32_t c = 0; c < 32; ++c) {
        const bool editing =
            c == kCharBackspace || c == kCharCopy || c == kCharPaste || c == kCharCut || c == kCharUndo;
        SCOPED_TRACE(static_cast<int>(c));
        EXPECT_EQ(MathEditAccepts(kNumber, "1", 1, 1, c, "5"), editing);
        EXPECT_EQ(DigitsOnlyAccepts(true, c), editing);
    }
    EXPECT_FALSE(MathEditAccepts(kNumber, "1", 1, 1, U'中', {}));
    EXPECT_TRUE(MathEditAccepts(MathEditSettings{}, "1", 1, 1, U'x', {}));
}

// A decimal point is typed once (not even over the one there), and never into an integer field.
TEST(MathEdit, OneDecimalPointAndNoneInIntegers)
{
    EXPECT_TRUE(MathEditAccepts(kNumber, "12", 2, 2, U'.', {}));
    EXPECT_FALSE(MathEditAccepts(kNumber, "1.2", 3, 3, U'.', {}));
    EXPECT_FALSE(MathEditAccepts(kNumber, "1.2", 1, 2, U'.', {}));
    EXPECT_FALSE(MathEditAccepts(kCount, "12", 2, 2, U'.', {}));
    EXPECT_TRUE(MathEditAccepts(kCount, "12", 2, 2, U'7', {}));
    EXPECT_FALSE(MathEditAccepts(kCount, "12", 2, 2, U'x', {}));
}

} // namespace
} // namespace qar
