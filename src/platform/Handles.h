// Owners for the system handles the program uses. Each alias names one kind of
// handle; its traits carry the invalid value and the function that closes it,
// so a handle is released on every path that leaves its scope.
#pragma once

#include <winsock2.h>
#include <windows.h>
#include <commctrl.h>
#include <msiquery.h>

#include <utility>

template <typename Traits>
class UniqueHandle {
public:
    using Type = typename Traits::Type;

    UniqueHandle() noexcept = default;
    explicit UniqueHandle(Type value) noexcept : value_(value) {}
    ~UniqueHandle() { Reset(); }

    UniqueHandle(UniqueHandle&& other) noexcept : value_(other.Release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept
    {
        if (this != &other) {
            Reset(other.Release());
        }
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;

    Type Get() const noexcept { return value_; }
    bool IsValid() const noexcept { return value_ != Traits::Invalid(); }
    explicit operator bool() const noexcept { return IsValid(); }

    // Closes the current handle and returns storage for an out-parameter.
    Type* Put() noexcept
    {
        Reset();
        return &value_;
    }

    // Gives up ownership without closing.
    Type Release() noexcept { return std::exchange(value_, Traits::Invalid()); }

    void Reset(Type value = Traits::Invalid()) noexcept
    {
        if (IsValid()) {
            Traits::Close(value_);
        }
        value_ = value;
    }

private:
    Type value_ = Traits::Invalid();
};

namespace handle_traits {

struct Kernel {  // events, threads, processes: null when absent
    using Type = HANDLE;
    static Type Invalid() { return nullptr; }
    static void Close(Type h) { ::CloseHandle(h); }
};

struct File {  // file handles: INVALID_HANDLE_VALUE when absent
    using Type = HANDLE;
    static Type Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(Type h) { ::CloseHandle(h); }
};

struct RegKey {
    using Type = HKEY;
    static Type Invalid() { return nullptr; }
    static void Close(Type h) { ::RegCloseKey(h); }
};

struct Service {
    using Type = SC_HANDLE;
    static Type Invalid() { return nullptr; }
    static void Close(Type h) { ::CloseServiceHandle(h); }
};

struct Socket {
    using Type = SOCKET;
    static Type Invalid() { return INVALID_SOCKET; }
    static void Close(Type s) { ::closesocket(s); }
};

struct WsaEvent {  // socket events of WSAEventSelect
    using Type = WSAEVENT;
    static Type Invalid() { return WSA_INVALID_EVENT; }
    static void Close(Type h) { ::WSACloseEvent(h); }
};

struct Library {
    using Type = HMODULE;
    static Type Invalid() { return nullptr; }
    static void Close(Type h) { ::FreeLibrary(h); }
};

struct GdiObject {  // fonts, brushes, pens, bitmaps
    using Type = HGDIOBJ;
    static Type Invalid() { return nullptr; }
    static void Close(Type h) { ::DeleteObject(h); }
};

struct ImageList {
    using Type = HIMAGELIST;
    static Type Invalid() { return nullptr; }
    static void Close(Type h) { ::ImageList_Destroy(h); }
};

struct EventSource {
    using Type = HANDLE;
    static Type Invalid() { return nullptr; }
    static void Close(Type h) { ::DeregisterEventSource(h); }
};

struct Msi {  // Windows Installer handles: records, views, databases
    using Type = MSIHANDLE;
    static Type Invalid() { return 0; }
    static void Close(Type h) { ::MsiCloseHandle(h); }
};

}  // namespace handle_traits

using UniqueKernelHandle = UniqueHandle<handle_traits::Kernel>;
using UniqueEvent = UniqueHandle<handle_traits::Kernel>;
using UniqueFile = UniqueHandle<handle_traits::File>;
using UniqueHkey = UniqueHandle<handle_traits::RegKey>;
using UniqueScHandle = UniqueHandle<handle_traits::Service>;
using UniqueSocket = UniqueHandle<handle_traits::Socket>;
using UniqueWsaEvent = UniqueHandle<handle_traits::WsaEvent>;
using UniqueLibrary = UniqueHandle<handle_traits::Library>;
using UniqueGdiObject = UniqueHandle<handle_traits::GdiObject>;
using UniqueImageList = UniqueHandle<handle_traits::ImageList>;
using UniqueEventSource = UniqueHandle<handle_traits::EventSource>;
using UniqueMsiHandle = UniqueHandle<handle_traits::Msi>;

// A socket's network events tied to an event of their own for one scope
// (WSAEventSelect, which makes the socket non-blocking). The tie is undone
// before the event is closed: the handle value of a closed event may belong to
// something else by the time the socket reports again.
class SocketEvents {
public:
    SocketEvents(SOCKET s, long events) : socket(s), event(::WSACreateEvent())
    {
        tied = event && ::WSAEventSelect(s, event.Get(), events) == 0;
    }
    ~SocketEvents()
    {
        if (tied) {
            ::WSAEventSelect(socket, nullptr, 0);
        }
    }
    SocketEvents(const SocketEvents&) = delete;
    SocketEvents& operator=(const SocketEvents&) = delete;

    SOCKET socket;
    UniqueWsaEvent event;
    bool tied = false;
};

// The Winsock session of one synchronisation cycle. Only version 2.2 counts as
// ready; any other version is released again at once.
class WinsockScope {
public:
    WinsockScope() noexcept
    {
        WSADATA data{};
        if (::WSAStartup(MAKEWORD(2, 2), &data) != 0) {
            return;
        }
        if (IsAcceptedVersion(data.wVersion)) {
            ready = true;
        } else {
            ::WSACleanup();
        }
    }
    ~WinsockScope()
    {
        if (ready) {
            ::WSACleanup();
        }
    }
    WinsockScope(const WinsockScope&) = delete;
    WinsockScope& operator=(const WinsockScope&) = delete;

    // Exactly 2.2: low byte 2 and high byte equal to it.
    static bool IsAcceptedVersion(WORD version) noexcept
    {
        return LOBYTE(version) == 2 && HIBYTE(version) == LOBYTE(version);
    }

    bool ready = false;
};
