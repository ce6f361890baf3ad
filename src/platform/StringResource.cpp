#include "platform/StringResource.h"

#include "text/TextConvert.h"

#include <cstring>

std::wstring StringTableEntry(const void* block, std::size_t size, UINT index)
{
    if (block == nullptr || index > 15) {
        return std::wstring();
    }
    // Read unit by unit with memcpy: a resource block carries no promise of
    // alignment, and a damaged one may end in the middle of an entry.
    const auto* bytes = static_cast<const unsigned char*>(block);
    const std::size_t units = size / sizeof(WORD);
    std::size_t position = 0;
    for (UINT entry = 0;; ++entry) {
        if (position >= units) {
            return std::wstring();
        }
        WORD count = 0;
        std::memcpy(&count, bytes + position * sizeof(WORD), sizeof(WORD));
        ++position;
        if (count > units - position) {
            return std::wstring();
        }
        if (entry == index) {
            std::wstring text(count, L'\0');
            if (count != 0) {
                std::memcpy(&text[0], bytes + position * sizeof(WORD), count * sizeof(WORD));
            }
            return text;
        }
        position += count;
    }
}

std::wstring LoadStringResource(HINSTANCE module, UINT id)
{
    // Sixteen entries per block, blocks numbered from 1.
    HRSRC found = ::FindResourceW(module, MAKEINTRESOURCEW(id / 16 + 1), RT_STRING);
    if (found == nullptr) {
        return std::wstring();
    }
    HGLOBAL loaded = ::LoadResource(module, found);
    const void* block = loaded != nullptr ? ::LockResource(loaded) : nullptr;
    return StringTableEntry(block, ::SizeofResource(module, found), id % 16);
}

std::wstring SystemErrorText(DWORD error)
{
    wchar_t text[512] = L"";
    DWORD length = ::FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0, text,
                                    512, nullptr);
    while (length > 0 && (text[length - 1] == L'\r' || text[length - 1] == L'\n' || text[length - 1] == L' ')) {
        --length;
    }
    return std::wstring(text, length);
}

std::wstring FormatFailure(const std::wstring& format, DWORD error)
{
    return FillInserts(format, {SystemErrorText(error), Int64ToText(error)});
}
