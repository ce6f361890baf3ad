// Probes, module paths and string tables against the real system.
#include "platform/DllSearch.h"
#include "platform/Handles.h"
#include "platform/ModulePath.h"
#include "platform/Probes.h"
#include "platform/StringResource.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <tuple>
#include <vector>

namespace {

// Beside this test program lie the probe libraries built with it.
std::wstring Beside(const wchar_t* name)
{
    const std::wstring path = GetModulePath(nullptr);
    return path.substr(0, path.find_last_of(L'\\') + 1) + name;
}

}  // namespace

TEST(Probes, VersionsFromWhatTheLibraryOrTheSystemAnswers)
{
    const std::pair<const wchar_t*, PackedVersion> libraries[] = {
        {L"probe_missing.dll", 0},
        {L"probe_noversion.dll", 1},                                 // 1: there, but says no version
        {L"probe_shortversion.dll", PackVersion(5, 82, 0x2345, 0)},  // short request only: 3 fields cut
        {L"probe_fullversion.dll", PackVersion(6, 10, 7601, 17514)}};
    for (const auto& [name, version] : libraries) {
        EXPECT_EQ(GetDllVersion(Beside(name).c_str()), version) << name;
    }
    // The library is released again: its file can be deleted afterwards.
    const std::wstring copy = Beside(L"probe_copy.dll");
    ASSERT_TRUE(::CopyFileW(Beside(L"probe_noversion.dll").c_str(), copy.c_str(), FALSE));
    EXPECT_EQ(GetDllVersion(copy.c_str()), 1u);
    EXPECT_TRUE(::DeleteFileW(copy.c_str()));

    OSVERSIONINFOW reference{};
    reference.dwOSVersionInfoSize = sizeof(reference);
    ASSERT_TRUE(::GetVersionExW(&reference));
    EXPECT_EQ(GetOsVersion() >> 32, PackVersion(0, 0, reference.dwMajorVersion, reference.dwMinorVersion));
    EXPECT_TRUE(IsNt5OrLater() && !IsVersionAtLeast(PackVersion(5, 82, 0, 0), 6, 0));
}

TEST(ModulePath, PrefixesAndLongPaths)
{
    const std::pair<const wchar_t*, const wchar_t*> cases[] = {
        {L"\\\\?\\UNC\\server\\share\\dir\\HoralSvc.exe", L"\\\\server\\share\\dir\\HoralSvc.exe"},
        {L"\\\\?\\C:\\dir\\HoralSvc.exe", L"C:\\dir\\HoralSvc.exe"},
        {L"\\\\?\\unc\\server\\x.exe", L"unc\\server\\x.exe"},  // lower case is no UNC prefix
        {L"\\\\.\\C:\\x.exe", L"\\\\.\\C:\\x.exe"},
        {L"\\\\?", L"\\\\?"},
        {L"", L""}};
    for (const auto& [path, stripped] : cases) {
        EXPECT_EQ(StripLongPathPrefix(path), stripped);
    }
    // A module more than 600 characters deep needs a second, larger buffer
    // and comes back whole. (Wine starts no process from so long a path.)
    std::wstring folder = Beside(L"");
    std::vector<std::wstring> made;
    for (int i = 0; i < 6; ++i) {
        made.push_back(L"\\\\?\\" + (folder += L"horal long " + std::wstring(110, L'x') + L"\\"));
        ::CreateDirectoryW(made.back().c_str(), nullptr);
    }
    const std::wstring library = folder + L"probe.dll";
    ASSERT_TRUE(::CopyFileW(Beside(L"probe_noversion.dll").c_str(), (L"\\\\?\\" + library).c_str(), FALSE));
    {
        UniqueLibrary module(::LoadLibraryExW((L"\\\\?\\" + library).c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES));
        EXPECT_EQ(GetModulePath(module.Get()), library);
    }
    ::DeleteFileW((L"\\\\?\\" + library).c_str());
    for (auto dir = made.rbegin(); dir != made.rend(); ++dir) {
        ::RemoveDirectoryW(dir->c_str());
    }
}

TEST(StringTable, EntriesOfWholeAndDamagedBlocks)
{
    // Entry 0 "ab", entry 1 empty, entry 2 "c", the rest absent.
    const WORD block[] = {2, L'a', L'b', 0, 1, L'c', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    const WORD overrun[] = {40, L'x'};
    std::vector<BYTE> shifted(sizeof(block) + 1);  // resource data need not be aligned
    std::memcpy(shifted.data() + 1, block, sizeof(block));
    // The data, its size, the index and the entry read.
    const std::tuple<const void*, std::size_t, UINT, const wchar_t*> cases[] = {
        {block, sizeof(block), 0, L"ab"},
        {block, sizeof(block), 1, L""},
        {block, sizeof(block), 2, L"c"},
        {block, sizeof(block), 16, L""},
        {overrun, sizeof(overrun), 0, L""},
        {block, 6 * sizeof(WORD), 3, L""},
        {nullptr, 0, 0, L""},
        {shifted.data() + 1, sizeof(block), 2, L"c"}};
    for (auto [data, size, index, entry] : cases) {
        EXPECT_EQ(StringTableEntry(data, size, index), entry) << size << " " << index;
    }
}

TEST(DllSearch, NothingBesideTheProgramLoadsByNameOnceRestricted)
{
    // A library beside the program, found there by its bare name until the
    // search is limited to the system folder (as a planted one would be).
    ASSERT_TRUE(UniqueLibrary(::LoadLibraryW(L"probe_noversion.dll")).IsValid());
    EXPECT_TRUE(RestrictDllSearch());
    EXPECT_FALSE(UniqueLibrary(::LoadLibraryW(L"probe_noversion.dll")).IsValid());
}
