// The service's parameters in the real registry: what is written, and what
// any stored value reads as; and the version of a file that has none.
#include "platform/Handles.h"
#include "platform/ModulePath.h"
#include "platform/Registry.h"
#include "settings/InstallRecord.h"
#include "settings/Parameters.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

namespace {

const std::wstring kService = L"horaltestparams";
const std::wstring kKey = ServiceKeyPath(kService) + L"\\Parameters";

struct Stored {
    DWORD type;  // REG_NONE: the value is missing
    std::vector<BYTE> data;
};

// The text's characters, followed by its NUL unless `terminated` is false.
Stored Text(const std::wstring& text, bool terminated = true, DWORD type = REG_SZ)
{
    const auto* bytes = reinterpret_cast<const BYTE*>(text.c_str());
    return {type, std::vector<BYTE>(bytes, bytes + (text.size() + terminated) * sizeof(wchar_t))};
}

Stored Number(DWORD value, DWORD type = REG_DWORD, std::size_t size = 4)
{
    const auto* bytes = reinterpret_cast<const BYTE*>(&value);
    return {type, std::vector<BYTE>(bytes, bytes + size)};
}

}  // namespace

TEST(Parameters, WrittenAsTypedAndAnyStoredValueReadSafely)
{
    ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, ServiceKeyPath(kService).c_str());
    ServiceParameters read;
    ::SetLastError(0);
    EXPECT_FALSE(ReadServiceParameters(kService, read));  // no key: its registry error
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    for (const std::wstring& servers : {std::wstring(L"  a.example  b.example "), std::wstring()}) {
        ASSERT_TRUE(WriteServiceParameters(kService, {servers, 0}));
        DWORD type = 0, size = 0;
        ::RegGetValueW(HKEY_LOCAL_MACHINE, kKey.c_str(), L"ServerNames", RRF_RT_ANY, &type, nullptr, &size);
        EXPECT_EQ(std::make_pair(type, size), std::make_pair(DWORD{REG_SZ}, DWORD((servers.size() + 1) * 2)));
        ASSERT_TRUE(ReadServiceParameters(kService, read));
        EXPECT_EQ(std::make_pair(read.serverNames, read.interval), std::make_pair(servers, DWORD{0}));
    }
    const std::wstring fits(4095, L'x'), longer(20000, L'z');
    // What is stored as ServerNames and TimeInterval, and what is read.
    const std::tuple<Stored, Stored, std::wstring, DWORD> cases[] = {
        {Text(fits), Number(3600), fits, 3600},  // lists of any length are read whole
        {Text(longer), Number(1), longer, 1},
        {Text(L"abc", false), Number(42), L"abc", 42},                        // no terminating NUL
        {Text(std::wstring(L"a\0b", 3)), Number(5), L"a", 5},                 // ends at the first NUL
        {Text(L"%TEMP% b", true, REG_EXPAND_SZ), Number(6), L"%TEMP% b", 6},  // as written by some tools: not expanded
        {{REG_NONE, {}}, {REG_NONE, {}}, L"", kDefaultInterval},              // missing
        {Number(5), Text(L"3600"), L"", kDefaultInterval},                    // wrong types
        {Text(L"x"), Number(0x0201, REG_BINARY, 2), L"x", kDefaultInterval},
        {Text(L"x"), Number(9, REG_DWORD, 2), L"x", kDefaultInterval}};  // a REG_DWORD of 2 bytes
    UniqueHkey key;
    ASSERT_EQ(::RegCreateKeyW(HKEY_LOCAL_MACHINE, kKey.c_str(), key.Put()), ERROR_SUCCESS);
    for (const auto& [servers, interval, readServers, readInterval] : cases) {
        for (const auto& [name, value] : {std::make_pair(L"ServerNames", servers), {L"TimeInterval", interval}}) {
            ::RegDeleteValueW(key.Get(), name);
            if (value.type != REG_NONE) {
                ::RegSetValueExW(key.Get(), name, 0, value.type, value.data.data(), DWORD(value.data.size()));
            }
        }
        read = ServiceParameters{L"stale", 7};
        EXPECT_TRUE(ReadServiceParameters(kService, read));
        EXPECT_TRUE(read.serverNames == readServers) << read.serverNames.size() << " " << readServers.size();
        EXPECT_EQ(read.interval, readInterval) << readServers.size();
    }
    // While the service runs, what cannot be read keeps what it has: a deleted value, then the whole key.
    ::RegDeleteValueW(key.Get(), L"ServerNames");
    read = ServiceParameters{L"kept", 7};
    EXPECT_TRUE(RereadServiceParameters(kService, read));
    key.Reset();
    ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, ServiceKeyPath(kService).c_str());
    EXPECT_FALSE(RereadServiceParameters(kService, read));
    EXPECT_EQ(std::make_pair(read.serverNames, read.interval), std::make_pair(std::wstring(L"kept"), DWORD{7}));
    // Under Wine unterminated text comes back with a NUL added; Windows hands back the stored bytes.
    EXPECT_EQ(TextFromRegistryData(Text(L"abc", false).data), L"abc");
}

TEST(Parameters, TheDialogAndThePackageTakeWholeSecondsFrom4AndAtLeastOneServer)
{
    // 0: refused.
    const std::pair<const wchar_t*, std::uint32_t> cases[] = {
        {L"3600", 3600}, {L"  3600 ", 3600}, {L"3 600", 3600}, {L"4", 4},   {L"4294967295", 4294967295u},
        {L"90 s", 0},    {L"1e3", 0},        {L"-1", 0},       {L"abc", 0}, {L"", 0},
        {L"  ", 0},      {L"4294967296", 0}, {L"3", 0},        {L"+5", 0},  {L"99999999999999999999", 0}};
    for (const auto& [text, interval] : cases) {
        std::uint32_t seconds = 0;
        EXPECT_EQ(IntervalFromText(text, seconds) ? seconds : 0, interval) << static_cast<const void*>(text);
    }
    EXPECT_TRUE(NamesAServer(L"  a  ") && !NamesAServer(L"   ") && !NamesAServer(L""));
}

TEST(Parameters, PolicyValuesAreReadAndWatchedInThe64BitView)
{
    // A tree of the test's own: Wine shares the policy tree between the registry's views, this one it does not, so a
    // 32-bit reader finds it only in the 64-bit view, where the policy client of 64-bit Windows writes. (What wins
    // over what is the policy journey's.)
    const wchar_t root[] = L"SOFTWARE\\HoralTestPolicies";
    UniqueHkey top, policy;
    ASSERT_EQ(::RegCreateKeyExW(HKEY_LOCAL_MACHINE, root, 0, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY, nullptr,
                                top.Put(), nullptr),
              ERROR_SUCCESS);
    SettingsWatch watch(kService, root);
    ASSERT_TRUE(watch.Arm());
    ASSERT_EQ(::RegCreateKeyW(top.Get(), L"Velmora\\HoralSvc", policy.Put()), ERROR_SUCCESS);
    WriteStringValue(policy.Get(), L"ServerNames", L"p.example");
    EXPECT_EQ(::WaitForSingleObject(watch.Events()[2], 5000), WAIT_OBJECT_0);  // applied
    EXPECT_EQ(ReadPolicyValues((root + std::wstring(L"\\Velmora\\HoralSvc")).c_str()).serverNames, L"p.example");
    watch.Arm();
    policy.Reset();
    ::RegDeleteTreeW(top.Get(), L"Velmora");
    EXPECT_EQ(::WaitForSingleObject(watch.Events()[2], 5000), WAIT_OBJECT_0);  // withdrawn
    top.Reset();
    ::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, root, KEY_WOW64_64KEY, 0);
}

TEST(InstallRecord, FileWithoutAVersionReadsAsZero)
{
    EXPECT_EQ(FormatVersion(GetFileVersion(GetModulePath(nullptr))), L"0.0.0.0");
    EXPECT_EQ(GetFileVersion(L"C:\\no\\such\\file.exe"), 0u);
}
