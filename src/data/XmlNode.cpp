#include "data/XmlNode.h"

#include <algorithm>
#include <climits>

#include "text/TextConvert.h"

namespace {

constexpr std::wstring_view kDeclaration = L"<?xml version=\"1.0\"?>";

struct Entity {
    std::wstring_view text;
    wchar_t character;
};

// Tried in this order at every '&'.
constexpr Entity kEntities[] = {
    {L"&amp;", L'&'}, {L"&gt;", L'>'}, {L"&lt;", L'<'}, {L"&quot;", L'"'}, {L"&apos;", L'\''},
};

bool IsClosingTagOf(const std::wstring& tag, const std::wstring& elementName)
{
    return tag.size() == elementName.size() + 1 && tag[0] == L'/' &&
           tag.compare(1, std::wstring::npos, elementName) == 0;
}

// The text up to its first NUL, as a C string would end.
std::wstring_view UpToNul(std::wstring_view text)
{
    const std::size_t nul = text.find(L'\0');
    return nul == std::wstring_view::npos ? text : text.substr(0, nul);
}

}  // namespace

void XmlNode::Open(const wchar_t* source, std::int32_t sourceLength)
{
    name.clear();
    cacheName.clear();
    cachePos = nullptr;
    cacheIndex = 0;
    tagStart = nullptr;
    text = source;
    // -1 is the only length with a meaning below zero; any other negative
    // length would otherwise never count down to the end of the span.
    length = (source == nullptr || sourceLength < -1) ? 0 : sourceLength;
    if (text == nullptr || (length != -1 && length < static_cast<std::int32_t>(kDeclaration.size()))) {
        return;
    }
    // Compared one character at a time so that a shorter NUL-terminated text
    // stops at its NUL (which differs from every declaration character).
    for (std::size_t i = 0; i < kDeclaration.size(); ++i) {
        if (text[i] != kDeclaration[i]) {
            return;
        }
    }
    text += kDeclaration.size();
    if (length != -1) {
        length -= static_cast<std::int32_t>(kDeclaration.size());
    }
}

XmlNode XmlNode::FindChild(const std::wstring& elementName, std::uint32_t index)
{
    XmlNode result;
    if (elementName.empty() || text == nullptr) {
        return result;
    }

    const wchar_t* p = text;
    std::int64_t left = length;  // -1: up to the NUL
    std::uint32_t matches = 0;
    if (cachePos != nullptr && cacheName == elementName && index >= cacheIndex) {
        // Resume at the element the previous lookup found; counting it again
        // brings the match count back to where that lookup stood.
        p = cachePos;
        matches = cacheIndex;
        if (left != -1) {
            left -= cachePos - text;
        }
    }

    int depth = 0;
    std::wstring tag;
    bool inTag = false;
    bool closing = false;
    bool found = false;
    std::int64_t resultLength = 0;
    const wchar_t* tagOpen = nullptr;
    while (left != 0 && *p != L'\0') {
        const wchar_t c = *p;
        if (c == L'<') {
            // The look-ahead stays inside the span: a '<' as its last character
            // has no next character.
            const bool hasNext = left == -1 || left >= 2;
            if (hasNext && p[1] == L'/') {
                --depth;
                closing = true;
            } else {
                ++depth;
            }
            inTag = true;
            tagOpen = p;
        } else if (c == L'>') {
            if (depth == 1 && tag == elementName) {
                if (!closing && ++matches == index + 1) {
                    result.name = tag;
                    result.text = p + 1;
                    result.tagStart = tagOpen;
                    found = true;
                }
            } else if (found) {
                if (closing && depth == 0 && IsClosingTagOf(tag, elementName)) {
                    break;
                }
                resultLength += static_cast<std::int64_t>(tag.size()) + 2;
            }
            tag.clear();
            inTag = false;
            closing = false;
        } else if (inTag) {
            tag.push_back(c);
        } else if (found) {
            ++resultLength;
        }
        if (left != -1) {
            --left;
        }
        ++p;
    }

    if (found) {
        // A raw '>' counts as a whole empty tag (two characters for one), so
        // the count can run past what was scanned; keep it inside the text.
        const std::int64_t available = p - result.text;
        result.length = static_cast<std::int32_t>(std::min<std::int64_t>({resultLength, available, INT32_MAX}));
        cacheName = elementName;
        cachePos = result.tagStart;
        cacheIndex = index;
    }
    return result;
}

std::wstring XmlNode::GetText() const
{
    std::wstring decoded;
    if (text == nullptr || length <= 0) {
        return decoded;
    }
    const std::wstring_view content(text, static_cast<std::size_t>(length));
    decoded.reserve(content.size());
    for (std::size_t i = 0; i < content.size(); ++i) {
        if (content[i] != L'&') {
            decoded.push_back(content[i]);
            continue;
        }
        const std::wstring_view rest = content.substr(i);
        for (const Entity& entity : kEntities) {
            if (rest.size() >= entity.text.size() && rest.compare(0, entity.text.size(), entity.text) == 0) {
                decoded.push_back(entity.character);
                i += entity.text.size() - 1;
                break;
            }
        }
        // An '&' that starts no known entity is dropped.
    }
    return decoded;
}

std::int64_t XmlNode::GetInt() const
{
    return TextToInt64(GetText());
}

DateValue XmlNode::GetDate() const
{
    return TextToDate(GetText());
}

std::int64_t XmlNode::GetMoney() const
{
    return TextToMoney(GetText());
}

std::wstring XmlNode::ChildText(const std::wstring& elementName, std::uint32_t index)
{
    return FindChild(elementName, index).GetText();
}

std::int64_t XmlNode::ChildInt(const std::wstring& elementName, std::uint32_t index)
{
    return FindChild(elementName, index).GetInt();
}

DateValue XmlNode::ChildDate(const std::wstring& elementName, std::uint32_t index)
{
    return FindChild(elementName, index).GetDate();
}

std::int64_t XmlNode::ChildMoney(const std::wstring& elementName, std::uint32_t index)
{
    return FindChild(elementName, index).GetMoney();
}

std::int64_t TextToMoney(std::wstring_view text)
{
    text = UpToNul(text);
    if (text.empty() || text == L"0") {
        return 0;
    }
    // Unsigned arithmetic wraps on overflow instead of being undefined.
    std::uint64_t value = 0;
    for (const wchar_t c : text) {
        if (c >= L'0' && c <= L'9') {
            value = value * 10 + static_cast<std::uint64_t>(c - L'0');
        }
    }
    if (text[0] == L'-') {
        value = 0 - value;
    }
    return static_cast<std::int64_t>(value);
}
