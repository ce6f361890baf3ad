// What the service object takes from an installed service, the question text
// it asks before removing one, and the status its cycles leave.
#include "platform/Handles.h"
#include "service/CycleStatus.h"
#include "service/ServiceInstall.h"
#include "service/TimeService.h"
#include "settings/Parameters.h"

#include <gtest/gtest.h>

#include <vector>

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

TEST(Service, CycleStatusTexts)
{
    // Ended 2026-12-07 20:21:31.999 UTC; the next cycle 30 s or a day later.
    constexpr std::int64_t ended = 1796674891999;
    const std::pair<CycleOutcome, std::vector<std::wstring>> cases[] = {
        {{CycleOutcome::ClockNotSet, L"a.example", {3600294, 1314}},
         {L"clock not set: error 1314", L"a.example", L"+3600294 ms", L""}},
        {{CycleOutcome::ClockSet, L"b.example", {-12, 0}},
         {L"clock set", L"b.example", L"-12 ms", L"2026-12-07 20:21:31 UTC"}},
        {{CycleOutcome::NoServerAnswered, L"", {}}, {L"no server answered", L"", L"", L""}},
        {{CycleOutcome::NetworkNotReady, L"", {}}, {L"network not ready", L"", L"", L""}}};
    for (const auto& [outcome, texts] : cases) {
        const DWORD delay = outcome.result == CycleOutcome::ClockSet ? 86400 : 30;
        const StatusReport report = DescribeCycle(outcome, ended, delay);
        EXPECT_EQ(
            std::vector<std::wstring>({report.lastResult, report.lastServer, report.lastCorrection, report.lastSet}),
            texts);
        EXPECT_EQ(report.lastCycle, L"2026-12-07 20:21:31 UTC");
        EXPECT_EQ(report.nextCycle, delay == 30 ? L"2026-12-07 20:22:01 UTC" : L"2026-12-08 20:21:31 UTC");
    }
}
