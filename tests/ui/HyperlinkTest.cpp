#include "ui/Hyperlink.h"

#include <gtest/gtest.h>

#include <utility>

namespace {

TEST(ui_hyperlink, ParsesMarkedUpText)
{
    // prefix|url|link text|suffix; markers in any letter case, only the first link counts.
    const std::pair<const wchar_t*, const wchar_t*> cases[] = {
        {L"Visit <a hReF=\"x\">here</A> now", L"Visit |x|here| now"},
        {L"a <A HREF=\"x\">b", L"a |x|b|"},
        {L"a <a href=\"x", L"a |x||"},
        {L"plain text", L"plain text|||"},
        {nullptr, L"|||"},
        {L"<a href=\"1\">one</a> <a href=\"2\">two</a>", L"|1|one| <a href=\"2\">two</a>"}};
    for (const auto& [text, expected] : cases) {
        const HyperlinkParts parts = ParseHyperlinkText(text);
        EXPECT_EQ(parts.prefix + L"|" + parts.url + L"|" + parts.linkText + L"|" + parts.suffix, expected);
    }
}

}  // namespace
