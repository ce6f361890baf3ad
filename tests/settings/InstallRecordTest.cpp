// The file-identity helpers behind the installation record, for long paths.
#include "platform/Handles.h"
#include "ProcessSupport.h"
#include "service/TimeService.h"
#include "platform/ModulePath.h"
#include "settings/InstallRecord.h"

#include <gtest/gtest.h>

#include <cwchar>
#include <string>

TEST(InstallRecord, LongPathPrefixIsRemovedExactly)
{
    const std::pair<const wchar_t*, const wchar_t*> cases[] = {
        {L"\\\\?\\UNC\\server\\share\\dir\\HoralSvc.exe", L"\\\\server\\share\\dir\\HoralSvc.exe"},
        {L"\\\\?\\C:\\dir\\HoralSvc.exe", L"C:\\dir\\HoralSvc.exe"},
        // Lower case "unc" is no UNC prefix: only the four characters go.
        {L"\\\\?\\unc\\server\\share\\x.exe", L"unc\\server\\share\\x.exe"},
        {L"C:\\dir\\HoralSvc.exe", L"C:\\dir\\HoralSvc.exe"},
        {L"\\\\server\\share\\x.exe", L"\\\\server\\share\\x.exe"},
        {L"\\\\.\\C:\\x.exe", L"\\\\.\\C:\\x.exe"},
        {L"\\\\?", L"\\\\?"},
        {L"\\\\?\\", L""},
        {L"", L""},
    };
    for (const auto& [path, stripped] : cases) {
        EXPECT_EQ(StripLongPathPrefix(path), stripped) << path;
    }
}

TEST(InstallRecord, VersionText)
{
    EXPECT_EQ(FormatVersion(PackVersion(1, 6, 124, 1400)), L"1.6.124.1400");
    EXPECT_EQ(FormatVersion(0xFFFF0000FFFF0001ull), L"65535.0.65535.1");
}

// A module more than 600 characters deep: its path needs a second, larger
// buffer and comes back whole, and the record keeps it whole. (Wine cannot
// start a process from a path that long, so the helper is loaded as a module.)
TEST(InstallRecord, LongModulePathIsKeptWhole)
{
    wchar_t temp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    std::wstring folder(temp, ::wcslen(temp) - 1);
    for (int i = 0; i < 6; ++i) {
        folder += L"\\horal long " + std::wstring(110, L'x');
        ::CreateDirectoryW((L"\\\\?\\" + folder).c_str(), nullptr);
    }
    const std::wstring program = folder + L"\\HoralSvc.exe";
    ASSERT_TRUE(::CopyFileW(HostPathToWindows(HORAL_SERVICE_HELPER).c_str(), (L"\\\\?\\" + program).c_str(), FALSE))
        << ::GetLastError();
    {
        UniqueLibrary module(::LoadLibraryExW((L"\\\\?\\" + program).c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES));
        ASSERT_TRUE(module.IsValid()) << ::GetLastError();
        EXPECT_EQ(GetModulePath(module.Get()), program);
    }
    const auto values = BuildInstallRecord(kDisplayName, kServiceName, program, PackVersion(1, 6, 124, 1400));
    ASSERT_EQ(values.size(), 11u);
    EXPECT_EQ(values[2].text, program);
    EXPECT_EQ(values[6].text, L"\"" + program + L"\" -u vmhoralsvc");

    ::DeleteFileW((L"\\\\?\\" + program).c_str());
    for (int i = 0; i < 6; ++i, folder.resize(folder.rfind(L'\\'))) {
        ::RemoveDirectoryW((L"\\\\?\\" + folder).c_str());
    }
}
