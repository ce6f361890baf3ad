// The message table of the built HoralSvc.exe, which the registered event
// source names, and its failure messages (its strings and version are read by
// the desktop journeys).
#include "platform/Handles.h"
#include "platform/StringResource.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

TEST(Resources, MessageTableFailureMessagesAndMissingStrings)
{
    std::wstring path = L"Z:" HORAL_PRODUCT_EXE;
    std::replace(path.begin(), path.end(), L'/', L'\\');
    UniqueLibrary module(::LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    ASSERT_TRUE(module.IsValid());
    // Access denied, which Wine never gives an administrator: the system's text without its line break, the number.
    const std::wstring denied = SystemErrorText(ERROR_ACCESS_DENIED);
    EXPECT_TRUE(!denied.empty() && denied.back() != L'\n') << denied.size();
    EXPECT_EQ(FormatFailure(LoadStringResource(module.Get(), 116), ERROR_ACCESS_DENIED),
              L"Velmora Horal Service could not be uninstalled: " + denied + L" (error 5)");
    EXPECT_EQ(LoadStringResource(module.Get(), 100) + LoadStringResource(module.Get(), 5000),
              L"");  // no such entry, block
    const wchar_t* messages[] = {L"The Horal service was installed.",
                                 L"The Horal service was removed.",
                                 L"The Horal service could not be removed.",
                                 L"The control handler could not be installed.",
                                 L"The initialization process failed.",
                                 L"The service was started.",
                                 L"The service received an unsupported request.",
                                 L"Debug: Horal",
                                 L"The service was stopped."};
    for (DWORD id = 99; id <= 109; ++id) {
        wchar_t text[512] = {};
        DWORD_PTR arguments[] = {reinterpret_cast<DWORD_PTR>(L"Horal")};
        const DWORD length = ::FormatMessageW(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_ARGUMENT_ARRAY, module.Get(),
                                              id, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), text, 512,
                                              reinterpret_cast<va_list*>(arguments));
        EXPECT_EQ(std::wstring(text, length), id < 100 || id > 108 ? L"" : messages[id - 100] + std::wstring(L"\r\n"));
    }
}
