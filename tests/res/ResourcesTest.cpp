// The resources of the built HoralSvc.exe, read back from the file in the
// language of the locale the test runs under (English, or German when
// HORAL_EXPECT_LANG is "de").
#include "platform/Handles.h"
#include "platform/ModulePath.h"
#include "platform/StringResource.h"
#include "settings/InstallRecord.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

std::wstring ProductPath()
{
    std::wstring path = L"Z:" HORAL_PRODUCT_EXE;
    for (wchar_t& c : path) {
        c = c == L'/' ? L'\\' : c;
    }
    return path;
}

const bool kGerman = std::getenv("HORAL_EXPECT_LANG") != nullptr;

}  // namespace

TEST(Resources, StringsMessagesAndVersion)
{
    UniqueLibrary module(::LoadLibraryExW(ProductPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    ASSERT_TRUE(module.IsValid());
    EXPECT_EQ(LoadStringResource(module.Get(), 110), kGerman ? L"Wollen Sie den Dienst \"%s\" wirklich deinstallieren?"
                                                             : L"Do you really want to uninstall the service \"%s\"?");
    EXPECT_EQ(LoadStringResource(module.Get(), 111), kGerman ? L"L\u00e4dt Datum und Zeit von einem Unix Time Server."
                                                             : L"Gets date and time from a unix time server.");
    EXPECT_EQ(LoadStringResource(module.Get(), 100), L"");   // no such entry in the block
    EXPECT_EQ(LoadStringResource(module.Get(), 5000), L"");  // no such block

    const wchar_t* messages[] = {
        L"The Horal service was installed.",
        L"The Horal service was removed.",
        L"The Horal service could not be removed.",
        L"The control handler could not be installed.",
        L"The initialization process failed.",
        L"The service was started.",
        L"The service received an unsupported request.",
        L"Debug: Horal",
        L"The service was stopped.",
    };
    for (DWORD id = 99; id <= 109; ++id) {
        wchar_t text[512] = {};
        DWORD_PTR arguments[] = {reinterpret_cast<DWORD_PTR>(L"Horal")};
        const DWORD length = ::FormatMessageW(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_ARGUMENT_ARRAY, module.Get(),
                                              id, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), text, 512,
                                              reinterpret_cast<va_list*>(arguments));
        EXPECT_EQ(std::wstring(text, length), id < 100 || id > 108 ? L"" : messages[id - 100] + std::wstring(L"\r\n"));
    }

    EXPECT_EQ(FormatVersion(GetFileVersion(ProductPath())), L"1.6.124.1400");
    EXPECT_EQ(GetFileVersion(GetModulePath(nullptr)), 0u);  // this test program has no version block
    EXPECT_EQ(GetFileVersion(L"C:\\no\\such\\file.exe"), 0u);
}
