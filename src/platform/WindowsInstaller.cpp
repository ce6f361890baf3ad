#include "platform/WindowsInstaller.h"

#include "platform/DllSearch.h"
#include "platform/ProcAddress.h"

namespace {

using EnumRelatedProductsFunction = UINT(WINAPI*)(LPCWSTR, DWORD, DWORD, LPWSTR);

}  // namespace

std::wstring InstalledProduct(const wchar_t* upgradeCode)
{
    const UniqueLibrary msi = LoadSystemLibrary(L"msi.dll");
    const auto enumerate = ProcAddress<EnumRelatedProductsFunction>(msi.Get(), "MsiEnumRelatedProductsW");
    wchar_t product[39] = L"";  // a GUID in braces and its NUL
    if (enumerate == nullptr || enumerate(upgradeCode, 0, 0, product) != ERROR_SUCCESS) {
        return std::wstring();
    }
    return product;
}
