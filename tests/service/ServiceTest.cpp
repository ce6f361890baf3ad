// What the service object takes from an installed service, and the question
// text it asks before removing one.
#include "platform/Handles.h"
#include "service/ServiceInstall.h"
#include "service/TimeService.h"
#include "settings/Parameters.h"

#include <gtest/gtest.h>

TEST(Service, InstalledNamesAreAdoptedOnlyWhenText)
{
    const std::wstring key = ServiceKeyPath(kServiceName);
    UniqueHkey service;
    ASSERT_EQ(::RegCreateKeyW(HKEY_LOCAL_MACHINE, key.c_str(), service.Put()), ERROR_SUCCESS);
    const wchar_t display[] = L"Stored Horal";
    const std::wstring description(3000, L'd');  // longer than any fixed buffer
    ::RegSetValueExW(service.Get(), L"DisplayName", 0, REG_SZ, reinterpret_cast<const BYTE*>(display), sizeof(display));
    ::RegSetValueExW(service.Get(), L"Description", 0, REG_SZ, reinterpret_cast<const BYTE*>(description.c_str()),
                     static_cast<DWORD>((description.size() + 1) * 2));
    const TimeService adopted(L"", L"", 0);
    EXPECT_EQ(adopted.displayName, L"Stored Horal");
    EXPECT_TRUE(adopted.description == description);

    const DWORD notText = 5;
    ::RegSetValueExW(service.Get(), L"DisplayName", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&notText), 4);
    EXPECT_EQ(TimeService(L"", L"", 0).displayName, kDisplayName);
    service.Reset();
    ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, key.c_str());
}

TEST(Service, UninstallQuestionTakesTheNameLiterally)
{
    // A name that looks like a format stays as it is; only one name is put
    // in; "%%" is a percent sign; a lone trailing "%" stays.
    EXPECT_EQ(BuildUninstallQuestion(L"[%s] [%s] 100%% %d %", L"%s%d"), L"[%s%d] [%s] 100% %d %");
}
