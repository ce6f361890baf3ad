// The message table of the built HoralSvc.exe, which the registered event
// source names, the events the service fills it with, its strings in both
// languages and its failure messages (its version, the dialog's texts and the
// English messages are read by the desktop journeys).
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
    // The event of a clock set, which no journey brings about under Wine, as Event Viewer shows it.
    const CycleOutcome set{CycleOutcome::ClockSet, L"a.example", {-1500, 6, false, 0}, L"", 0};
    const EventRecord event = DescribeCycleEvent(set, L"");
    EXPECT_EQ(std::to_wstring(event.type) + L" " + message(event.id, LANG_ENGLISH, event.inserts),
              L"4 The clock was set from the time of a.example; it moved by -1500 ms (precision \u00B16 ms).\r\n");
    // The string table and the configuration dialog in German too, every string translated.
    const auto entry = [&](UINT id, WORD language) {
        HRSRC found = ::FindResourceExW(image.Get(), RT_STRING, MAKEINTRESOURCEW(id / 16 + 1),
                                        MAKELANGID(language, SUBLANG_DEFAULT));
        return StringTableEntry(::LockResource(::LoadResource(image.Get(), found)),
                                ::SizeofResource(image.Get(), found), id % 16);
    };
    for (UINT id = 110; id <= 117; ++id) {
        EXPECT_TRUE(!entry(id, LANG_GERMAN).empty() && entry(id, LANG_GERMAN) != entry(id, LANG_ENGLISH)) << id;
    }
    EXPECT_NE(::FindResourceExW(image.Get(), RT_DIALOG, MAKEINTRESOURCEW(111), MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN)),
              nullptr);
    // Access denied, which Wine never gives an administrator: the system's text without its line break, the number.
    const std::wstring denied = SystemErrorText(ERROR_ACCESS_DENIED);
    EXPECT_TRUE(!denied.empty() && denied.back() != L'\n') << denied.size();
    EXPECT_EQ(FormatFailure(LoadStringResource(image.Get(), 116), ERROR_ACCESS_DENIED),
              L"Velmora Horal Service could not be uninstalled: " + denied + L" (error 5)");
    EXPECT_EQ(LoadStringResource(image.Get(), 100) + LoadStringResource(image.Get(), 5000),
              L"");  // no such entry, block
}
