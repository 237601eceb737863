#include "xml/CXMarkup.h"

#include "TempDir.h"
#include "platform/Locale.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

using qar::CXMarkup;
using qar::test::ScopedLcid;

namespace
{

const std::string kDecl = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n";

// The index an edited document keeps must be exactly the one a fresh parse of its text builds.
void expectIndexMatchesReparse(const CXMarkup& edited)
{
    CXMarkup fresh;
    ASSERT_TRUE(fresh.SetDocument(edited.GetDocument())) << fresh.GetError() << "\n" << edited.GetDocument();
    std::function<void(int, int)> compare = [&](int a, int b) {
        while (a && b) {
            const auto& ra = edited.record(a);
            const auto& rb = fresh.record(b);
            ASSERT_EQ(ra.startTagLeft, rb.startTagLeft) << "record " << a;
            ASSERT_EQ(ra.startTagRight, rb.startTagRight) << "record " << a;
            ASSERT_EQ(ra.endTagLeft, rb.endTagLeft) << "record " << a;
            ASSERT_EQ(ra.endTagRight, rb.endTagRight) << "record " << a;
            compare(ra.firstChild, rb.firstChild);
            a = ra.nextSibling;
            b = rb.nextSibling;
        }
        ASSERT_EQ(a == 0, b == 0) << "different number of siblings";
    };
    compare(edited.record(0).firstChild, fresh.record(0).firstChild);
}

} // namespace

TEST(CXMarkup, WritersValuesOfEveryLengthAndEntityReadBack)
{
    // Values short and long, plain and with entities, names up to and beyond eight bytes: the text is
    // the one the layout rules give, it indexes the same when parsed, and every value reads back.
    const std::vector<std::string> names = {"A", "ID", "NAME", "ABCDEFGH", "LONGER_NAME"};
    const std::vector<std::string> values = {"",
                                             "1",
                                             "ab",
                                             "abc",
                                             "x<y",
                                             "abcd",
                                             "abcdefg",
                                             "abcdefgh",
                                             "abcdefghijklmn\"",
                                             "0123456789abcdef",
                                             "0123456789abcdef0123456789",
                                             std::string(70, 'x'),
                                             "Tom & Jerry <admin>",
                                             "it's \"q\"",
                                             "\xE5\xBA\x94 high bytes"};
    CXMarkup doc;
    doc.SetDocument(kDecl);
    ASSERT_TRUE(doc.AddElement("R"));
    std::string expected = kDecl + "<R>\r\n";
    for (std::size_t record = 0; record < values.size(); ++record) {
        ASSERT_TRUE(doc.AddChildElement("REC"));
        ASSERT_TRUE(doc.EnterElement());
        expected += "<REC";
        for (std::size_t a = 0; a < names.size(); ++a) {
            const std::string& value = values[(record + a) % values.size()];
            ASSERT_TRUE(doc.SetAttribute(names[a], value));
            expected += " " + names[a] + "=\"" + CXMarkup::EncodeText(value, true) + "\"";
        }
        expected += "/>\r\n";
        ASSERT_TRUE(doc.LeaveElement());
    }
    expected += "</R>\r\n";
    EXPECT_EQ(doc.GetDocument(), expected);
    expectIndexMatchesReparse(doc);

    CXMarkup read;
    ASSERT_TRUE(read.SetDocument(doc.GetDocument()));
    read.FindElement("R");
    read.EnterElement();
    for (std::size_t record = 0; record < values.size(); ++record) {
        ASSERT_TRUE(read.FindElement("REC"));
        for (std::size_t a = 0; a < names.size(); ++a) {
            EXPECT_EQ(read.GetAttribute(names[a]), values[(record + a) % values.size()]) << record << " " << a;
        }
        // Asked again, out of order: the same values.
        EXPECT_EQ(read.GetAttribute(names[1]), values[(record + 1) % values.size()]);
        EXPECT_EQ(read.GetAttribute(names[0]), values[record % values.size()]);
    }
}

// One document parses every text in turn, so each parse must also clear what the one before left.
TEST(CXMarkup, ParseErrorsCarryTheSystemMessages)
{
    const struct
    {
        const char* text;
        const char* message; // empty: the text parses to the root <a/>
    } cases[] = {
        {"no markup", "Element tag not found"},
        {"<a>", "Element tag not found"},
        {"<   ", "Abrupt end within tag"},
        {"<\"a\">", "Tag starts with quote"},
        {"<?xml version='1.0'", "Invalid node"},
        {"<!-- open", "Invalid node"},
        {"< ?x?><a/>", "Invalid node"},
        {"<!", "Invalid node"},
        {"<a b='c'", "End of tag not found"},
        {"<a><b/>text", "Element tag not found"},
        {"<a></b>", "End tag does not correspond to a"},
        {"<ab></a>", "End tag does not correspond to ab"},
        {"<a></a", "End tag not completed for element a"},
        {"<a></", "End tag not completed for element a"},
        // Declarations, comments, CDATA and DOCTYPE are skipped, never taken for elements.
        {"<a></a >", ""},
        {"<?xml version=\"1.0\"?>\r\n<!-- <b> --><a/>", ""},
        {"<!DOCTYPE a [ <!ENTITY e '>'> ]><a/>", ""},
        {"<![CDATA[<b>]]><a/>", ""},
        {"<?>text<a/>", ""},
        {"<a><!-- </a> --><?pi ?></a>", ""},
        {"<!-- c --><a>x&amp;y</a>trailing <junk", ""},
    };
    CXMarkup doc;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const bool parses = *c.message == '\0';
        EXPECT_EQ(doc.SetDocument(c.text), parses);
        EXPECT_EQ(doc.GetError(), c.message);
        EXPECT_EQ(doc.GetDocument(), c.text);
        EXPECT_EQ(doc.HasRootElement(), parses);
        EXPECT_EQ(doc.FindElement("a"), parses);
        EXPECT_EQ(doc.record(doc.currentElement()).firstChild, 0);
    }
    EXPECT_FALSE(doc.SetDocument(""));
}

// Each edit writes the layout the system writes (one element per line, CRLF) and changes no other byte;
// the index it keeps must be the one a fresh parse of the new text builds.
TEST(CXMarkup, EditsSpliceTheTextAndKeepTheIndexExact)
{
    const struct
    {
        const char* name;
        std::string start;
        std::function<bool(CXMarkup&)> edit;
        std::string result;
    } cases[] = {
        {"a root behind the declaration, one only", kDecl,
         [](CXMarkup& d) {
             return d.AddElement("ROOT") && d.currentElement() == 1 && d.currentParent() == 0 && !d.AddElement("X");
         },
         kDecl + "<ROOT/>\r\n"},
        {"a root behind text that failed to parse", "<a></b>", [](CXMarkup& d) { return d.AddElement("R", "v"); },
         "<a></b><R>v</R>\r\n"},
        {"children open an empty element", "<R/>",
         [](CXMarkup& d) {
             return d.FindElement("R") && d.AddChildElement("A") && d.AddChildElement("B", "x") &&
                    d.currentElement() == 1 && d.currentChild() == 3;
         },
         "<R>\r\n<A/>\r\n<B>x</B>\r\n</R>"},
        {"a child's text is encoded", "<R></R>",
         [](CXMarkup& d) { return d.FindElement() && d.AddChildElement("V", "a<b&c"); },
         "<R>\r\n<V>a&lt;b&amp;c</V>\r\n</R>"},
        {"attributes inserted, replaced and encoded", "<A/>",
         [](CXMarkup& d) {
             return d.FindElement() && d.SetAttribute("ID", "5") && d.SetAttribute("ID", "7") &&
                    d.SetAttribute("N", "it's \"q\"") && d.GetAttribute("N") == "it's \"q\"";
         },
         "<A ID=\"7\" N=\"it&apos;s &quot;q&quot;\"/>"},
        {"an empty name renames no attribute", "<E a=\"1\" b=\"2\"/>",
         [](CXMarkup& d) { return d.FindElement() && !d.SetAttribute("", "zz"); }, "<E a=\"1\" b=\"2\"/>"},
        {"an attribute before the content", "<A>..</A>",
         [](CXMarkup& d) { return d.FindElement() && d.SetAttribute("ID", "5"); }, "<A ID=\"5\">..</A>"},
        {"insertions in the middle shift every later record",
         "<R>\r\n<G><U/><U><F>1</F></U></G>\r\n<G>\r\n<U/>\r\n</G>\r\n</R>\r\n",
         [](CXMarkup& d) {
             return d.FindElement("R") && d.EnterElement() && d.FindElement("G") && d.SetAttribute("NAME", "first") &&
                    d.EnterElement() && d.FindElement("U") && d.AddElement("NEW", "v") && d.AddElement("NEXT") &&
                    d.LeaveElement() && d.AddChildElement("LAST") && d.SetAttribute("ID", 42) &&
                    d.SetAttribute("ID", "x");
         },
         "<R>\r\n<G NAME=\"first\" ID=\"x\"><U/><NEW>v</NEW>\r\n<NEXT/>\r\n<LAST/>\r\n<U><F>1</F></U></G>\r\n"
         "<G>\r\n<U/>\r\n</G>\r\n</R>\r\n"},
        // In a tag without a name the first attribute written becomes the tag's name, not an attribute.
        {"a tag without a name", "<R/>",
         [](CXMarkup& d) {
             d.FindElement();
             d.AddChildElement("", "v");
             d.EnterElement();
             d.FindElement();
             return d.SetAttribute("ID", "1") && d.GetAttribute("ID").empty() && d.SetAttribute("ID", "2") &&
                    d.GetAttribute("ID") == "2";
         },
         "<R>\r\n< ID=\"1\" ID=\"2\">v</>\r\n</R>"},
        {"records written at the end of the document and in the middle", "<R>\r\n<A/>\r\n<B/>\r\n</R>\r\n",
         [](CXMarkup& d) {
             return d.FindElement("R") && d.EnterElement() && d.FindElement("A") && d.AddChildElement("C") &&
                    d.EnterElement() && d.SetAttribute("ID", "1") && d.LeaveElement() && d.AddChildElement("D") &&
                    d.EnterElement() && d.SetAttribute("ID", "2") && d.LeaveElement() && d.LeaveElement() &&
                    d.EnterElement() && d.FindElement("B") && d.AddChildElement("E") && d.EnterElement() &&
                    d.SetAttribute("ID", "3") && d.LeaveElement() && d.AddChildElement("F") && d.EnterElement() &&
                    d.SetAttribute("ID", "4") && d.SetAttribute("N", "x");
         },
         "<R>\r\n<A>\r\n<C ID=\"1\"/>\r\n<D ID=\"2\"/>\r\n</A>\r\n<B>\r\n<E ID=\"3\"/>\r\n<F ID=\"4\" "
         "N=\"x\"/>\r\n</B>\r\n"
         "</R>\r\n"},
        {"nothing to add to", "", [](CXMarkup& d) { return !d.AddChildElement("A") && !d.SetAttribute("ID", "5"); },
         ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CXMarkup doc;
        doc.SetDocument(c.start);
        EXPECT_TRUE(c.edit(doc));
        EXPECT_EQ(doc.GetDocument(), c.result);
        if (CXMarkup().SetDocument(c.result)) {
            expectIndexMatchesReparse(doc);
        }
    }
}

// What a reader gets of an element: an attribute by the token rules of its tag, or its text.
TEST(CXMarkup, ReadingFollowsTheTokenAndTextRules)
{
    const struct
    {
        const char* text;
        const char* name; // nullptr: the element's text
        const char* value;
    } cases[] = {
        {"<A ID=5/>", "ID", ""},                  // unquoted values are never found
        {"<A ID=5 X='y'/>", "X", "y"},            // apostrophes quote too
        {"<A ID = \"1\" IDX=\"2\"/>", "ID", "1"}, // spaces around '='
        {"<A IDX=\"2\" ID=\"1\"/>", "ID", "1"},   // a longer name is not a match
        {"<A ID=\"1\"/>", "ID X", "1"},           // the name may go on after a space
        {"<A id=\"1\"/>", "ID", ""},              // case-sensitive
        {"<A / ID=\"1\"></A>", "ID", ""},         // '/' ends the search
        {"<A ID=\"a&lt;&#65;&amp\"/>", "ID", "a<&#65;&amp"},
        {"<A x='1>2'>t</A>", "x", "1>2"}, // the tag ended at the first '>' yet the value reads whole
        {"<A a=\"1\" b=\"2\"/>", "", ""}, // an empty name is no attribute's name
        // A value stands two places behind its name, whatever stands between.
        {"<A x y=\"1\" \"2\"/>", "x", ""},
        {"<A x y=\"1\" \"2\"/>", "y", "1"},
        {"<A x y \"1\"/>", "x", "1"},
        // The tag's tokens may run on past its '>' up to the end of the text.
        {"<A x=\"></A>\" a_name_beyond_short_strings", "x", "></A>"},
        {"<A x=\"></A>\" a_name_beyond_short_strings", "a_name_beyond_short_strings", ""},
        // A CDATA section is read raw, anything else decoded; text beside a child element is not read.
        {"<A><![CDATA[x<y]]></A>", nullptr, "x<y"},
        {"<A> \r\n<![CDATA[a&amp;]]>tail</A>", nullptr, "a&amp;"},
        {"<A><![CDATA[]]></A>", nullptr, ""},
        {"<A>&#65;&lt;</A>", nullptr, "&#65;<"},
        {"<A>x<B/>y</A>", nullptr, ""},
        {"<A/>", nullptr, ""},
        {"<A></A>", nullptr, ""},
    };
    // Tags of more tokens than the index keeps are read straight from the text, by the same rules.
    std::string padding;
    for (int i = 0; i < 300; ++i) {
        padding += " p";
    }
    for (const auto& c : cases) {
        for (const std::string& text : {std::string(c.text), "<A" + padding + std::string(c.text).substr(2)}) {
            SCOPED_TRACE(std::string(c.text) + (text.size() > 500 ? " (padded)" : ""));
            CXMarkup doc;
            doc.SetDocument(text);
            ASSERT_TRUE(doc.FindElement());
            EXPECT_EQ(c.name ? doc.GetAttribute(c.name) : doc.GetText(), c.value);
        }
    }
}

TEST(CXMarkup, LongStartTagsAreReadPastTheTokenCache)
{
    CXMarkup doc;
    doc.SetDocument("<A/>");
    doc.FindElement();
    for (int i = 0; i < 400; ++i) {
        ASSERT_TRUE(doc.SetAttribute("K" + std::to_string(i), i));
    }
    ASSERT_TRUE(doc.SetAttribute("K399", "last"));
    CXMarkup fresh;
    ASSERT_TRUE(fresh.SetDocument(doc.GetDocument()));
    fresh.FindElement();
    EXPECT_EQ(fresh.GetAttribute("K0"), "0");
    EXPECT_EQ(fresh.GetAttribute("K398"), "398");
    EXPECT_EQ(fresh.GetAttribute("K399"), "last");
    EXPECT_EQ(fresh.GetAttribute("K400"), "");
    ASSERT_TRUE(fresh.SetAttribute("K300", "new"));
    EXPECT_EQ(fresh.GetAttribute("K300"), "new");

    // A name longer than what the index keeps of a length is read from the text, and no prefix of it
    // is taken for it.
    const std::string longName(70000, 'n');
    const std::string prefix = longName.substr(0, 70000 % 65536);
    CXMarkup written;
    written.SetDocument(kDecl);
    ASSERT_TRUE(written.AddElement("A"));
    ASSERT_TRUE(written.SetAttribute(longName, "1"));
    ASSERT_TRUE(written.SetAttribute("B", "2"));
    CXMarkup reread;
    ASSERT_TRUE(reread.SetDocument(written.GetDocument()));
    reread.FindElement();
    for (CXMarkup* copy : {&written, &reread}) {
        EXPECT_EQ(copy->GetAttribute(longName), "1");
        EXPECT_EQ(copy->GetAttribute(prefix), "");
        EXPECT_EQ(copy->GetAttribute("B"), "2");
    }
}

TEST(CXMarkup, FindElementMatchesWholeCaseSensitiveNames)
{
    CXMarkup doc;
    ASSERT_TRUE(doc.SetDocument("<R><USERS/><user/><USER/></R>"));
    doc.FindElement("R");
    doc.EnterElement();
    ASSERT_TRUE(doc.FindElement("USER"));
    EXPECT_EQ(doc.currentElement(), 4);
    EXPECT_FALSE(doc.FindElement("USER"));
    EXPECT_EQ(doc.currentElement(), 4); // unchanged on failure
    doc.LeaveElement();
    doc.EnterElement(); // resumes behind the element that was left
    EXPECT_FALSE(doc.FindElement("USERS"));
    EXPECT_FALSE(doc.LeaveElement() && doc.LeaveElement());

    // The name may go on behind the tag name with one of " =/[", and white space may open the tag.
    ASSERT_TRUE(doc.SetDocument("<R><a/>< b/><USER/></R>"));
    doc.FindElement("R");
    doc.EnterElement();
    EXPECT_TRUE(doc.FindElement("a[1]"));
    EXPECT_TRUE(doc.FindElement("b"));
    EXPECT_TRUE(doc.FindElement("USER ID"));
}

TEST(CXMarkup, EntitiesRoundTrip)
{
    const std::string raw = "<tag a=\"1\" b='2'> & &amp; plain";
    EXPECT_EQ(CXMarkup::EncodeText(raw, false), "&lt;tag a=\"1\" b='2'&gt; &amp; &amp;amp; plain");
    EXPECT_EQ(CXMarkup::EncodeText(raw, true), "&lt;tag a=&quot;1&quot; b=&apos;2&apos;&gt; &amp; &amp;amp; plain");
    EXPECT_EQ(CXMarkup::DecodeText(CXMarkup::EncodeText(raw, true)), raw);
    EXPECT_EQ(CXMarkup::DecodeText("&lt&gt;&"), "&lt>&");
}

TEST(CXMarkup, EveryTruncationFailsCleanly)
{
    const std::string documents[] = {
        kDecl + "<!DOCTYPE R [<!ELEMENT R ANY>]>\r\n<R a=\"1\" b='2'>\r\n<!-- note -->\r\n<U ID=\"5\"/>\r\n"
                "<V>a&amp;b</V><W><![CDATA[<x>]]></W>\r\n<?pi x?></R >\r\n",
        "<a><b><c>text</c></b><d/></a>",
    };
    for (const std::string& full : documents) {
        for (std::size_t n = 0; n <= full.size(); ++n) {
            const std::string prefix = full.substr(0, n);
            SCOPED_TRACE(prefix);
            CXMarkup doc;
            const bool ok = doc.SetDocument(prefix);
            EXPECT_EQ(doc.GetDocument(), prefix);
            EXPECT_EQ(ok, doc.HasRootElement());
            EXPECT_EQ(ok, doc.GetError().empty() && !prefix.empty());
            if (ok) {
                expectIndexMatchesReparse(doc);
            }
            // Whatever came of it, the document can still be navigated and extended.
            doc.FindElement();
            doc.EnterElement();
            doc.FindElement();
            doc.GetText();
            doc.GetAttribute("ID");
            doc.AddElement("N", "v");
            if (ok) {
                expectIndexMatchesReparse(doc);
            }
        }
    }
}

TEST(CXMarkup, DoubleByteCharactersKeepTheirTrailBytes)
{
    struct Case
    {
        int lcid;
        std::string text;
        std::string element;
        std::string attribute; // value of A, "<fail>" when the parse must fail
    };
    const Case cases[] = {
        // Big5 "\xA5\x5C" ends in a backslash, a token delimiter on its own.
        {1028, "<R \xA5\x5C=\"1\" A=\"\xA5\x5C\"/>", "R", "\xA5\x5C"},
        {1028, "<\xA5\x5C A=\"2\"/>", "\xA5\x5C", "2"},
        {1033, "<\xA5\x5C A=\"2\"/>", "\xA5", "2"},
        // A lead byte takes the quote behind it: the value runs to the next quote.
        {2052, "<R A=\"\x81\"\" B=\"x\"/>", "R", "\x81\""},
        {1033, "<R A=\"\x81\"\" B=\"x\"/>", "R", "\x81"},
        // A lead byte takes the '<' of the end tag, which is then missing.
        {2052, "<R><B>\x81</B></R>", "R", "<fail>"},
        {1033, "<R><B>\x81</B></R>", "R", ""},
        // A lone lead byte at the very end never carries a scan past the text.
        {2052, "<R A='1'/>\x81", "R", "1"},
        {2052, "<R A='\x81", "R", "<fail>"},
        {1028, "<R>\xA4", "R", "<fail>"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        ScopedLcid lcid(c.lcid);
        CXMarkup doc;
        const bool ok = doc.SetDocument(c.text);
        if (c.attribute == "<fail>") {
            EXPECT_FALSE(ok);
            continue;
        }
        ASSERT_TRUE(ok) << doc.GetError();
        ASSERT_TRUE(doc.FindElement(c.element));
        EXPECT_EQ(doc.GetAttribute("A"), c.attribute);
    }
    ScopedLcid gbk(2052);
    CXMarkup doc;
    doc.SetDocument("<R/>");
    doc.FindElement();
    // The '&' behind a lead byte is its trail byte, so no entity is written or read there.
    ASSERT_TRUE(doc.AddChildElement("V", "\x81&<"));
    EXPECT_EQ(doc.GetDocument(), "<R>\r\n<V>\x81&&lt;</V>\r\n</R>");
    doc.EnterElement();
    EXPECT_EQ(doc.GetText(), "\x81&<");
}
