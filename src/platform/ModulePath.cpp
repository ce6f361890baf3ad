#include "platform/ModulePath.h"

#include <vector>

namespace {

// The longest path the system hands out is 32767 units; a few doublings past
// that mean the module is gone or the call misbehaves.
constexpr DWORD kMaxModulePathRoom = 65536;

}  // namespace

std::wstring GetModulePath(HMODULE module)
{
    std::vector<wchar_t> buffer(512);
    for (;;) {
        const DWORD room = static_cast<DWORD>(buffer.size());
        const DWORD length = ::GetModuleFileNameW(module, buffer.data(), room);
        if (length == 0) {
            return std::wstring();
        }
        // A length equal to the room means the path was cut to fit.
        if (length < room) {
            return StripLongPathPrefix(std::wstring(buffer.data(), length));
        }
        if (room >= kMaxModulePathRoom) {
            return std::wstring();
        }
        buffer.assign(static_cast<std::size_t>(room) * 2, L'\0');
    }
}

std::wstring StripLongPathPrefix(const std::wstring& path)
{
    if (path.compare(0, 8, L"\\\\?\\UNC\\") == 0) {
        return L"\\" + path.substr(7);
    }
    if (path.compare(0, 4, L"\\\\?\\") == 0) {
        return path.substr(4);
    }
    return path;
}
