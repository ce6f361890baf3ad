#include "data/TypedColumns.h"

#include <shlwapi.h>

#include <algorithm>
#include <climits>

#include "text/TextConvert.h"

namespace {

template <std::size_t N>
std::wstring BoundedString(const wchar_t (&chars)[N])
{
    std::size_t count = 0;
    while (count < N && chars[count] != L'\0') {
        ++count;
    }
    return std::wstring(chars, count);
}

bool IsRecordPointer(const wchar_t* record)
{
    // Values up to 0xFFFF are item data that is no pointer at all.
    return reinterpret_cast<std::uintptr_t>(record) > 0xFFFF;
}

// The record's root element, or an invalid node. `document` must outlive it.
XmlNode FindRoot(XmlNode& document, const wchar_t* record, const std::wstring& rootName)
{
    if (!IsRecordPointer(record)) {
        return XmlNode();
    }
    document.Open(record, -1);
    return document.FindChild(rootName, 0);
}

// a - b without overflow: the result saturates, so its sign is always right.
std::int64_t Difference(std::int64_t a, std::int64_t b)
{
    std::int64_t result = 0;
    if (__builtin_sub_overflow(a, b, &result)) {
        return a < b ? INT64_MIN : INT64_MAX;
    }
    return result;
}

const std::wstring kTieBreakField = L"Mitglnr";

}  // namespace

ColumnType ParseColumnType(std::wstring_view typeName)
{
    constexpr std::wstring_view kFixedPrefix = L"Int(";
    ColumnType type;
    if (typeName == L"Text") {
        type.kind = ColumnKind::Text;
    } else if (typeName == L"Money") {
        type.kind = ColumnKind::Money;
    } else if (typeName == L"Int") {
        type.kind = ColumnKind::Int;
    } else if (typeName.substr(0, kFixedPrefix.size()) == kFixedPrefix) {
        type.kind = ColumnKind::FixedInt;
        // Reading stops at ")" or any other character that is no digit or blank;
        // only the low 32 bits count.
        type.width = static_cast<std::int32_t>(
            static_cast<std::uint32_t>(TextToInt64(typeName.substr(kFixedPrefix.size()), kNoLimit)));
    } else if (typeName == L"Date") {
        type.kind = ColumnKind::Date;
    }
    return type;
}

std::wstring DescriptorFieldName(const ColumnDescriptor& descriptor)
{
    return BoundedString(descriptor.fieldName);
}

std::wstring DescriptorTypeName(const ColumnDescriptor& descriptor)
{
    return BoundedString(descriptor.typeName);
}

bool IsSortableColumn(const ColumnDescriptor* descriptor)
{
    return descriptor != nullptr && descriptor->fieldName[0] != L'\0' && descriptor->typeName[0] != L'\0';
}

std::wstring RecordRootName(const wchar_t* record)
{
    if (record == nullptr || record[0] == L'\0') {
        return std::wstring();
    }
    const wchar_t* end = record + 1;
    while (*end != L'\0' && *end != L'>') {
        ++end;
    }
    return std::wstring(record + 1, end);
}

std::wstring MoneyToText(std::int64_t amount)
{
    // The magnitude as unsigned, so that the most negative amount has one too.
    std::uint64_t magnitude = amount < 0 ? 0 - static_cast<std::uint64_t>(amount) : static_cast<std::uint64_t>(amount);
    std::wstring reversed;
    int placed = 0;
    do {
        // Separators go before the 3rd character from the right (the decimal
        // comma) and then before every further group of three digits.
        if ((placed - 6) % 4 == 0) {
            reversed.push_back(placed == 2 ? L',' : L'.');
            ++placed;
        }
        reversed.push_back(static_cast<wchar_t>(L'0' + magnitude % 10));
        magnitude /= 10;
        ++placed;
    } while (magnitude != 0 || placed < 4);
    if (amount < 0) {
        reversed.push_back(L'-');
    }
    return std::wstring(reversed.rbegin(), reversed.rend());
}

bool MakeCellText(const wchar_t* record, const ColumnDescriptor* descriptor, const CustomCellFormatter& formatCustom,
                  std::wstring& cellText)
{
    cellText.clear();
    if (!IsRecordPointer(record) || record[0] != L'<') {
        return false;
    }
    XmlNode document;
    XmlNode root = FindRoot(document, record, RecordRootName(record));
    if (!root.IsValid() || descriptor == nullptr) {
        return false;
    }
    const std::wstring fieldName = DescriptorFieldName(*descriptor);
    if (fieldName.empty()) {
        return false;
    }
    const std::wstring typeName = DescriptorTypeName(*descriptor);
    const ColumnType type = ParseColumnType(typeName);
    switch (type.kind) {
        case ColumnKind::Text:
            cellText = root.ChildText(fieldName, 0);
            break;
        case ColumnKind::Money:
            cellText = MoneyToText(root.ChildMoney(fieldName, 0));
            break;
        case ColumnKind::Int:
            cellText = Int64ToText(root.ChildInt(fieldName, 0));
            break;
        case ColumnKind::FixedInt:
            // A negative width reads as a huge unsigned one, which is cut to 23.
            cellText = Int64ToFixedDigits(root.ChildInt(fieldName, 0), static_cast<std::uint32_t>(type.width));
            break;
        case ColumnKind::Date:
            cellText = DateToText(root.ChildDate(fieldName, 0), DateStyleDotted);
            break;
        case ColumnKind::Custom:
            if (formatCustom) {
                cellText = formatCustom(descriptor->columnId, root.FindChild(fieldName, 0), typeName);
            }
            break;
    }
    return true;
}

std::int64_t CompareRecords(const wchar_t* record1, const wchar_t* record2, const ColumnDescriptor* descriptor)
{
    if (!IsRecordPointer(record1)) {
        return 0;
    }
    // The second record is looked up under the first one's root name.
    const std::wstring rootName = RecordRootName(record1);
    XmlNode document1;
    XmlNode document2;
    XmlNode root1 = FindRoot(document1, record1, rootName);
    XmlNode root2 = FindRoot(document2, record2, rootName);

    const std::wstring fieldName = descriptor != nullptr ? DescriptorFieldName(*descriptor) : std::wstring();
    const ColumnType type = ParseColumnType(descriptor != nullptr ? DescriptorTypeName(*descriptor) : std::wstring());
    std::int64_t result = 0;
    switch (type.kind) {
        case ColumnKind::Money:
            result = Difference(root1.ChildMoney(fieldName, 0), root2.ChildMoney(fieldName, 0));
            break;
        case ColumnKind::Int:
        case ColumnKind::FixedInt:
            result = Difference(root1.ChildInt(fieldName, 0), root2.ChildInt(fieldName, 0));
            break;
        default:
            // Dates and custom types compare by their stored text too.
            result = ::StrCmpIW(root1.ChildText(fieldName, 0).c_str(), root2.ChildText(fieldName, 0).c_str());
            break;
    }
    if (result == 0 && root1.FindChild(kTieBreakField, 0).IsValid()) {
        result = Difference(root1.ChildInt(kTieBreakField, 0), root2.ChildInt(kTieBreakField, 0));
    }
    return result;
}

void CopyCellTextToBuffer(wchar_t* buffer, int capacity, const std::wstring& text)
{
    if (buffer == nullptr || capacity <= 0) {
        return;
    }
    const std::size_t size = static_cast<std::size_t>(capacity);
    std::fill(buffer, buffer + size, L'\0');
    const std::size_t copied = std::min(text.size(), size - 1);
    std::copy(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(copied), buffer);
    if (text.size() > size - 1 && size >= 4) {
        buffer[size - 4] = L'.';
        buffer[size - 3] = L'.';
        buffer[size - 2] = L'.';
        buffer[size - 1] = L'\0';
    }
}

void CopyCellText(NMLVDISPINFOW& dispInfo, const std::wstring& text)
{
    CopyCellTextToBuffer(dispInfo.item.pszText, dispInfo.item.cchTextMax, text);
}
