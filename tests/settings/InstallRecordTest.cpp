// The installation record's values and the file-identity helpers behind them.
#include "Handles.h"
#include "ProcessSupport.h"
#include "service/TimeService.h"
#include "settings/InstallRecord.h"
#include "settings/Registry.h"

#include <gtest/gtest.h>
#include <shlwapi.h>

#include <string>
#include <vector>

namespace {

const std::wstring kHelper = HostPathToWindows(HORAL_SERVICE_HELPER);

bool KeyExists(const std::wstring& path)
{
    UniqueHkey key;
    return ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, key.Put()) == ERROR_SUCCESS;
}

std::wstring ReadText(const std::wstring& keyPath, const wchar_t* name)
{
    UniqueHkey key;
    std::wstring text;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, KEY_QUERY_VALUE, key.Put()) == ERROR_SUCCESS) {
        QueryStringValue(key.Get(), name, text);
    }
    return text;
}

// A folder more than 600 characters deep under the temporary folder, made and
// removed through the long-path prefix.
class DeepFolder {
public:
    DeepFolder()
    {
        wchar_t temp[MAX_PATH] = {};
        ::GetTempPathW(MAX_PATH, temp);
        path = temp;
        path.pop_back();
        const std::wstring part = L"horal long " + std::wstring(110, L'x');
        for (int i = 0; i < 6; ++i) {
            path += L"\\" + part;
            ::CreateDirectoryW((L"\\\\?\\" + path).c_str(), nullptr);
            made_.push_back(path);
        }
    }
    ~DeepFolder()
    {
        for (auto it = files_.rbegin(); it != files_.rend(); ++it) {
            ::DeleteFileW((L"\\\\?\\" + *it).c_str());
        }
        for (auto it = made_.rbegin(); it != made_.rend(); ++it) {
            ::RemoveDirectoryW((L"\\\\?\\" + *it).c_str());
        }
    }
    void Adopt(const std::wstring& file) { files_.push_back(file); }
    std::wstring path;

private:
    std::vector<std::wstring> made_;
    std::vector<std::wstring> files_;
};

}  // namespace

TEST(InstallRecord, LongPathPrefixIsRemovedExactly)
{
    EXPECT_EQ(StripLongPathPrefix(L"\\\\?\\UNC\\server\\share\\dir\\HoralSvc.exe"),
              L"\\\\server\\share\\dir\\HoralSvc.exe");
    EXPECT_EQ(StripLongPathPrefix(L"\\\\?\\C:\\dir\\HoralSvc.exe"), L"C:\\dir\\HoralSvc.exe");
    // Lower case "unc" is no UNC prefix: only the four characters go.
    EXPECT_EQ(StripLongPathPrefix(L"\\\\?\\unc\\server\\share\\x.exe"), L"unc\\server\\share\\x.exe");
    EXPECT_EQ(StripLongPathPrefix(L"C:\\dir\\HoralSvc.exe"), L"C:\\dir\\HoralSvc.exe");
    EXPECT_EQ(StripLongPathPrefix(L"\\\\server\\share\\x.exe"), L"\\\\server\\share\\x.exe");
    EXPECT_EQ(StripLongPathPrefix(L"\\\\.\\C:\\x.exe"), L"\\\\.\\C:\\x.exe");
    EXPECT_EQ(StripLongPathPrefix(L"\\\\?"), L"\\\\?");
    EXPECT_EQ(StripLongPathPrefix(L"\\\\?\\"), L"");
    EXPECT_EQ(StripLongPathPrefix(L""), L"");
}

TEST(InstallRecord, VersionText)
{
    EXPECT_EQ(FormatVersion(PackVersion(1, 6, 124, 1400)), L"1.6.124.1400");
    EXPECT_EQ(FormatVersion(0), L"0.0.0.0");
    EXPECT_EQ(FormatVersion(0xFFFF0000FFFF0001ull), L"65535.0.65535.1");
}

TEST(InstallRecord, ValuesInOrderWithQuotedUninstallCommand)
{
    const std::wstring path = L"C:\\Program Files\\Velmora\\HoralSvc.exe";
    const auto values = BuildInstallRecord(L"Velmora Horal Service", L"vmhoralsvc", path, PackVersion(1, 6, 124, 1400));
    const wchar_t* names[] = {L"DisplayName",  L"Publisher",     L"InstallLocation", L"DisplayVersion",
                              L"VersionMajor", L"VersionMinor",  L"UninstallString", L"UninstallPath",
                              L"URLInfoAbout", L"URLUpdateInfo", L"HelpLink"};
    ASSERT_EQ(values.size(), 11u);
    for (std::size_t i = 0; i < values.size(); ++i) {
        EXPECT_EQ(values[i].name, names[i]);
        EXPECT_EQ(values[i].type, static_cast<DWORD>(i == 4 || i == 5 ? REG_DWORD : REG_SZ)) << names[i];
    }
    EXPECT_EQ(values[0].text, L"Velmora Horal Service");
    EXPECT_EQ(values[1].text, L"Velmora - Trevanne");
    EXPECT_EQ(values[2].text, path);
    EXPECT_EQ(values[3].text, L"1.6.124.1400");
    EXPECT_EQ(values[4].number, 1u);
    EXPECT_EQ(values[5].number, 6u);
    EXPECT_EQ(values[6].text, L"\"C:\\Program Files\\Velmora\\HoralSvc.exe\" -u vmhoralsvc");
    EXPECT_EQ(values[7].text, values[6].text);
    for (std::size_t i = 8; i < 11; ++i) {
        EXPECT_EQ(values[i].text, L"https://velmora.example/");
    }

    // Without a version resource.
    const auto unversioned = BuildInstallRecord(L"n", L"s", L"C:\\x.exe", 0);
    EXPECT_EQ(unversioned[3].text, L"0.0.0.0");
    EXPECT_EQ(unversioned[4].number, 0u);
    EXPECT_EQ(unversioned[5].number, 0u);
}

TEST(InstallRecord, ModulePathOfTheRunningTest)
{
    wchar_t path[MAX_PATH] = {};
    const DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    EXPECT_EQ(GetModulePath(nullptr), std::wstring(path, length));
    EXPECT_EQ(GetModulePath(::GetModuleHandleW(L"kernel32.dll")).empty(), false);
}

// A module more than 600 characters deep: its path needs a second, larger
// buffer and comes back whole. (Wine cannot start a process from a path that
// long, so the helper executable is loaded as a module instead.)
TEST(InstallRecord, LongModulePathIsReadWhole)
{
    DeepFolder folder;
    ASSERT_GT(folder.path.size(), 600u);
    const std::wstring program = folder.path + L"\\HoralSvc.exe";
    ASSERT_TRUE(::CopyFileW(kHelper.c_str(), (L"\\\\?\\" + program).c_str(), FALSE)) << ::GetLastError();
    folder.Adopt(program);
    {
        UniqueLibrary module(::LoadLibraryExW((L"\\\\?\\" + program).c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES));
        ASSERT_TRUE(module.IsValid()) << ::GetLastError();
        EXPECT_EQ(GetModulePath(module.Get()), program);
    }

    // The record keeps such a path whole, in the location and the command.
    const auto values = BuildInstallRecord(kDisplayName, kServiceName, program, PackVersion(1, 6, 124, 1400));
    EXPECT_EQ(values[2].text, program);
    EXPECT_EQ(values[6].text, L"\"" + program + L"\" -u vmhoralsvc");
}

TEST(InstallRecord, WrittenForTheRunningExecutableAndRemoved)
{
    const std::wstring record = InstallRecordKeyPath(kServiceName);
    ::SHDeleteKeyW(HKEY_LOCAL_MACHINE, record.c_str());
    ASSERT_EQ(RunAndWait(CommandLine(kHelper, L"record")), 0);
    EXPECT_EQ(ReadText(record, L"InstallLocation"), kHelper);
    EXPECT_EQ(ReadText(record, L"UninstallPath"), L"\"" + kHelper + L"\" -u vmhoralsvc");
    EXPECT_EQ(ReadText(record, L"DisplayVersion"), L"1.6.124.1400");
    RemoveInstallRecord(kServiceName);
    EXPECT_FALSE(KeyExists(record));
    // Removing a record that is not there is harmless.
    RemoveInstallRecord(kServiceName);
    EXPECT_FALSE(KeyExists(record));
}
