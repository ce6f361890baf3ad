// Generated and mutated records, date and money texts, each placed directly
// before a page that may not be read: a parser that reads one character past
// its input crashes the test.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <random>
#include <string>

#include "data/TypedColumns.h"

namespace {

const wchar_t* const kNames[] = {L"R", L"B", L"F", L"Mitglnr"};
const wchar_t* const kPieces[] = {L"<R>", L"</R>", L"<B>", L"</B>", L"<F>", L"</F>", L"<Mitglnr>", L"&amp;", L"&lt;",
                                  L"&",   L"&quo", L">",   L"<",    L"</",  L"<C/>", L"-7",        L"12,50", L"\n"};
std::mt19937 randomBits(20240611);
int foundNodes = 0;

// A few edits at random places: each cuts the rest or up to two characters
// and puts a piece or a stretch of the text there.
std::wstring Mutate(std::wstring text)
{
    for (unsigned edits = randomBits() % 6; edits > 0; --edits) {
        const std::size_t at = text.empty() ? 0 : randomBits() % text.size();
        const std::wstring insert = randomBits() % 2 ? text.substr(at, randomBits() % 12) : kPieces[randomBits() % 18];
        text.replace(at, randomBits() % 8 ? randomBits() % 3 : std::wstring::npos, insert);
    }
    return text;
}

// Looks up every name at indexes 0 to 2, three levels down, and reads each
// node found.
void ReadAll(XmlNode& node, int depth)
{
    for (std::size_t i = 0; i < 3 * std::size(kNames) && depth < 3; ++i) {
        XmlNode child = node.FindChild(kNames[i / 3], static_cast<std::uint32_t>(i % 3));
        foundNodes += child.IsValid();
        child.GetText();
        child.GetMoney();
        ReadAll(child, depth + 1);
    }
}

TEST(DataRobustness, ParsersNeverReadPastTheirInput)
{
    constexpr std::size_t kChars = 8192;  // four pages, then the unreadable one
    // Left to the end of the process.
    auto* memory = static_cast<wchar_t*>(::VirtualAlloc(nullptr, kChars * 2 + 4096, MEM_COMMIT, PAGE_READWRITE));
    DWORD old = 0;
    ASSERT_TRUE(memory && ::VirtualProtect(memory + kChars, 4096, PAGE_NOACCESS, &old));
    const auto place = [end = memory + kChars](std::wstring_view t) {
        return std::copy_backward(t.begin(), t.end(), end);
    };
    const ColumnDescriptor column{0, {}, L"F", L"Text"};
    std::wstring record;
    for (int round = 0; round < 20000; ++round) {
        record = Mutate(round % 4 ? record.substr(0, kChars / 2) : L"<R><B><F>12,50</F></B><Mitglnr>7</Mitglnr></R>");
        // With an explicit length and no NUL, then NUL-terminated.
        for (std::int32_t length : {static_cast<std::int32_t>(record.size()), -1}) {
            XmlNode document;
            const wchar_t* text = place(std::wstring_view(record.c_str(), record.size() + (length < 0)));
            document.Open(text, length);
            ReadAll(document, 0);
        }
        CompareRecords(memory + kChars - record.size() - 1, memory + kChars - record.size() - 1, &column);
        const std::wstring date = Mutate(randomBits() % 2 ? L"31.12.2006" : L"2006-12-31");
        TextToDate(std::wstring_view(place(date), date.size()));
        const std::wstring money = Mutate(MoneyToText(static_cast<std::int64_t>(randomBits()) << randomBits() % 40));
        TextToMoney(std::wstring_view(place(money), money.size()));
    }
    EXPECT_GT(foundNodes, 50000);  // the records keep yielding nodes, so the lookups really run
}

}  // namespace
