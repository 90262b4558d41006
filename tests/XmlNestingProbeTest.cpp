#include "XmlNestingProbe.h"

#include <gtest/gtest.h>

#include <tinyxml.h>

#include <random>
#include <string>

namespace {

int elementDepth(const TiXmlNode* node)
{
    int deepest = 0;
    for (const TiXmlNode* child = node->FirstChild(); child; child = child->NextSibling())
        deepest = std::max(deepest, elementDepth(child));
    return deepest + (node->ToElement() ? 1 : 0);
}

// The probe must see each document as the library does: the same verdict,
// and for a parsed document the depth of the tree the library built.
void expectAgreement(const std::string& text)
{
    SCOPED_TRACE(testing::Message() << "document: " << text);
    const XmlNestingProbe::Result probe = XmlNestingProbe::examine(text.c_str());
    ASSERT_TRUE(probe.withinLimits);
    TiXmlDocument document;
    document.Parse(text.c_str(), nullptr, TIXML_ENCODING_LEGACY);
    ASSERT_EQ(probe.wellFormed, !document.Error()) << document.ErrorDesc();
    if (probe.wellFormed) {
        EXPECT_EQ(probe.deepest, elementDepth(&document));
    }
}

TEST(XmlNestingProbe, AgreesWithTheLibraryOnTrickyDocuments)
{
    const char* const documents[] = {
        "<a/>",
        "<a><b><c/></b></a>",
        "<a><!-- </a> <b> --><b/></a>",
        "<a x=\"</a><b>\" y='>'><b/></a>",
        "<a><![CDATA[</a><b><c>]]><b/></a>",
        "<a><![CDATA[ unterminated </a>",
        "<a><!DOCTYPE x [ <!ELEMENT a> ]><b/></a>",
        "<a><?xml version='1.0' x='>'?><b/></a>",
        "<a><?XML version=\"1\"><b/></a>",
        "<a><?xml STANDALONE='><c>'?></a>",
        "<a><?pi stuff ?><b/></a>",
        "<a>&#x<b>x1; <c/></a>",
        "<a>&#1<b>#2;<c/></a>",
        "<a>&#xZZ;</a>",
        "<a>&#x;&#;&amp;&bogus;</a>",
        "<a>text<</a>",
        "<a></a >",
        "<a></ab>",
        "<a></a",
        "<a x=1 y=two/>",
        "<a x=1/>",
        "<a x='1' x='2'/>",
        "<a x='1'y='2'/>",
        "<a 1='x'/>",
        "<a x = '1' / >",
        "<a/>trailing junk <b>",
        "<a/><b><c/></b>",
        "< a/>",
        "<_a><_b.c-d:e/></_a>",
        "<\xE9\xE8><\xFF/></\xE9\xE8>",
        "<z><\x7F/></z>",
        "<a>\xE9</a>",
        "<?xml version=\"1.0\"?>",
        "<?xml version=\"1.0\"?><root><x/></root>",
        "<?xml version='1.0' standalone=\"no\" ?>\r\n<eventlist />\r\n",
        "<!-- only -->",
        "<!-- unterminated",
        "<a><!-- unterminated",
        "<![CDATA[x]]>",
        "<![CDATA[x]]><a/>",
        "",
        "   ",
        "text",
        "<a>\t<b/>\n</a>",
        "<a><b></a></b>",
        "<a><b/></a></a>",
        "<a x='&#x41;' y=\"&quot;\"/>",
        "<a x='&#x'/>",
        "<a x='1",
        "<a x=",
        "<a x",
        "<a",
        "<",
        "<a><",
        "<a><b",
        "<a>&",
    };
    for (const char* text : documents)
        expectAgreement(text);
}

TEST(XmlNestingProbe, AgreesWithTheLibraryOnRandomDocuments)
{
    const char* const pieces[] = {"<a>", "</a>", "<b>", "</b>", "<c/>", "<a x='1'>", "<b y=\"</a>\">", "<!--",
                                  "-->", "<![CDATA[", "]]>", "<?xml", "?>", "<!X", ">", "<", "/", "'", "\"",
                                  " ", "t", "&#x", "&#", ";", "&amp;", "=", "x", "\xE9", "\r\n", "</"};
    std::mt19937 engine(42);
    std::uniform_int_distribution<std::size_t> piece(0, std::size(pieces) - 1);
    std::uniform_int_distribution<int> length(1, 24);
    for (int round = 0; round < 20000; ++round) {
        std::string text;
        for (int n = length(engine); n > 0; --n)
            text += pieces[piece(engine)];
        expectAgreement(text);
        if (HasFatalFailure() || HasNonfatalFailure())
            return;
    }
}

TEST(XmlNestingProbe, RefusesWhatTheLibraryCannotTakeSafely)
{
    std::string nested;
    for (int depth = 1; depth <= XmlNestingProbe::maxDepth; ++depth)
        nested = "<e>" + nested + "</e>";
    const auto atLimit = XmlNestingProbe::examine(nested.c_str());
    EXPECT_TRUE(atLimit.withinLimits && atLimit.wellFormed);
    EXPECT_EQ(atLimit.deepest, XmlNestingProbe::maxDepth);

    const auto overLimit = XmlNestingProbe::examine(("<e>" + nested + "</e>").c_str());
    EXPECT_FALSE(overLimit.withinLimits);
    EXPECT_FALSE(overLimit.wellFormed);

    // Markup that hides closing tags from a naive count must not hide depth.
    std::string hidden;
    for (int i = 0; i < 1000; ++i)
        hidden += "<a><!-- </a> --><b x='</b>'>";
    EXPECT_FALSE(XmlNestingProbe::examine(hidden.c_str()).withinLimits);

    std::string attributes = "<a";
    for (int i = 0; i <= XmlNestingProbe::maxAttributesPerElement; ++i)
        attributes += " n" + std::to_string(i) + "='v'";
    EXPECT_FALSE(XmlNestingProbe::examine((attributes + "/>").c_str()).withinLimits);
}

} // namespace
