// A read-only cursor into XML text held by the caller: elements with opening
// and closing tags nested to any depth, and five character entities. The text
// is never copied; the caller's text must outlive every node made from it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "data/DateValue.h"

class XmlNode {
public:
    // Makes this a document node over `length` characters of `source`; -1 reads
    // up to the NUL. An exact leading `<?xml version="1.0"?>` is skipped.
    void Open(const wchar_t* source, std::int32_t length);

    // The index-th direct child element named `elementName`, or a node that is
    // not valid. Remembers the match so that lookups of the same name with a
    // rising index resume there instead of rescanning.
    XmlNode FindChild(const std::wstring& elementName, std::uint32_t index);

    bool IsValid() const { return !name.empty(); }

    // The content with the entities decoded (child tags included as written).
    std::wstring GetText() const;
    std::int64_t GetInt() const;
    DateValue GetDate() const;
    // Hundredths, see TextToMoney.
    std::int64_t GetMoney() const;

    // FindChild followed by the read; a missing child gives "", 0, NoDate or 0.
    std::wstring ChildText(const std::wstring& elementName, std::uint32_t index);
    std::int64_t ChildInt(const std::wstring& elementName, std::uint32_t index);
    DateValue ChildDate(const std::wstring& elementName, std::uint32_t index);
    std::int64_t ChildMoney(const std::wstring& elementName, std::uint32_t index);

    // Element name; empty for a document node and a node that is not valid.
    std::wstring name;
    // First content character inside the caller's text, or null.
    const wchar_t* text = nullptr;
    // Content characters; -1 means up to the NUL.
    std::int32_t length = 0;
    // The last successful lookup on this node: its name, the '<' of the element
    // it found and the index it was asked for.
    std::wstring cacheName;
    const wchar_t* cachePos = nullptr;
    std::uint32_t cacheIndex = 0;
    // The '<' of this element's opening tag; null for a document node.
    const wchar_t* tagStart = nullptr;
};

// Digits of the text as a signed amount in hundredths: a leading '-' negates,
// every character other than a digit is ignored ("1.234,56" gives 123456).
std::int64_t TextToMoney(std::wstring_view text);
