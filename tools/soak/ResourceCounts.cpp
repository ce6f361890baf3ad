#include "ResourceCounts.h"

#include <psapi.h>
#include <winternl.h>

#include <algorithm>
#include <map>
#include <vector>

#include "platform/Handles.h"
#include "text/TextConvert.h"

namespace {

// Kernel handle values are multiples of 4; a process of this size stays far
// below this bound.
constexpr std::uintptr_t kLastKernelHandle = 0x20000;

// GDI handles carry their table index in the low word; Wine finds an object
// by that word alone when the high word is 0.
constexpr std::uintptr_t kLastGdiHandle = 0xFFFF;

// Wine numbers USER objects 0x20, 0x22, ... 0xFFEE in the low word (odd values
// name the same entries as the even ones below them) and, like Windows, finds
// an object by the low word alone when the high word is 0.
constexpr std::uintptr_t kFirstUserHandle = 0x20;
constexpr std::uintptr_t kLastUserHandle = 0xFFEE;

std::string Describe(const std::map<std::string, std::int64_t>& kinds)
{
    std::string text;
    for (const auto& [name, count] : kinds) {
        if (count == 0) {
            continue;
        }
        if (!text.empty()) {
            text += ", ";
        }
        text += name + " " + std::to_string(count);
    }
    return text;
}

using NtQueryObjectFn = NTSTATUS(NTAPI*)(HANDLE, OBJECT_INFORMATION_CLASS, PVOID, ULONG, PULONG);

// The kind of a kernel object ("Event", "File", ...), empty when unknown.
std::string KernelObjectType(NtQueryObjectFn query, HANDLE handle)
{
    if (query == nullptr) {
        return std::string();
    }
    alignas(8) unsigned char buffer[1024];
    ULONG needed = 0;
    if (query(handle, ObjectTypeInformation, buffer, sizeof(buffer), &needed) < 0) {
        return std::string();
    }
    const auto* info = reinterpret_cast<const PUBLIC_OBJECT_TYPE_INFORMATION*>(buffer);
    return ToUtf8(std::wstring(info->TypeName.Buffer, info->TypeName.Length / sizeof(wchar_t)));
}

const char* GdiTypeName(DWORD type)
{
    switch (type) {
        case OBJ_PEN:
            return "pen";
        case OBJ_BRUSH:
            return "brush";
        case OBJ_DC:
            return "dc";
        case OBJ_METADC:
            return "metadc";
        case OBJ_PAL:
            return "palette";
        case OBJ_FONT:
            return "font";
        case OBJ_BITMAP:
            return "bitmap";
        case OBJ_REGION:
            return "region";
        case OBJ_METAFILE:
            return "metafile";
        case OBJ_MEMDC:
            return "memdc";
        case OBJ_EXTPEN:
            return "extpen";
        case OBJ_ENHMETADC:
            return "enhmetadc";
        case OBJ_ENHMETAFILE:
            return "enhmetafile";
        case OBJ_COLORSPACE:
            return "colorspace";
        default:
            return "other";
    }
}

// An icon or cursor of this process: GetIconInfo answers for those alone, and
// hands out two bitmaps that are the caller's to delete.
bool IsIconOrCursor(HANDLE handle)
{
    ICONINFO info{};
    if (!::GetIconInfo(static_cast<HICON>(handle), &info)) {
        return false;
    }
    UniqueGdiObject mask(info.hbmMask);
    UniqueGdiObject colour(info.hbmColor);
    return true;
}

}  // namespace

Figure CountKernelHandles()
{
    Figure figure;
    DWORD count = 0;
    if (::GetProcessHandleCount(::GetCurrentProcess(), &count) && count != 0) {
        figure.value = count;
        figure.method = "GetProcessHandleCount";
        return figure;
    }
    auto query = reinterpret_cast<NtQueryObjectFn>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "NtQueryObject")));
    std::map<std::string, std::int64_t> kinds;
    for (std::uintptr_t value = 4; value <= kLastKernelHandle; value += 4) {
        HANDLE handle = reinterpret_cast<HANDLE>(value);
        DWORD flags = 0;
        if (::GetHandleInformation(handle, &flags)) {
            ++figure.value;
            const std::string type = KernelObjectType(query, handle);
            ++kinds[type.empty() ? "?" : type];
        }
    }
    figure.method = "GetProcessHandleCount gave 0; counted by GetHandleInformation over handle values 4..0x20000";
    figure.detail = Describe(kinds);
    return figure;
}

Figure CountPrivateBytes()
{
    Figure figure;
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof(counters);
    if (::GetProcessMemoryInfo(::GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                               sizeof(counters)) &&
        counters.PrivateUsage != 0) {
        figure.value = static_cast<std::int64_t>(counters.PrivateUsage);
        figure.method = "GetProcessMemoryInfo PrivateUsage";
        return figure;
    }
    SYSTEM_INFO system{};
    ::GetSystemInfo(&system);
    auto address = static_cast<const char*>(system.lpMinimumApplicationAddress);
    const auto end = static_cast<const char*>(system.lpMaximumApplicationAddress);
    std::int64_t regions = 0;
    while (address < end) {
        MEMORY_BASIC_INFORMATION region{};
        if (::VirtualQuery(address, &region, sizeof(region)) == 0 || region.RegionSize == 0) {
            break;
        }
        if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE) {
            figure.value += static_cast<std::int64_t>(region.RegionSize);
            ++regions;
        }
        address = static_cast<const char*>(region.BaseAddress) + region.RegionSize;
    }
    figure.method = "PrivateUsage gave 0; summed VirtualQuery regions that are MEM_COMMIT and MEM_PRIVATE";
    figure.detail = std::to_string(regions) + " regions";
    return figure;
}

Figure CountGdiObjects()
{
    Figure figure;
    const DWORD reported = ::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS);
    if (reported != 0) {
        figure.value = reported;
        figure.method = "GetGuiResources GR_GDIOBJECTS";
        return figure;
    }
    const DWORD error = ::GetLastError();
    std::map<std::string, std::int64_t> kinds;
    for (std::uintptr_t value = 0; value <= kLastGdiHandle; ++value) {
        const DWORD type = ::GetObjectType(reinterpret_cast<HGDIOBJ>(value));
        if (type != 0) {
            ++figure.value;
            // A window DC that belongs to no window is one Wine keeps in its
            // cache for reuse: the report tells those apart.
            const bool cached = type == OBJ_DC && ::WindowFromDC(reinterpret_cast<HDC>(value)) == nullptr;
            ++kinds[cached ? "dc (cached, no window)" : GdiTypeName(type)];
        }
    }
    figure.method = "GetGuiResources gave 0 (error " + std::to_string(error) +
                    "); counted by GetObjectType over handle values 0..0xFFFF";
    figure.detail = Describe(kinds);
    return figure;
}

Figure CountUserObjects()
{
    Figure figure;
    const DWORD reported = ::GetGuiResources(::GetCurrentProcess(), GR_USEROBJECTS);
    if (reported != 0) {
        figure.value = reported;
        figure.method = "GetGuiResources GR_USEROBJECTS";
        return figure;
    }
    const DWORD error = ::GetLastError();
    const DWORD self = ::GetCurrentProcessId();
    std::map<std::string, std::int64_t> kinds{{"windows", 0}, {"menus", 0}, {"icons", 0}, {"accelerators", 0}};
    for (std::uintptr_t value = kFirstUserHandle; value <= kLastUserHandle; value += 2) {
        HANDLE handle = reinterpret_cast<HANDLE>(value);
        HWND window = static_cast<HWND>(handle);
        DWORD owner = 0;
        // The window table is shared by every process; only this one's count.
        if (::IsWindow(window)) {
            if (::GetWindowThreadProcessId(window, &owner) != 0 && owner == self) {
                ++kinds["windows"];
            }
        } else if (::IsMenu(static_cast<HMENU>(handle))) {
            ++kinds["menus"];
        } else if (IsIconOrCursor(handle)) {
            ++kinds["icons"];
        } else if (::CopyAcceleratorTableW(static_cast<HACCEL>(handle), nullptr, 0) > 0) {
            ++kinds["accelerators"];
        }
    }
    for (const auto& kind : kinds) {
        figure.value += kind.second;
    }
    figure.method = "GetGuiResources gave 0 (error " + std::to_string(error) +
                    "); counted by IsWindow (own process), IsMenu, GetIconInfo and CopyAcceleratorTable over "
                    "handle values 0x20..0xFFEE";
    figure.detail = Describe(kinds);
    return figure;
}

ResourceCounts MeasureResources()
{
    ResourceCounts counts;
    // Memory first: the other counts allocate a little for their breakdowns.
    counts.privateBytes = CountPrivateBytes();
    counts.kernelHandles = CountKernelHandles();
    counts.gdiObjects = CountGdiObjects();
    counts.userObjects = CountUserObjects();
    return counts;
}

std::int64_t HeapBytesInUse()
{
    HANDLE heaps[64];
    const DWORD count = std::min<DWORD>(::GetProcessHeaps(64, heaps), 64);
    std::int64_t total = 0;
    for (DWORD i = 0; i < count; ++i) {
        // A heap made without serialisation cannot be locked; it is walked all the same.
        const bool locked = ::HeapLock(heaps[i]) != FALSE;
        PROCESS_HEAP_ENTRY entry{};
        while (::HeapWalk(heaps[i], &entry)) {
            if ((entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) != 0) {
                total += entry.cbData;
            }
        }
        if (locked) {
            ::HeapUnlock(heaps[i]);
        }
    }
    return total;
}
