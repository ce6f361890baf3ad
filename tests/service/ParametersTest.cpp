#include "platform/Handles.h"
#include "service/TimeService.h"
#include "settings/Parameters.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

const wchar_t kServiceKey[] = L"SYSTEM\\CurrentControlSet\\Services\\vmhoralsvc";
const wchar_t kParametersKey[] = L"SYSTEM\\CurrentControlSet\\Services\\vmhoralsvc\\Parameters";

// Raw values under the Parameters key, removed again after each test.
class Parameters : public ::testing::Test {
protected:
    void SetUp() override
    {
        ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, kServiceKey);
        ASSERT_EQ(::RegCreateKeyW(HKEY_LOCAL_MACHINE, kParametersKey, key.Put()), ERROR_SUCCESS);
    }
    void TearDown() override
    {
        key.Reset();
        ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, kServiceKey);
    }
    void Set(const wchar_t* name, DWORD type, const void* data, DWORD size)
    {
        ASSERT_EQ(::RegSetValueExW(key.Get(), name, 0, type, static_cast<const BYTE*>(data), size), ERROR_SUCCESS);
    }
    struct Settings {
        std::wstring serverNames;
        DWORD interval;
    };
    Settings Loaded()
    {
        TimeService service(L"", L"stale", 7);
        EXPECT_TRUE(service.Initialize());
        return {service.serverNames, service.interval};
    }
    UniqueHkey key;
};

}  // namespace

TEST_F(Parameters, WrittenValuesReadBack)
{
    TimeService writer(L"-s", L"  a.example  b.example ", 0);
    ASSERT_TRUE(WriteServiceParameters(writer.serviceName, {writer.serverNames, writer.interval}));
    DWORD type = 0;
    DWORD size = 0;
    ASSERT_EQ(::RegQueryValueExW(key.Get(), L"ServerNames", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(size, 24u * 2);

    TimeService reader(L"", L"", 5);
    EXPECT_TRUE(reader.Initialize());
    EXPECT_EQ(reader.serverNames, L"  a.example  b.example ");
    EXPECT_EQ(reader.interval, 0u);
}

TEST_F(Parameters, EmptyListIsTwoBytesAndReadsEmpty)
{
    TimeService writer(L"-s", L"", 86400);
    ASSERT_TRUE(WriteServiceParameters(writer.serviceName, {writer.serverNames, writer.interval}));
    DWORD size = 0;
    ::RegQueryValueExW(key.Get(), L"ServerNames", nullptr, nullptr, nullptr, &size);
    EXPECT_EQ(size, 2u);
    EXPECT_EQ(Loaded().serverNames, L"");
    EXPECT_EQ(Loaded().interval, 86400u);
}

TEST_F(Parameters, LongListsReadWhole)
{
    for (std::size_t length : {4095u, 4096u, 20000u}) {
        const std::wstring list(length, L'x');
        Set(L"ServerNames", REG_SZ, list.c_str(), static_cast<DWORD>((length + 1) * 2));
        EXPECT_EQ(Loaded().serverNames, list) << length;
    }
}

TEST_F(Parameters, MalformedValuesFallBack)
{
    // Missing values: empty list, one day.
    const Settings empty = Loaded();
    EXPECT_EQ(empty.serverNames, L"");
    EXPECT_EQ(empty.interval, 86400u);

    // Text without a terminating NUL ends where the data ends.
    const wchar_t unterminated[] = {L'a', L'b', L'c'};
    Set(L"ServerNames", REG_SZ, unterminated, sizeof(unterminated));
    const DWORD number = 42;
    Set(L"TimeInterval", REG_DWORD, &number, sizeof(number));
    const Settings cut = Loaded();
    EXPECT_EQ(cut.serverNames, L"abc");
    EXPECT_EQ(cut.interval, 42u);

    // Values of the wrong type or size.
    Set(L"ServerNames", REG_DWORD, &number, sizeof(number));
    const wchar_t text[] = L"3600";
    Set(L"TimeInterval", REG_SZ, text, sizeof(text));
    const Settings wrong = Loaded();
    EXPECT_EQ(wrong.serverNames, L"");
    EXPECT_EQ(wrong.interval, 86400u);
    const unsigned char twoBytes[] = {1, 2};
    Set(L"TimeInterval", REG_BINARY, twoBytes, sizeof(twoBytes));
    EXPECT_EQ(Loaded().interval, 86400u);
}

TEST_F(Parameters, MissingKeyFailsWithItsRegistryError)
{
    key.Reset();
    ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, kServiceKey);
    TimeService service(L"", L"x", 5);
    ::SetLastError(0);
    EXPECT_FALSE(service.Initialize());
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST_F(Parameters, InstalledNamesAreAdoptedOnlyWhenText)
{
    UniqueHkey service;
    ASSERT_EQ(::RegCreateKeyW(HKEY_LOCAL_MACHINE, kServiceKey, service.Put()), ERROR_SUCCESS);
    const wchar_t display[] = L"Stored Horal";
    ::RegSetValueExW(service.Get(), L"DisplayName", 0, REG_SZ, reinterpret_cast<const BYTE*>(display), sizeof(display));
    const DWORD notText = 5;
    ::RegSetValueExW(service.Get(), L"Description", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&notText),
                     sizeof(notText));
    TimeService adopted(L"", L"", 0);
    EXPECT_EQ(adopted.displayName, L"Stored Horal");
    EXPECT_EQ(adopted.description, L"");  // no string table here, and the stored value is no text

    const std::wstring longDescription(3000, L'd');
    ::RegSetValueExW(service.Get(), L"Description", 0, REG_SZ, reinterpret_cast<const BYTE*>(longDescription.c_str()),
                     static_cast<DWORD>((longDescription.size() + 1) * 2));
    EXPECT_EQ(TimeService(L"", L"", 0).description, longDescription);
}
