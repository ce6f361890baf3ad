// The message table of the built HoralSvc.exe, which the registered event
// source names, the events the service fills it with, and its failure messages
// (its strings and version are read by the desktop journeys).
#include "platform/Handles.h"
#include "platform/StringResource.h"
#include "service/CycleStatus.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

TEST(Resources, MessagesInEnglishAndGermanEventsFillingThemFailureMessagesAndMissingStrings)
{
    std::wstring path = L"Z:" HORAL_PRODUCT_EXE;
    std::replace(path.begin(), path.end(), L'/', L'\\');
    UniqueLibrary image(::LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    ASSERT_TRUE(image.IsValid());
    // Message `id` in `language` with its inserts filled, as Event Viewer shows it; empty when there is none.
    const auto message = [&](DWORD id, WORD language, const std::vector<std::wstring>& inserts) {
        std::vector<DWORD_PTR> arguments;
        for (const std::wstring& insert : inserts) {
            arguments.push_back(reinterpret_cast<DWORD_PTR>(insert.c_str()));
        }
        wchar_t text[1024] = {};
        return std::wstring(text, ::FormatMessageW(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_ARGUMENT_ARRAY,
                                                   image.Get(), id, MAKELANGID(language, SUBLANG_DEFAULT), text, 1024,
                                                   reinterpret_cast<va_list*>(arguments.data())));
    };
    // Every message in both languages or in neither, translated (but "Debug"), with as many inserts filled and none
    // left; the first nine as they have always read.
    const wchar_t* first[] = {L"The <1> service was installed.",
                              L"The <1> service was removed.",
                              L"The <1> service could not be removed.",
                              L"The control handler could not be installed.",
                              L"The initialization process failed.",
                              L"The service was started.",
                              L"The service received an unsupported request.",
                              L"Debug: <1>",
                              L"The service was stopped."};
    const std::vector<std::wstring> marks = {L"<1>", L"<2>", L"<3>", L"<4>"};
    for (DWORD id = 99; id <= 116; ++id) {
        const std::wstring english = message(id, LANG_ENGLISH, marks), german = message(id, LANG_GERMAN, marks);
        const auto inserts = [](const std::wstring& text) { return std::count(text.begin(), text.end(), L'<'); };
        EXPECT_EQ(english.empty() || german.empty(), id < 100 || id > 115) << id;
        EXPECT_TRUE(inserts(english) == inserts(german) && english.find(L'%') == std::wstring::npos &&
                    (german != english || id == 107 || english.empty()))
            << id;
        EXPECT_TRUE(id < 100 || id > 108 || english == first[id - 100] + std::wstring(L"\r\n")) << id;
    }
    // The events of the cycles and of the settings, with their levels.
    const auto shown = [&](const EventRecord& event) {
        return std::to_wstring(event.type) + L" " + message(event.id, LANG_ENGLISH, event.inserts);
    };
    const std::wstring due = L" The next attempt is due at 2026-12-08 10:00:00 UTC.\r\n";
    const std::pair<CycleOutcome::Result, std::wstring> cycles[] = {
        {CycleOutcome::ClockSet, L"4 The clock was set from the time of a.example; it moved by -1500 ms.\r\n"},
        {CycleOutcome::ClockAlreadyRight,
         L"4 The clock agrees with a.example (-1500 ms off, within the answer's precision) and was left as it "
         L"was.\r\n"},
        {CycleOutcome::ClockNotSet, L"1 a.example answered, but the clock could not be set: " +
                                        SystemErrorText(ERROR_PRIVILEGE_NOT_HELD) + L" (error 1314)\r\n"},
        {CycleOutcome::NoServerAnswered, L"2 No time server answered." + due},
        {CycleOutcome::AnswerRefused,
         L"2 The answer of old.example was not used: it said 2001-01-01 00:00:00 UTC, "
         L"which is before this program was built." +
             due},
        {CycleOutcome::NetworkNotReady, L"2 The network could not be used: Windows Sockets 2.2 did not start." + due}};
    for (const auto& [result, text] : cycles) {
        const CycleOutcome outcome{
            result, L"a.example", {-1500, false, ERROR_PRIVILEGE_NOT_HELD}, L"old.example", 978307200};
        EXPECT_EQ(shown(DescribeCycleEvent(outcome, L"2026-12-08 10:00:00 UTC")), text);
    }
    EXPECT_EQ(shown(DescribeSettingsEvent({L"a b", 60, SettingSource::Policy, SettingSource::Parameters}, L"x")),
              L"4 The service uses the time servers \"a b\" from HKLM\\SOFTWARE\\Policies\\Velmora\\HoralSvc and an "
              L"interval of 60 seconds from HKLM\\SYSTEM\\CurrentControlSet\\Services\\x\\Parameters.\r\n");
    // Access denied, which Wine never gives an administrator: the system's text without its line break, the number.
    const std::wstring denied = SystemErrorText(ERROR_ACCESS_DENIED);
    EXPECT_TRUE(!denied.empty() && denied.back() != L'\n') << denied.size();
    EXPECT_EQ(FormatFailure(LoadStringResource(image.Get(), 116), ERROR_ACCESS_DENIED),
              L"Velmora Horal Service could not be uninstalled: " + denied + L" (error 5)");
    EXPECT_EQ(LoadStringResource(image.Get(), 100) + LoadStringResource(image.Get(), 5000),
              L"");  // no such entry, block
}
