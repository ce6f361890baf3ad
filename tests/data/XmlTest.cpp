// The XML reader: lookups, the lookup cache, entities and malformed text.
#include <gtest/gtest.h>

#include <string>

#include "data/XmlNode.h"

namespace {

XmlNode RootOf(const wchar_t* text, const std::wstring& name, std::int32_t length = -1)
{
    XmlNode document;
    document.Open(text, length);
    return document.FindChild(name, 0);
}

// The root element's content, or "<none>" when it is not found.
std::wstring ContentOf(const wchar_t* text, const std::wstring& name, std::int32_t length = -1)
{
    const XmlNode root = RootOf(text, name, length);
    return root.IsValid() ? root.GetText() : L"<none>";
}

TEST(DataXml, RootContent)
{
    EXPECT_EQ(ContentOf(L"<A><B>x</B></A>", L"A"), L"<B>x</B>");
    EXPECT_EQ(ContentOf(L"<A>x</A><B>y</B>", L"B", 8), L"<none>");  // an explicit length ends the scan
    EXPECT_EQ(ContentOf(L"<R>x</R>", L"R", -7), L"<none>");         // as does any other negative one
    // Entities are decoded once; a '&' that starts none is dropped, and none reaches past the content.
    EXPECT_EQ(ContentOf(L"<B>&lt;a&gt; &amp;amp; it&apos;s &quot;q&quot; &nbsp;b x&</B>", L"B"),
              L"<a> &amp; it's \"q\" nbsp;b x");
    EXPECT_EQ(ContentOf(L"<B>&amp</B>;", L"B"), L"amp");
    // Only the exact declaration is skipped, and only when it lies inside the text.
    EXPECT_EQ(ContentOf(L"<?xml version=\"1.0\"?><R>v</R>", L"R"), L"v");
    EXPECT_EQ(ContentOf(L"<?xml version=\"1.0\"?><R>v</R>", L"R", 20), L"<none>");
    EXPECT_EQ(ContentOf(L"<?xml version=\"1.0\" encoding=\"UTF-8\"?><R>v</R>", L"R"), L"<none>");
    // A missing closing tag reads to the end; a raw '>' counts as an empty tag.
    EXPECT_EQ(ContentOf(L"<A><B>abc", L"A"), L"<B>abc");
    EXPECT_EQ(ContentOf(L"<B>a>b</B>", L"B"), L"a>b<");
    EXPECT_EQ(ContentOf(L"<B>>>>>>>>>", L"B"), L">>>>>>>>");
}

TEST(DataXml, NestedAndRepeatedChildren)
{
    XmlNode r = RootOf(L"<R><P><N>1</N><N>3</N></P><N>2</N><N>4 kg</N></R>", L"R");
    EXPECT_EQ(r.ChildInt(L"N", 0), 2);  // only direct children count
    EXPECT_EQ(r.ChildInt(L"N", 1), 4);
    EXPECT_FALSE(r.FindChild(L"N", 2).IsValid());
    EXPECT_EQ(r.FindChild(L"P", 0).ChildInt(L"N", 1), 3);
    // Self-closing tags are not understood: what follows one is its content.
    EXPECT_FALSE(RootOf(L"<A><C/><B>x</B></A>", L"A").FindChild(L"B", 0).IsValid());
}

TEST(DataXml, LookupCacheResumesRescansAndIsReplaced)
{
    std::wstring text = L"<R><B>1</B><B>2</B><B>3</B><C>c</C></R>";
    XmlNode r = RootOf(text.c_str(), L"R");
    EXPECT_EQ(r.ChildText(L"B", 1), L"2");
    // Rename the first B behind the cache: a resumed lookup does not see it,
    // a rescan does.
    text[4] = text[9] = L'X';
    EXPECT_EQ(r.ChildText(L"B", 2), L"3");
    EXPECT_EQ(r.ChildText(L"B", 0), L"2");  // lower index: scanned from the start
    EXPECT_EQ(r.ChildText(L"B", 1), L"3");
    EXPECT_EQ(r.ChildText(L"C", 0), L"c");  // another name replaces the cache
    EXPECT_EQ(r.cacheName, L"C");
}

}  // namespace
