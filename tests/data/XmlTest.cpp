// The XML reader: lookups, the lookup cache, entities and malformed text.
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "data/XmlNode.h"

namespace {

XmlNode RootOf(const wchar_t* text, const std::wstring& name)
{
    XmlNode document;
    document.Open(text, -1);
    return document.FindChild(name, 0);
}

TEST(DataXml, ContentAndLookups)
{
    // The content of R, or "<none>" when it is not found. Entities are decoded
    // once and a '&' that starts none is dropped; only the exact declaration is
    // skipped; a missing closing tag reads to the end; a raw '>' counts as an
    // empty tag; self-closing tags are not understood, so R never closes.
    const std::pair<const wchar_t*, const wchar_t*> cases[] = {
        {L"<R>&lt;a&gt; &amp;amp; it&apos;s &quot;q&quot; &nbsp;b x&</R>", L"<a> &amp; it's \"q\" nbsp;b x"},
        {L"<?xml version=\"1.0\"?><R>v</R>", L"v"},
        {L"<?xml version=\"1.0\" encoding=\"UTF-8\"?><R>v</R>", L"<none>"},
        {L"<R><B>abc", L"<B>abc"},
        {L"<R>a>b</R>", L"a>b<"},
        {L"<R><C/><B>x</B></R>", L"<C/><B>x</B></R>"}};
    for (auto [text, expected] : cases) {
        const XmlNode root = RootOf(text, L"R");
        EXPECT_EQ(root.IsValid() ? root.GetText() : L"<none>", expected) << text;
    }

    XmlNode r = RootOf(L"<R><P><N>1</N><N>3</N></P><N>2</N><N>4 kg</N></R>", L"R");
    EXPECT_EQ(r.ChildInt(L"N", 0), 2);  // only direct children count
    EXPECT_EQ(r.ChildInt(L"N", 1), 4);
    EXPECT_FALSE(r.FindChild(L"N", 2).IsValid());
    EXPECT_EQ(r.FindChild(L"P", 0).ChildInt(L"N", 1), 3);

    // Renaming elements behind the cache tells a resumed lookup from a rescan.
    std::wstring text = L"<R><B>1</B><B>2</B><B>3</B><C>c</C></R>";
    r = RootOf(text.c_str(), L"R");
    EXPECT_EQ(r.ChildText(L"B", 1), L"2");
    text[4] = text[9] = L'X';
    EXPECT_EQ(r.ChildText(L"B", 2), L"3");  // a rising index resumes (a rescan finds two Bs)
    EXPECT_EQ(r.ChildText(L"B", 0), L"2");  // a lower one rescans
    EXPECT_EQ(r.ChildText(L"C", 0), L"c");  // and another name replaces the cache:
    text[4] = text[9] = L'B';
    EXPECT_EQ(r.ChildText(L"B", 1), L"2");  // scanned from the start again
}

}  // namespace
