#include "ui/Hyperlink.h"

#include "platform/Handles.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

// prefix|url|link text|suffix
std::wstring Parts(const wchar_t* text)
{
    const HyperlinkParts parts = ParseHyperlinkText(text);
    return parts.prefix + L"|" + parts.url + L"|" + parts.linkText + L"|" + parts.suffix;
}

TEST(ui_hyperlink_parse, MarkersAndMissingParts)
{
    EXPECT_EQ(Parts(L"Visit <a href=\"x\">here</a> now"), L"Visit |x|here| now");
    EXPECT_EQ(Parts(L"<A hReF=\"u\">l</a>"), L"|u|l|");
    EXPECT_EQ(Parts(L"a <A HREF=\"x\">b"), L"a |x|b|");
    EXPECT_EQ(Parts(L"a <A HREF=\"x"), L"a |x||");
    EXPECT_EQ(Parts(L"plain text"), L"plain text|||");
    EXPECT_EQ(Parts(nullptr), L"|||");
    // Only the first link counts; other spellings of the opener stay text.
    EXPECT_EQ(Parts(L"<a href=\"1\">one</a> <a href=\"2\">two</a>"), L"|1|one| <a href=\"2\">two</a>");
    EXPECT_EQ(Parts(L"<a  href='x'>y</a>"), L"<a  href='x'>y</a>|||");
}

// The notifications the parent received, with their wParam.
std::vector<std::pair<WPARAM, NMLINK>> clicks;

LRESULT CALLBACK ParentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NOTIFY) {
        clicks.emplace_back(wParam, *reinterpret_cast<const NMLINK*>(lParam));
        return 0;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

class ui_hyperlink_window : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        ASSERT_TRUE(RegisterHyperlinkClass());
        WNDCLASSW parentClass{};
        parentClass.lpfnWndProc = ParentProc;
        parentClass.hInstance = ::GetModuleHandleW(nullptr);
        parentClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        parentClass.lpszClassName = L"HoralLinkParent";
        ASSERT_NE(::RegisterClassW(&parentClass), 0);
        // One parent for all tests: destroying top-level windows is slow here.
        parent = ::CreateWindowExW(0, L"HoralLinkParent", L"links", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 500,
                                   200, nullptr, nullptr, parentClass.hInstance, nullptr);
        ASSERT_NE(parent, nullptr);
    }

    static void TearDownTestSuite() { ::DestroyWindow(parent); }

    void SetUp() override { clicks.clear(); }

    void TearDown() override
    {
        while (HWND child = ::GetWindow(parent, GW_CHILD)) {
            ::DestroyWindow(child);
        }
    }

    static HWND CreateLink(const wchar_t* text, int id = 42)
    {
        return ::CreateWindowExW(0, L"SysLink", text, WS_CHILD | WS_VISIBLE, 10, 10, 400, 40, parent,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
    }

    static const HyperlinkState& State(HWND link)
    {
        return *reinterpret_cast<const HyperlinkState*>(::GetWindowLongPtrW(link, 0));
    }

    static POINT OnLink(HWND link)
    {
        return {(State(link).linkLeft + State(link).linkRight) / 2, State(link).linkHeight / 2};
    }

    // Moves the cursor to `at` (client coordinates) and sends the button message.
    static void Mouse(HWND link, UINT message, POINT at)
    {
        ::ClientToScreen(link, &at);
        ::SetCursorPos(at.x, at.y);
        ::SendMessageW(link, message, message == WM_LBUTTONDOWN ? MK_LBUTTON : 0, 0);
    }

    static constexpr POINT kOnText{2, 2};
    static HWND parent;
};
HWND ui_hyperlink_window::parent = nullptr;

TEST_F(ui_hyperlink_window, WindowTextHoldsOnlyWhatWasSetLater)
{
    HWND link = CreateLink(L"Visit <a href=\"x\">here</a> now");
    ASSERT_NE(link, nullptr);
    EXPECT_EQ(::GetWindowTextLengthW(link), 0);
    EXPECT_EQ(State(link).linkText, L"here");
    EXPECT_GT(State(link).linkRight, State(link).linkLeft);

    const wchar_t* marked = L"Go <A HREF=\"http://example.invalid/\">there</A>!";
    ::SetWindowTextW(link, marked);
    wchar_t buffer[128] = {};
    ::GetWindowTextW(link, buffer, 128);
    EXPECT_STREQ(buffer, marked);
    EXPECT_EQ(State(link).url, L"http://example.invalid/");

    // Null text reads as empty, at creation and later.
    HWND unnamed = CreateLink(nullptr, 43);
    ASSERT_NE(unnamed, nullptr);
    ::SendMessageW(unnamed, WM_SETTEXT, 0, 0);
    EXPECT_EQ(State(unnamed).prefix + State(unnamed).linkText, L"");
}

TEST_F(ui_hyperlink_window, NotifiesOnlyForDownAndUpOnTheLink)
{
    const std::wstring url = L"http://example.invalid/" + std::wstring(2500, L'p');
    HWND link = CreateLink((L"Visit <a href=\"" + url + L"\">here</a> now").c_str());
    ASSERT_NE(link, nullptr);
    Mouse(link, WM_LBUTTONDOWN, OnLink(link));  // up elsewhere
    Mouse(link, WM_LBUTTONUP, kOnText);
    Mouse(link, WM_LBUTTONUP, OnLink(link));  // up without down
    Mouse(link, WM_LBUTTONDOWN, kOnText);     // down elsewhere
    Mouse(link, WM_LBUTTONUP, OnLink(link));
    EXPECT_TRUE(clicks.empty());

    Mouse(link, WM_LBUTTONDOWN, OnLink(link));
    EXPECT_EQ(::GetFocus(), link);
    Mouse(link, WM_LBUTTONUP, OnLink(link));
    ASSERT_EQ(clicks.size(), 1u);
    const NMLINK& click = clicks[0].second;
    EXPECT_EQ(clicks[0].first, 42u);
    EXPECT_EQ(click.hdr.hwndFrom, link);
    EXPECT_EQ(click.hdr.idFrom, 42u);
    EXPECT_EQ(click.hdr.code, static_cast<UINT>(NM_CLICK));
    EXPECT_EQ(click.item.mask, static_cast<UINT>(LIF_ITEMINDEX));
    EXPECT_EQ(click.item.szUrl, url.substr(0, kHyperlinkMaxUrl));
}

TEST_F(ui_hyperlink_window, LargerFontMovesTheHitRectangle)
{
    HWND link = CreateLink(L"Some words first <a href=\"x\">link</a>");
    ASSERT_NE(link, nullptr);
    UniqueGdiObject small(::CreateFontW(-8, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Tahoma"));
    UniqueGdiObject large(::CreateFontW(-24, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Tahoma"));
    ::SendMessageW(link, WM_SETFONT, reinterpret_cast<WPARAM>(small.Get()), FALSE);
    const POINT before = OnLink(link);
    const int beforeRight = State(link).linkRight;
    ::SendMessageW(link, WM_SETFONT, reinterpret_cast<WPARAM>(large.Get()), FALSE);
    EXPECT_GT(State(link).linkLeft, beforeRight);
    // Where the small link was is plain text now; the new place is the link.
    Mouse(link, WM_LBUTTONDOWN, before);
    Mouse(link, WM_LBUTTONUP, before);
    EXPECT_TRUE(clicks.empty());
    Mouse(link, WM_LBUTTONDOWN, OnLink(link));
    Mouse(link, WM_LBUTTONUP, OnLink(link));
    EXPECT_EQ(clicks.size(), 1u);
    ::SendMessageW(link, WM_SETFONT, 0, FALSE);
}

// Whether any pixel of the top row above the link text differs from the
// control's background, as the dotted focus rectangle does.
bool TopRowMarked(HWND link, int left, int right)
{
    ::InvalidateRect(link, nullptr, TRUE);
    ::UpdateWindow(link);
    HDC dc = ::GetDC(link);
    const COLORREF background = ::GetPixel(dc, 395, 35);
    bool marked = false;
    for (int x = left; x < right && !marked; ++x) {
        marked = ::GetPixel(dc, x, 0) != background;
    }
    ::ReleaseDC(link, dc);
    return marked;
}

TEST_F(ui_hyperlink_window, FocusRectangleOnlyWithALink)
{
    HWND link = CreateLink(L"Visit <a href=\"x\">here</a> now");
    HWND plain = CreateLink(L"nothing to click here", 43);
    ASSERT_NE(link, nullptr);
    const int left = State(link).linkLeft;
    const int right = State(link).linkRight;
    ::SetFocus(parent);
    EXPECT_FALSE(TopRowMarked(link, left, right));
    ::SetFocus(link);
    EXPECT_TRUE(TopRowMarked(link, left, right));
    ::SetFocus(plain);
    ASSERT_EQ(::GetFocus(), plain);
    EXPECT_FALSE(TopRowMarked(plain, 0, 400));
}

}  // namespace
