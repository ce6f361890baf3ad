// Generated and mutated records, date and money texts, each placed directly
// before a page that may not be read: a parser that reads one character past
// its input crashes the test.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "data/TypedColumns.h"

namespace {

constexpr std::size_t kPage = 4096;
constexpr std::size_t kChars = 64 * kPage / sizeof(wchar_t);

const std::vector<std::wstring> kNames = {L"R", L"B", L"F", L"Mitglnr", L"D", L"x y"};
const std::vector<std::wstring> kFragments = {L"abc",  L"12,50",      L"-7",   L"&amp;", L"&lt;", L"&",
                                              L"&quo", L">",          L"<",    L"</",    L"/",    L">>",
                                              L" ",    L"31.12.2006", L"<C/>", L"&apos", L"<!--", L"2006-12-31"};

std::mt19937 randomBits(20240611);
int foundNodes = 0;

int Pick(std::size_t n)
{
    return static_cast<int>(randomBits() % n);
}

void AddElement(std::wstring& text, int depth)
{
    const std::wstring& name = kNames[Pick(kNames.size())];
    text += L"<" + name + L">";
    for (int parts = Pick(6); parts > 0; --parts) {
        if (depth < 3 && Pick(2) == 0) {
            AddElement(text, depth + 1);
        } else {
            text += kFragments[Pick(kFragments.size())];
        }
    }
    text += L"</" + name + L">";
}

// Cuts the text short, drops, inserts or doubles characters at random places.
std::wstring Mutate(std::wstring text)
{
    const std::wstring_view specials = L"<>/&;0-.";
    for (int edits = Pick(4); edits >= 0 && !text.empty(); --edits) {
        const std::size_t at = Pick(text.size());
        const std::wstring insert =
            Pick(2) ? text.substr(at, Pick(12)) : std::wstring(Pick(2), specials[Pick(specials.size())]);
        text.replace(at, Pick(4) == 0 ? std::wstring::npos : Pick(2), insert);
    }
    return text;
}

// Every field name at indexes 0..2, and one level further down, read in
// every typed way; every node found lies inside the text.
void ReadNode(XmlNode& node, const wchar_t* begin, const wchar_t* end, int depth)
{
    for (std::size_t i = 0; i < 3 * kNames.size(); ++i) {
        XmlNode child = node.FindChild(kNames[i / 3], static_cast<std::uint32_t>(i % 3));
        if (!child.IsValid()) {
            continue;
        }
        ++foundNodes;
        ASSERT_TRUE(child.tagStart >= begin && child.tagStart < child.text && child.length >= 0 &&
                    child.text + child.length <= end);
        child.GetText();
        child.GetMoney();
        child.GetInt();
        if (Pick(16) == 0) {
            child.GetDate();
        }
        if (depth < 1) {
            ReadNode(child, begin, end, depth + 1);
        }
    }
}

void ReadEverything(const wchar_t* text, std::size_t size, bool counted)
{
    XmlNode document;
    document.Open(text, counted ? static_cast<std::int32_t>(size) : -1);
    ReadNode(document, text, text + size, -1);
}

TEST(DataRobustness, ParsersNeverReadPastTheirInput)
{
    const auto release = [](wchar_t* memory) { ::VirtualFree(memory, 0, MEM_RELEASE); };
    std::unique_ptr<wchar_t, decltype(release)> memory(
        static_cast<wchar_t*>(
            ::VirtualAlloc(nullptr, kChars * sizeof(wchar_t) + kPage, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE)),
        release);
    DWORD old = 0;
    ASSERT_TRUE(memory && ::VirtualProtect(memory.get() + kChars, kPage, PAGE_NOACCESS, &old));
    // The characters end exactly where the unreadable page begins.
    auto place = [&memory](std::wstring_view text) {
        return std::copy_backward(text.begin(), text.end(), memory.get() + kChars);
    };
    const ColumnDescriptor column{0, {}, L"F", L"Text"};
    const wchar_t* const forms[] = {L"31.12.2006", L"1/2/2004", L"2006-12-31", L"20061231", L"0", L"00.13.1896"};
    for (int round = 0; round < 30000; ++round) {
        std::wstring record = Pick(4) == 0 ? L"<?xml version=\"1.0\"?>" : L"";
        AddElement(record, 0);
        record = round % 3 ? Mutate(record) : record;
        ASSERT_LT(record.size(), kChars);
        // Once with an explicit length and no NUL, once NUL-terminated.
        ReadEverything(place(record), record.size(), true);
        const wchar_t* terminated = place(std::wstring_view(record.c_str(), record.size() + 1));
        ReadEverything(terminated, record.size(), false);
        std::wstring cell;
        MakeCellText(terminated, &column, nullptr, cell);
        CompareRecords(terminated, terminated, &column);

        const std::wstring date = Mutate(forms[Pick(6)]);
        const DateValue value = TextToDate(std::wstring_view(place(date), date.size()));
        ASSERT_TRUE(value == NoDate || value == InvalidDate || IsValidDate(value)) << value;
        const std::wstring money =
            Mutate(MoneyToText((Pick(2) ? -1 : 1) * (static_cast<std::int64_t>(randomBits()) << Pick(32))));
        TextToMoney(std::wstring_view(place(money), money.size()));
    }
    // The generated records really exercise the lookups.
    EXPECT_GT(foundNodes, 100000);
}

}  // namespace
