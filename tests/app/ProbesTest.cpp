#include "platform/Probes.h"

#include "platform/Handles.h"
#include "ProcessSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// The folder of this test program, where the test libraries and helpers lie.
std::wstring Beside(const wchar_t* name)
{
    wchar_t path[MAX_PATH] = {};
    DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path, length);
    folder.erase(folder.find_last_of(L"\\/") + 1);
    return folder + name;
}

// Runs a helper program beside the test; its exit code, or -1.
int RunHelper(const wchar_t* name)
{
    return RunAndWait(L"\"" + Beside(name) + L"\"", 30000);
}

}  // namespace

TEST(app_probes, PacksAndComparesVersions)
{
    EXPECT_EQ(PackVersion(5, 82, 0x12345, 0), 0x0005005223450000ull);
    EXPECT_EQ(PackVersion(0x10006, 0, 0, 0x10001), 0x0006000000000001ull);
    EXPECT_FALSE(IsVersionAtLeast(PackVersion(5, 82, 0, 0), 6, 0));
    EXPECT_TRUE(IsVersionAtLeast(PackVersion(6, 0, 0, 0), 6, 0));
    EXPECT_TRUE(IsVersionAtLeast(PackVersion(5, 0, 0, 0), 5, 0));
    EXPECT_FALSE(IsVersionAtLeast(PackVersion(4, 0, 6, 0), 5, 0));
    EXPECT_FALSE(IsVersionAtLeast(1, 0, 1));  // "no version export" is below every version
}

TEST(app_probes, DllVersionFromWhatTheLibraryAnswers)
{
    EXPECT_EQ(GetDllVersion(Beside(L"probe_missing.dll").c_str()), 0u);
    EXPECT_EQ(GetDllVersion(Beside(L"probe_noversion.dll").c_str()), 1u);
    // Only the short request is answered: three fields cut to 16 bits, fourth 0.
    EXPECT_EQ(GetDllVersion(Beside(L"probe_shortversion.dll").c_str()), PackVersion(5, 82, 0x2345, 0));
    EXPECT_EQ(GetDllVersion(Beside(L"probe_fullversion.dll").c_str()), PackVersion(6, 10, 7601, 17514));
    // The library is released again: it can be replaced on disk afterwards.
    std::wstring copy = Beside(L"probe_copy.dll");
    ASSERT_TRUE(::CopyFileW(Beside(L"probe_noversion.dll").c_str(), copy.c_str(), FALSE));
    EXPECT_EQ(GetDllVersion(copy.c_str()), 1u);
    EXPECT_TRUE(::DeleteFileW(copy.c_str()));
}

TEST(app_probes, ComCtl6OnlyWithTheManifest)
{
    // With the manifest the side-by-side version 6 assembly is loaded and the
    // probe answers what that library reports (Wine 8's copy calls itself
    // 5.81, Windows' 6.x); without it the system's older library is used.
    int withManifest = RunHelper(L"probe_comctl6.exe");
    ASSERT_GE(withManifest, 0);
    EXPECT_TRUE(withManifest & 2);
    EXPECT_EQ(withManifest & 1, (withManifest >> 2) & 1);
    EXPECT_EQ(RunHelper(L"probe_comctl_plain.exe"), 0);
}

TEST(app_probes, SystemVersionOnWine)
{
    PackedVersion version = GetOsVersion();
    OSVERSIONINFOW reference{};
    reference.dwOSVersionInfoSize = sizeof(reference);
    ASSERT_TRUE(::GetVersionExW(&reference));
    EXPECT_EQ(version >> 32, (static_cast<PackedVersion>(reference.dwMajorVersion) << 16) | reference.dwMinorVersion);
    EXPECT_TRUE(IsNt5OrLater());
}
