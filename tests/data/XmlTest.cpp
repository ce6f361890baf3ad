// The XML reader: lookups, the lookup cache, entities and malformed text.
#include <gtest/gtest.h>

#include <string>

#include "data/XmlNode.h"

namespace {

XmlNode RootOf(const wchar_t* text, const wchar_t* rootName, std::int32_t length = -1)
{
    XmlNode document;
    document.Open(text, length);
    return document.FindChild(rootName, 0);
}

std::wstring ContentOf(const wchar_t* text, const wchar_t* name)
{
    return RootOf(text, name).GetText();
}

TEST(DataXml, FindsDirectChildrenByNameAndIndex)
{
    const wchar_t* text = L"<A><B>x</B><B>y</B></A>";
    XmlNode a = RootOf(text, L"A");
    ASSERT_TRUE(a.IsValid());
    EXPECT_EQ(a.length, 16);
    EXPECT_EQ(a.tagStart, text);
    EXPECT_EQ(a.ChildText(L"B", 0), L"x");
    EXPECT_EQ(a.ChildText(L"B", 1), L"y");
    EXPECT_FALSE(a.FindChild(L"B", 2).IsValid());
    EXPECT_EQ(a.ChildText(L"A", 0), L"");
    EXPECT_FALSE(a.FindChild(L"", 0).IsValid());
    EXPECT_EQ(ContentOf(L"<A><B>x</B></A>", L"A"), L"<B>x</B>");

    XmlNode r = RootOf(L"<R><P><N>1</N><N>3</N></P><N>2</N></R>", L"R");
    EXPECT_EQ(r.ChildInt(L"N", 0), 2);  // only direct children count
    EXPECT_EQ(r.FindChild(L"P", 0).ChildInt(L"N", 1), 3);
    EXPECT_FALSE(RootOf(L"<R><B id=\"1\">x</B></R>", L"R").FindChild(L"B", 0).IsValid());
    EXPECT_EQ(RootOf(L"<R><B id=1>x</B id=1></R>", L"R").ChildText(L"B id=1", 0), L"x");
    // An explicit length ends the scan.
    EXPECT_FALSE(RootOf(L"<A>x</A><B>y</B>", L"B", 8).IsValid());
}

TEST(DataXml, LookupCacheResumesRescansAndIsReplaced)
{
    std::wstring text = L"<R><B>1</B><B>2</B><B>3</B><C>c</C></R>";
    XmlNode r = RootOf(text.c_str(), L"R");
    EXPECT_EQ(r.ChildText(L"B", 1), L"2");
    EXPECT_EQ(r.cacheName, L"B");
    EXPECT_EQ(r.cacheIndex, 1u);
    EXPECT_EQ(r.cachePos, text.c_str() + 11);

    // Rename the first B behind the cache: a resumed lookup does not see it,
    // a rescan does.
    text[4] = L'X';
    text[9] = L'X';
    EXPECT_EQ(r.ChildText(L"B", 2), L"3");
    EXPECT_EQ(r.ChildText(L"B", 0), L"2");  // lower index: scanned from the start
    EXPECT_EQ(r.cacheIndex, 0u);
    EXPECT_EQ(r.ChildText(L"B", 1), L"3");
    EXPECT_EQ(r.ChildText(L"C", 0), L"c");  // another name replaces the cache
    EXPECT_EQ(r.cacheName, L"C");
    EXPECT_FALSE(r.FindChild(L"B", 2).IsValid());
    EXPECT_EQ(r.cacheName, L"C");  // a failed lookup keeps the cache
}

TEST(DataXml, DecodesEntitiesAndDropsStrayAmpersands)
{
    EXPECT_EQ(ContentOf(L"<B>a &amp; b</B>", L"B"), L"a & b");
    EXPECT_EQ(ContentOf(L"<B>&lt;x&gt;</B>", L"B"), L"<x>");
    EXPECT_EQ(ContentOf(L"<B>it&apos;s &quot;q&quot;</B>", L"B"), L"it's \"q\"");
    EXPECT_EQ(ContentOf(L"<B>a &nbsp;b</B>", L"B"), L"a nbsp;b");
    EXPECT_EQ(ContentOf(L"<B>x&</B>", L"B"), L"x");
    EXPECT_EQ(ContentOf(L"<B>&amp</B>;", L"B"), L"amp");  // entities never reach past the content
    EXPECT_EQ(ContentOf(L"<B>&amp;amp;</B>", L"B"), L"&amp;");
}

TEST(DataXml, SkipsOnlyTheExactDeclaration)
{
    const wchar_t* plain = L"<?xml version=\"1.0\"?><R><F>v</F></R>";
    EXPECT_EQ(RootOf(plain, L"R").ChildText(L"F", 0), L"v");
    EXPECT_EQ(RootOf(plain, L"R", 36).ChildText(L"F", 0), L"v");
    EXPECT_FALSE(RootOf(L"<?xml version=\"1.0\" encoding=\"UTF-8\"?><R></R>", L"R").IsValid());
    EXPECT_FALSE(RootOf(L"<?xml version=\"1.0\"?><R></R>", L"R", 20).IsValid());
}

TEST(DataXml, MalformedTextFollowsTheScanRules)
{
    EXPECT_EQ(ContentOf(L"<A><B>abc", L"A"), L"<B>abc");  // missing closing tag: up to the end
    EXPECT_EQ(ContentOf(L"<B>a>b</B>", L"B"), L"a>b<");   // raw '>' counts as an empty tag
    EXPECT_FALSE(RootOf(L"<A><C/><B>x</B></A>", L"A").FindChild(L"B", 0).IsValid());
    EXPECT_FALSE(RootOf(L"<A><!-- c --><B>x</B></A>", L"A").FindChild(L"B", 0).IsValid());

    // Many raw '>' would count past the end of the text; the span stays inside it.
    const std::wstring text = L"<B>>>>>>>>>";
    XmlNode b = RootOf(text.c_str(), L"B");
    EXPECT_LE(b.text + b.length, text.c_str() + text.size());
    EXPECT_EQ(b.GetText(), L">>>>>>>>");
}

TEST(DataXml, TypedReadsAndFreshNodes)
{
    XmlNode r = RootOf(L"<R><I>42 kg</I><N>-7</N><S>4 2</S><D>2006-12-31</D><M>1.234,56</M></R>", L"R");
    EXPECT_EQ(r.ChildInt(L"I", 0), 42);
    EXPECT_EQ(r.ChildInt(L"N", 0), -7);
    EXPECT_EQ(r.ChildInt(L"S", 0), 42);
    EXPECT_EQ(r.ChildDate(L"D", 0), 41291);
    EXPECT_EQ(r.ChildMoney(L"M", 0), 123456);
    EXPECT_EQ(r.ChildText(L"X", 0), L"");
    EXPECT_EQ(r.ChildInt(L"X", 0), 0);
    EXPECT_EQ(r.ChildDate(L"X", 0), NoDate);
    EXPECT_EQ(r.ChildMoney(L"X", 0), 0);
    XmlNode fresh;
    EXPECT_FALSE(fresh.FindChild(L"R", 0).IsValid());
    fresh.Open(L"<R>x</R>", -7);  // a negative length other than -1 is empty
    EXPECT_FALSE(fresh.FindChild(L"R", 0).IsValid());
}

TEST(DataXml, TextToMoneyKeepsDigitsAndALeadingMinus)
{
    EXPECT_EQ(TextToMoney(L""), 0);
    EXPECT_EQ(TextToMoney(L"0"), 0);
    EXPECT_EQ(TextToMoney(L"-12,34"), -1234);
    EXPECT_EQ(TextToMoney(L"1.234.567,89"), 123456789);
    EXPECT_EQ(TextToMoney(L"12.50 EUR"), 1250);
    EXPECT_EQ(TextToMoney(L"12,5"), 125);
    EXPECT_EQ(TextToMoney(L"12-3"), 123);
    EXPECT_EQ(TextToMoney(L"x-5"), 5);
}

}  // namespace
