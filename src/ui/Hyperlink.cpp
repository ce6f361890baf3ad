#include "ui/Hyperlink.h"

#include "platform/Handles.h"
#include "platform/Probes.h"

#include <shlwapi.h>

#include <new>

namespace {

// Loaded once by RegisterHyperlinkClass before any control exists.
HCURSOR linkCursor = nullptr;

constexpr wchar_t kOpener[] = L"<A HREF=\"";
constexpr wchar_t kUrlEnd[] = L"\">";
constexpr wchar_t kCloser[] = L"</A>";
constexpr size_t kOpenerLength = 9;
constexpr size_t kUrlEndLength = 2;
constexpr size_t kCloserLength = 4;

constexpr COLORREF kLinkColour = RGB(0, 0, 255);

HyperlinkState* StateOf(HWND hwnd)
{
    return reinterpret_cast<HyperlinkState*>(::GetWindowLongPtrW(hwnd, 0));
}

RECT LinkRect(const HyperlinkState& state)
{
    return RECT{state.linkLeft, 0, state.linkRight, state.linkHeight};
}

// Hit tests use where the cursor is now, not where the message says it was.
bool IsCursorOverLink(HWND hwnd, const HyperlinkState& state)
{
    POINT cursor{};
    if (!::GetCursorPos(&cursor) || !::ScreenToClient(hwnd, &cursor)) {
        return false;
    }
    RECT link = LinkRect(state);
    return ::PtInRect(&link, cursor) != FALSE;
}

SIZE TextExtent(HDC dc, const std::wstring& text)
{
    SIZE size{};
    ::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    return size;
}

void Measure(HWND hwnd, HyperlinkState& state)
{
    HDC dc = ::GetDC(hwnd);
    if (dc == nullptr) {
        return;
    }
    HGDIOBJ oldFont = state.font != nullptr ? ::SelectObject(dc, state.font) : nullptr;
    state.linkLeft = TextExtent(dc, state.prefix).cx;
    SIZE link = TextExtent(dc, state.linkText);
    state.linkRight = state.linkLeft + link.cx;
    state.linkHeight = link.cy;
    if (oldFont != nullptr) {
        ::SelectObject(dc, oldFont);
    }
    ::ReleaseDC(hwnd, dc);
}

void Paint(HWND hwnd, const HyperlinkState& state)
{
    PAINTSTRUCT paint{};
    HDC dc = ::BeginPaint(hwnd, &paint);
    if (dc == nullptr) {
        return;
    }
    HGDIOBJ oldFont = state.font != nullptr ? ::SelectObject(dc, state.font) : nullptr;
    ::SetBkMode(dc, TRANSPARENT);
    ::TextOutW(dc, 0, 0, state.prefix.c_str(), static_cast<int>(state.prefix.size()));
    COLORREF oldColour = ::SetTextColor(dc, kLinkColour);
    ::TextOutW(dc, state.linkLeft, 0, state.linkText.c_str(), static_cast<int>(state.linkText.size()));
    ::SetTextColor(dc, oldColour);
    ::TextOutW(dc, state.linkRight, 0, state.suffix.c_str(), static_cast<int>(state.suffix.size()));
    if (state.linkLeft != state.linkRight) {
        UniqueGdiObject pen(::CreatePen(PS_SOLID, 0, kLinkColour));
        HGDIOBJ oldPen = ::SelectObject(dc, pen.Get());
        POINT underline[2] = {{state.linkLeft, state.linkHeight - 1}, {state.linkRight, state.linkHeight - 1}};
        ::Polyline(dc, underline, 2);
        ::SelectObject(dc, oldPen);
        if (::GetFocus() == hwnd) {
            RECT link = LinkRect(state);
            ::DrawFocusRect(dc, &link);
        }
    }
    if (oldFont != nullptr) {
        ::SelectObject(dc, oldFont);
    }
    ::EndPaint(hwnd, &paint);
}

void NotifyClick(HWND hwnd, const HyperlinkState& state)
{
    UINT_PTR id = static_cast<UINT_PTR>(::GetWindowLongPtrW(hwnd, GWLP_ID));
    NMLINK link = MakeLinkClickNotification(hwnd, id, state.url);
    ::SendMessageW(::GetParent(hwnd), WM_NOTIFY, static_cast<WPARAM>(id), reinterpret_cast<LPARAM>(&link));
}

LRESULT HandleMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    HyperlinkState* state = StateOf(hwnd);
    switch (message) {
        case WM_CREATE: {
            // Without its state the control cannot work: refuse the window.
            state = new (std::nothrow) HyperlinkState;
            if (state == nullptr) {
                return -1;
            }
            ::SetWindowLongPtrW(hwnd, 0, reinterpret_cast<LONG_PTR>(state));
            LRESULT result = ::DefWindowProcW(hwnd, message, wParam, lParam);
            auto create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
            ::SendMessageW(hwnd, HLM_PARSE, 0, reinterpret_cast<LPARAM>(create->lpszName));
            // The window text keeps only what WM_SETTEXT brings later; the
            // parts live in the state.
            ::DefWindowProcW(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L""));
            return result;
        }
        case WM_SETTEXT:
            ::DefWindowProcW(hwnd, message, wParam, lParam);
            ::SendMessageW(hwnd, HLM_PARSE, 0, lParam);
            ::InvalidateRect(hwnd, nullptr, TRUE);
            return 1;
        case WM_SETFONT: {
            if (state != nullptr) {
                state->font = reinterpret_cast<HFONT>(wParam);
            }
            LRESULT result = ::DefWindowProcW(hwnd, message, wParam, lParam);
            ::SendMessageW(hwnd, HLM_MEASURE, 0, 0);
            ::InvalidateRect(hwnd, nullptr, TRUE);
            return result;
        }
        case WM_SETFOCUS:
            ::InvalidateRect(hwnd, nullptr, TRUE);
            return ::DefWindowProcW(hwnd, message, wParam, lParam);
        case WM_KILLFOCUS:
            if (state != nullptr) {
                state->pressed = false;
            }
            ::InvalidateRect(hwnd, nullptr, TRUE);
            return ::DefWindowProcW(hwnd, message, wParam, lParam);
        case WM_PAINT:
            if (state != nullptr) {
                Paint(hwnd, *state);
            } else {
                ::ValidateRect(hwnd, nullptr);
            }
            return 0;
        case WM_SETCURSOR:
            if (state != nullptr && IsCursorOverLink(hwnd, *state)) {
                ::SetCursor(linkCursor);
                return 1;
            }
            return ::DefWindowProcW(hwnd, message, wParam, lParam);
        case WM_LBUTTONDOWN:
            if (state != nullptr && IsCursorOverLink(hwnd, *state)) {
                ::SetFocus(hwnd);
                state->pressed = true;
                ::InvalidateRect(hwnd, nullptr, TRUE);
            }
            return 0;
        case WM_LBUTTONUP:
            if (state != nullptr && state->pressed) {
                state->pressed = false;
                if (IsCursorOverLink(hwnd, *state)) {
                    NotifyClick(hwnd, *state);
                }
            }
            return 0;
        case WM_NCDESTROY:
            ::SetWindowLongPtrW(hwnd, 0, 0);
            delete state;
            return ::DefWindowProcW(hwnd, message, wParam, lParam);
        case HLM_MEASURE:
            if (state != nullptr) {
                Measure(hwnd, *state);
            }
            return 1;
        case HLM_PARSE:
            if (state != nullptr) {
                HyperlinkParts parts = ParseHyperlinkText(reinterpret_cast<const wchar_t*>(lParam));
                state->prefix = std::move(parts.prefix);
                state->linkText = std::move(parts.linkText);
                state->suffix = std::move(parts.suffix);
                state->url = std::move(parts.url);
            }
            ::SendMessageW(hwnd, HLM_MEASURE, 0, 0);
            return 1;
        default:
            return ::DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

}  // namespace

HyperlinkParts ParseHyperlinkText(const wchar_t* text)
{
    HyperlinkParts parts;
    if (text == nullptr) {
        return parts;
    }
    const wchar_t* opener = ::StrStrIW(text, kOpener);
    if (opener == nullptr) {
        parts.prefix = text;
        return parts;
    }
    parts.prefix.assign(text, opener);
    const wchar_t* url = opener + kOpenerLength;
    const wchar_t* urlEnd = ::StrStrIW(url, kUrlEnd);
    if (urlEnd == nullptr) {
        parts.url = url;
        return parts;
    }
    parts.url.assign(url, urlEnd);
    const wchar_t* link = urlEnd + kUrlEndLength;
    const wchar_t* closer = ::StrStrIW(link, kCloser);
    if (closer == nullptr) {
        parts.linkText = link;
        return parts;
    }
    parts.linkText.assign(link, closer);
    parts.suffix = closer + kCloserLength;
    return parts;
}

NMLINK MakeLinkClickNotification(HWND control, UINT_PTR controlId, const std::wstring& url)
{
    NMLINK link;
    ::ZeroMemory(&link, sizeof(link));
    link.hdr.hwndFrom = control;
    link.hdr.idFrom = controlId;
    link.hdr.code = NM_CLICK;
    link.item.mask = LIF_ITEMINDEX;
    link.item.iLink = 0;
    url.copy(link.item.szUrl, url.size() < kHyperlinkMaxUrl ? url.size() : kHyperlinkMaxUrl);
    return link;
}

bool RegisterHyperlinkClass()
{
    // Systems before NT 5 have no hand cursor; the module has none either, so
    // the pointer is hidden over the link there.
    HINSTANCE cursorModule = IsNt5OrLater() ? nullptr : ::GetModuleHandleW(nullptr);
    linkCursor = ::LoadCursorA(cursorModule, MAKEINTRESOURCEA(32649));

    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = HyperlinkWndProc;
    windowClass.cbWndExtra = sizeof(LONG_PTR);
    windowClass.hInstance = ::GetModuleHandleW(nullptr);
    windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = L"SysLink";
    return ::RegisterClassExW(&windowClass) != 0;
}

LRESULT CALLBACK HyperlinkWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    // Nothing may leave a window procedure by exception; a text that cannot
    // be stored leaves the control as it was.
    try {
        return HandleMessage(hwnd, message, wParam, lParam);
    } catch (...) {
        return 0;
    }
}
