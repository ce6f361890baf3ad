// What the service object takes from an installed service, and the question
// text it asks before removing one.
#include "platform/Handles.h"
#include "platform/Registry.h"
#include "service/CycleStatus.h"
#include "service/ServiceInstall.h"
#include "service/TimeService.h"
#include "settings/Parameters.h"

#include <gtest/gtest.h>

#include <tuple>

TEST(Service, InstalledNamesAreAdoptedOnlyWhenTextAndTheEventSourceStays)
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
    EXPECT_EQ(adopted.eventSourceName, kDisplayName);  // the one installation registers
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

TEST(Service, StatusTellsEachCycleAndKeepsTheLastSetting)
{
    const std::wstring name = L"horalteststatus";
    UniqueHkey service;
    ASSERT_EQ(::RegCreateKeyW(HKEY_LOCAL_MACHINE, ServiceKeyPath(name).c_str(), service.Put()), ERROR_SUCCESS);
    // Each value of the Status key after a cycle that came to `outcome` at `endedMs`, the next one `delay` later.
    const auto cycle = [&](CycleOutcome outcome, std::int64_t endedMs, DWORD delay) {
        WriteStatusReport(name, DescribeCycle(outcome, endedMs, delay));
        UniqueHkey status;
        ::RegOpenKeyExW(service.Get(), L"Status", 0, KEY_QUERY_VALUE, status.Put());
        std::wstring values, text;
        for (const wchar_t* value : {L"LastCycle", L"LastResult", L"LastServer", L"LastCorrection", L"LastPrecision",
                                     L"LastSet", L"NextCycle"}) {
            values += (QueryStringValue(status.Get(), value, text = L"-"), text) + L"|";
        }
        return values;
    };
    EXPECT_EQ(cycle({CycleOutcome::ClockSet, L"a.example", {-12, 3, false, 0}, L"", 0}, 1000000000000, 86400),
              L"2001-09-09 01:46:40 UTC|clock set|a.example|-12 ms|\u00B13 ms|2001-09-09 01:46:40 UTC|"
              L"2001-09-10 01:46:40 UTC|");
    EXPECT_EQ(cycle({CycleOutcome::AnswerRefused, L"", {}, L"old.example", 978307200}, 1000000120000, 30),
              L"2001-09-09 01:48:40 UTC|answer refused: old.example said 2001-01-01 00:00:00 UTC||||"
              L"2001-09-09 01:46:40 UTC|2001-09-09 01:49:10 UTC|");
    service.Reset();
    ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, ServiceKeyPath(name).c_str());
}

TEST(Service, CycleEventsTellTheFirstCycleChangesOfKindEverySettingAndADailyReminder)
{
    using R = CycleOutcome;
    constexpr std::uint64_t day = kRepeatFailureMs;
    // The cycles after a start: what each came to, when it ended, and whether it writes its event.
    const std::tuple<R::Result, std::uint64_t, bool> cycles[] = {
        {R::NoServerAnswered, 1000, true},  // the first
        {R::NoServerAnswered, 5000, false},
        {R::NoServerAnswered, 1000 + day - 1, false},
        {R::NoServerAnswered, 1000 + day, true},  // the same failure, a day after it was told
        {R::AnswerRefused, 2000 + day, true},     // another kind
        {R::ClockSet, 3000 + day, true},
        {R::ClockSet, 4000 + day, true},  // every setting
        {R::ClockAlreadyRight, 5000 + day, true},
        {R::ClockAlreadyRight, 5000 + 3 * day, false},  // no failure to remind of
        {R::ClockNotSet, 6000 + 3 * day, true},
        {R::ClockNotSet, 6000 + 4 * day, true}};
    CycleEvents told;
    for (const auto& [outcome, at, written] : cycles) {
        const CycleEventChoice choice = ChooseCycleEvent(told, outcome, at);
        EXPECT_EQ(choice.report, written) << outcome << " at " << at;
        told = choice.after;
    }
}
