// What the service object takes from an installed service, and the question
// text it asks before removing one.
#include "platform/Handles.h"
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
