#include "controls/EditRules.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>

namespace qar
{
namespace
{

/// A text field fed through the rules: accepted characters replace the selection, as the field would.
struct FieldSim
{
    explicit FieldSim(MathEditSettings s) : settings(s) {}

    MathEditSettings settings;
    std::string text;
    int selStart = 0;
    int selEnd = 0;

    void replaceSelection(const std::string& with)
    {
        text.replace(static_cast<std::size_t>(selStart), static_cast<std::size_t>(selEnd - selStart), with);
        selStart = selEnd = selStart + static_cast<int>(with.size());
    }
    bool type(char32_t c, const std::string& clipboard = {})
    {
        if (!MathEditAccepts(settings, text, selStart, selEnd, c, clipboard)) {
            return false;
        }
        if (c == kCharPaste) {
            replaceSelection(clipboard);
        } else if (c == kCharBackspace) {
            if (selStart == selEnd && selStart > 0) {
                --selStart;
            }
            replaceSelection({});
        } else if (c >= 32 && c < 127) {
            replaceSelection(std::string(1, static_cast<char>(c)));
        }
        return true;
    }
    void typeAll(const std::string& keys)
    {
        for (char k : keys) {
            type(static_cast<unsigned char>(k));
        }
    }
};

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

// Whatever is typed or pasted, a numeric field holds only digits, '.' (not in integer fields, at most one
// from typing) and '-' (only where negatives are allowed, at most one).
TEST(MathEdit, AnyKeysAndPastesYieldOnlyNumericCharacters)
{
    std::mt19937 rng(20261206);
    const std::string alphabet = "0123456789.-+ a,e\x01\x03\x08\x16\x18\x1a";
    const MathEditSettings variants[] = {kNumber, kCount, {true, false, false}, {true, true, true}};
    for (const MathEditSettings& settings : variants) {
        for (int run = 0; run < 2000; ++run) {
            FieldSim f{settings};
            bool pasted = false;
            for (int step = 0; step < 12; ++step) {
                const int len = static_cast<int>(f.text.size());
                f.selStart = static_cast<int>(rng() % static_cast<unsigned>(len + 1));
                f.selEnd = f.selStart + static_cast<int>(rng() % static_cast<unsigned>(len - f.selStart + 1));
                const char key = alphabet[rng() % alphabet.size()];
                std::string clip;
                for (unsigned n = rng() % 5; n > 0; --n) {
                    clip += alphabet[rng() % 14];
                }
                const bool accepted = f.type(static_cast<unsigned char>(key), clip);
                if (accepted && key == '\x16') {
                    pasted = true;
                    EXPECT_TRUE(MathEditAcceptsPaste(settings, clip));
                    EXPECT_LE(std::count(clip.begin(), clip.end(), '.'), 1);
                    EXPECT_EQ(clip.find('-', 1), std::string::npos);
                }
            }
            SCOPED_TRACE(f.text);
            EXPECT_EQ(f.text.find_first_not_of("0123456789.-"), std::string::npos);
            if (settings.integerOnly) {
                EXPECT_EQ(f.text.find('.'), std::string::npos);
            }
            if (!settings.allowNegative) {
                EXPECT_EQ(f.text.find('-'), std::string::npos);
            }
            if (!pasted) {
                EXPECT_LE(std::count(f.text.begin(), f.text.end(), '.'), 1);
                EXPECT_LE(std::count(f.text.begin(), f.text.end(), '-'), 1);
            }
        }
    }
}

} // namespace
} // namespace qar
