#include "app/CommandLine.h"

#include <windows.h>
#include <shellapi.h>

namespace {

wchar_t AsciiLower(wchar_t c)
{
    return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c;
}

bool EqualsAsciiNoCase(const wchar_t* text, const wchar_t* lowerExpected)
{
    for (; *text != L'\0' && *lowerExpected != L'\0'; ++text, ++lowerExpected) {
        if (AsciiLower(*text) != *lowerExpected) {
            return false;
        }
    }
    return *text == L'\0' && *lowerExpected == L'\0';
}

}  // namespace

bool SplitCommandLine(std::uint32_t& count, wchar_t**& first)
{
    int total = 0;
    wchar_t** vector = ::CommandLineToArgvW(::GetCommandLineW(), &total);
    if (vector == nullptr || total < 1) {
        count = 0;
        first = nullptr;
        return false;
    }
    count = static_cast<std::uint32_t>(total - 1);
    first = vector + 1;
    return true;
}

Role ChooseRole(std::uint32_t count, const wchar_t* const* first)
{
    if (count >= 1 && first != nullptr && first[0] != nullptr) {
        if (EqualsAsciiNoCase(first[0], L"-s")) {
            return Role::Service;
        }
        if (EqualsAsciiNoCase(first[0], L"-u")) {
            return Role::Uninstall;
        }
    }
    return Role::Configuration;
}
