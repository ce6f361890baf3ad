// A one-line text control with at most one link, registered as "SysLink" where
// ComCtl32 has no link control of its own (before version 6). It draws the
// link blue and underlined, shows a hand cursor over it and on a click sends
// its parent the notification the system's link control sends (WM_NOTIFY,
// NM_CLICK, NMLINK), so a dialog handles both controls with the same code.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>

// Private messages the control sends itself.
constexpr UINT HLM_MEASURE = WM_APP + 1;  // recompute the link's position; returns 1
constexpr UINT HLM_PARSE = WM_APP + 2;    // lParam: marked-up text; returns 1

// Longest URL handed to the parent, in characters.
constexpr size_t kHyperlinkMaxUrl = 2083;

// The parts of a text with one link: prefix <A HREF="url">linkText</A> suffix.
struct HyperlinkParts {
    std::wstring prefix;
    std::wstring linkText;
    std::wstring suffix;
    std::wstring url;
};

// Splits marked-up text; the markers match in any letter case and only the
// first link counts. A null text reads as empty.
HyperlinkParts ParseHyperlinkText(const wchar_t* text);

// Per-window state, kept in the window's extra word 0.
struct HyperlinkState {
    HFONT font = nullptr;  // null: the device context's default font
    std::wstring prefix;
    std::wstring linkText;
    std::wstring suffix;
    std::wstring url;
    bool pressed = false;  // button went down on the link and is not up yet
    int linkLeft = 0;
    int linkRight = 0;
    int linkHeight = 0;
};

// The notification for a click on the link of `control` (id `controlId`).
NMLINK MakeLinkClickNotification(HWND control, UINT_PTR controlId, const std::wstring& url);

// Registers the window class "SysLink" for this module; call once at start,
// before any dialog is created.
bool RegisterHyperlinkClass();

LRESULT CALLBACK HyperlinkWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
