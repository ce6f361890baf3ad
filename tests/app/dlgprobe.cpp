// Test tool: looks into and drives the dialogs of another process, and reads
// the registry of the prefix it runs in. Prints KEY=VALUE lines (UTF-8).
//   dlgprobe show TITLE [WAITMS]       wait up to WAITMS (default 20000) for a top-level
//                                      window of that title; prints FOUND, TITLE, FOCUS
//                                      (control id with the keyboard focus), DEFID and
//                                      one ITEM<id>=<class>|<text> line per child
//   dlgprobe fill TITLE SERVERS INTERVAL   set controls 1022 and 1023 and post OK
//   dlgprobe command TITLE ID          post WM_COMMAND ID (as a button click)
//   dlgprobe close TITLE               post WM_SYSCOMMAND SC_CLOSE (the close box)
//   dlgprobe gone TITLE [WAITMS]       wait until no window of that title is left; GONE=0/1
//   dlgprobe key SUBKEY                EXISTS=0/1 for a key under HKEY_LOCAL_MACHINE
//   dlgprobe value SUBKEY NAME         TYPE and VALUE (text in brackets, or the number)
#include "platform/Handles.h"
#include "text/TextConvert.h"

#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>

namespace {

constexpr int kServerField = 1022;
constexpr int kIntervalField = 1023;

void Print(const char* key, const std::wstring& value)
{
    std::printf("%s=%s\n", key, ToUtf8(value).c_str());
}

std::wstring WindowText(HWND window)
{
    wchar_t buffer[1024] = L"";
    ::GetWindowTextW(window, buffer, 1024);
    return buffer;
}

HWND WaitForWindow(const wchar_t* title, DWORD waitMs)
{
    const DWORD start = ::GetTickCount();
    for (;;) {
        HWND window = ::FindWindowW(nullptr, title);
        if (window || ::GetTickCount() - start >= waitMs) {
            return window;
        }
        ::Sleep(100);
    }
}

BOOL CALLBACK PrintChild(HWND child, LPARAM)
{
    wchar_t className[64] = L"";
    ::GetClassNameW(child, className, 64);
    // Edit controls of another process answer WM_GETTEXT; GetWindowText
    // would not ask them.
    wchar_t text[1024] = L"";
    ::SendMessageW(child, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text));
    const std::string key = "ITEM" + std::to_string(static_cast<int>(static_cast<short>(::GetDlgCtrlID(child))));
    Print(key.c_str(), std::wstring(className) + L"|" + text);
    return TRUE;
}

int Show(HWND window)
{
    std::printf("FOUND=%d\n", window ? 1 : 0);
    if (!window) {
        return 1;
    }
    Print("TITLE", WindowText(window));
    // The window can be found before its thread's input state has settled
    // (Wine activates it a moment later); give the focus up to 3 s to appear.
    int focus = 0;
    for (int attempt = 0; attempt < 30 && focus == 0; ++attempt) {
        GUITHREADINFO info{};
        info.cbSize = sizeof(info);
        if (::GetGUIThreadInfo(::GetWindowThreadProcessId(window, nullptr), &info) && info.hwndFocus) {
            focus = ::GetDlgCtrlID(info.hwndFocus);
        } else {
            ::Sleep(100);
        }
    }
    std::printf("FOCUS=%d\n", focus);
    const LRESULT defId = ::SendMessageW(window, DM_GETDEFID, 0, 0);
    std::printf("DEFID=%d\n", HIWORD(defId) == DC_HASDEFID ? LOWORD(defId) : 0);
    ::EnumChildWindows(window, PrintChild, 0);
    return 0;
}

void PostCommand(HWND window, int id)
{
    ::PostMessageW(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(window, id)));
}

int Key(const wchar_t* subkey)
{
    UniqueHkey key;
    const LONG result = ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, subkey, 0, KEY_READ, key.Put());
    std::printf("EXISTS=%d\n", result == ERROR_SUCCESS ? 1 : 0);
    return 0;
}

int Value(const wchar_t* subkey, const wchar_t* name)
{
    UniqueHkey key;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, subkey, 0, KEY_READ, key.Put()) != ERROR_SUCCESS) {
        std::printf("EXISTS=0\n");
        return 0;
    }
    BYTE data[8192] = {};
    DWORD type = 0;
    DWORD size = sizeof(data) - sizeof(wchar_t);
    if (::RegQueryValueExW(key.Get(), name, nullptr, &type, data, &size) != ERROR_SUCCESS) {
        std::printf("EXISTS=1\nTYPE=none\n");
        return 0;
    }
    std::printf("EXISTS=1\nTYPE=%lu\nSIZE=%lu\n", type, size);
    if (type == REG_DWORD && size == 4) {
        DWORD number = 0;
        std::memcpy(&number, data, 4);
        std::printf("VALUE=%lu\n", number);
    } else if (type == REG_SZ || type == REG_EXPAND_SZ) {
        // Brackets keep leading and trailing blanks visible.
        Print("VALUE", L"[" + std::wstring(reinterpret_cast<const wchar_t*>(data)) + L"]");
    }
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 3) {
        return 2;
    }
    const std::wstring command = argv[1];
    const wchar_t* title = argv[2];
    const DWORD waitMs = argc >= 4 ? std::wcstoul(argv[3], nullptr, 10) : 20000;
    if (command == L"show") {
        return Show(WaitForWindow(title, waitMs));
    }
    if (command == L"gone") {
        const DWORD start = ::GetTickCount();
        while (::FindWindowW(nullptr, title) && ::GetTickCount() - start < waitMs) {
            ::Sleep(100);
        }
        std::printf("GONE=%d\n", ::FindWindowW(nullptr, title) ? 0 : 1);
        return 0;
    }
    if (command == L"key") {
        return Key(title);
    }
    if (command == L"value" && argc >= 4) {
        return Value(title, argv[3]);
    }
    HWND window = WaitForWindow(title, 20000);
    std::printf("FOUND=%d\n", window ? 1 : 0);
    if (!window) {
        return 1;
    }
    if (command == L"fill" && argc >= 5) {
        ::SetDlgItemTextW(window, kServerField, argv[3]);
        ::SetDlgItemTextW(window, kIntervalField, argv[4]);
        PostCommand(window, IDOK);
        return 0;
    }
    if (command == L"command" && argc >= 4) {
        PostCommand(window, static_cast<int>(std::wcstol(argv[3], nullptr, 10)));
        return 0;
    }
    if (command == L"close") {
        ::PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
        return 0;
    }
    return 2;
}
