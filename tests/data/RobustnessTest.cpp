// Generated and mutated records and date texts, each placed directly before a
// page that may not be read: a parser that reads one character past its input
// crashes the test.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "data/TypedColumns.h"

namespace {

class GuardedBuffer {
public:
    GuardedBuffer()
    {
        SYSTEM_INFO info;
        ::GetSystemInfo(&info);
        page = info.dwPageSize;
        base = static_cast<wchar_t*>(::VirtualAlloc(nullptr, kBytes + page, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
        DWORD old = 0;
        char* const guard = reinterpret_cast<char*>(base) + kBytes;
        MEMORY_BASIC_INFORMATION state{};
        guarded = base != nullptr && ::VirtualProtect(guard, page, PAGE_NOACCESS, &old) &&
                  ::VirtualQuery(guard, &state, sizeof state) != 0 && state.Protect == PAGE_NOACCESS;
    }
    ~GuardedBuffer()
    {
        if (base != nullptr) {
            ::VirtualFree(base, 0, MEM_RELEASE);
        }
    }
    GuardedBuffer(const GuardedBuffer&) = delete;
    GuardedBuffer& operator=(const GuardedBuffer&) = delete;

    // The characters end exactly where the unreadable page begins.
    const wchar_t* Place(std::wstring_view text)
    {
        wchar_t* start = base + kChars - text.size();
        std::copy(text.begin(), text.end(), start);
        return start;
    }

    static constexpr std::size_t kBytes = 256 * 1024;
    static constexpr std::size_t kChars = kBytes / sizeof(wchar_t);
    bool guarded = false;

private:
    wchar_t* base = nullptr;
    std::size_t page = 0;
};

const std::vector<std::wstring> kNames = {L"R", L"B", L"F", L"Mitglnr", L"D", L"x y"};
const std::vector<std::wstring> kFragments = {L"abc",  L"12,50",      L"-7",   L"&amp;", L"&lt;", L"&",
                                              L"&quo", L">",          L"<",    L"</",    L"/",    L">>",
                                              L" ",    L"31.12.2006", L"<C/>", L"&apos", L"<!--", L"2006-12-31"};

class Generator {
public:
    explicit Generator(unsigned seed) : random(seed) {}

    std::wstring Record()
    {
        std::wstring text = Pick(4) == 0 ? L"<?xml version=\"1.0\"?>" : L"";
        Element(text, 0);
        return text;
    }

    // Cuts, drops, inserts or doubles characters at random places.
    std::wstring Mutate(std::wstring text)
    {
        const std::wstring_view specials = L"<>/&;0-.";
        for (int edits = Pick(4); edits >= 0 && !text.empty(); --edits) {
            const std::size_t at = Pick(static_cast<int>(text.size()));
            switch (Pick(4)) {
                case 0:
                    text.resize(at);
                    break;
                case 1:
                    text.erase(at, 1);
                    break;
                case 2:
                    text.insert(at, 1, specials[Pick(static_cast<int>(specials.size()))]);
                    break;
                default:
                    text.insert(at, text.substr(at, Pick(12)));
                    break;
            }
        }
        return text;
    }

    std::wstring DateText()
    {
        const std::wstring forms[] = {L"31.12.2006", L"1/2/2004", L"2006-12-31", L"20061231", L"0", L"00.13.1896"};
        std::wstring text = forms[Pick(6)];
        for (wchar_t& c : text) {
            if (c >= L'0' && c <= L'9' && Pick(3) == 0) {
                c = static_cast<wchar_t>(L'0' + Pick(10));
            }
        }
        return Mutate(text);
    }

    int Pick(int n) { return n <= 0 ? 0 : std::uniform_int_distribution<int>(0, n - 1)(random); }
    const std::wstring& Name() { return kNames[Pick(static_cast<int>(kNames.size()))]; }

private:
    void Element(std::wstring& text, int depth)
    {
        const std::wstring name = Name();
        text += L"<" + name + L">";
        for (int parts = Pick(6); parts > 0; --parts) {
            if (depth < 3 && Pick(2) == 0) {
                Element(text, depth + 1);
            } else {
                text += kFragments[Pick(static_cast<int>(kFragments.size()))];
            }
        }
        text += L"</" + name + L">";
    }

    std::mt19937 random;
};

int foundNodes = 0;

// Every node a lookup returns lies inside the scanned text.
void ExpectInside(const XmlNode& node, const wchar_t* begin, const wchar_t* end)
{
    if (!node.IsValid()) {
        return;
    }
    ++foundNodes;
    ASSERT_GE(node.text, begin);
    ASSERT_GE(node.length, 0);
    ASSERT_LE(node.text + node.length, end);
    ASSERT_GE(node.tagStart, begin);
    ASSERT_LT(node.tagStart, node.text);
}

// Every field name at indexes 0..2 under every possible root, and one level
// further down, read in every typed way.
void ReadNode(Generator& generator, XmlNode& node, const wchar_t* text, const wchar_t* end, int depth)
{
    for (const std::wstring& field : kNames) {
        for (std::uint32_t index = 0; index < 3; ++index) {
            XmlNode child = node.FindChild(field, index);
            ExpectInside(child, text, end);
            if (!child.IsValid()) {
                break;
            }
            child.GetText();
            child.GetMoney();
            child.GetInt();
            if (generator.Pick(16) == 0) {
                child.GetDate();
            }
            if (depth < 1) {
                ReadNode(generator, child, text, end, depth + 1);
            }
        }
    }
}

void ReadEverything(Generator& generator, const wchar_t* text, std::int32_t length, const wchar_t* end)
{
    XmlNode document;
    document.Open(text, length);
    ReadNode(generator, document, text, end, -1);
}

TEST(DataRobustness, ParsersNeverReadPastTheirInput)
{
    GuardedBuffer buffer;
    ASSERT_TRUE(buffer.guarded);
    Generator generator(20240611);
    for (int round = 0; round < 30000; ++round) {
        std::wstring record = generator.Record();
        if (round % 3 != 0) {
            record = generator.Mutate(record);
        }
        if (record.size() + 1 > GuardedBuffer::kChars) {
            continue;
        }
        // Once with an explicit length and no NUL, once NUL-terminated.
        const wchar_t* counted = buffer.Place(record);
        const wchar_t* end = counted + record.size();
        ReadEverything(generator, counted, static_cast<std::int32_t>(record.size()), end);
        const wchar_t* terminated = buffer.Place(std::wstring_view(record.c_str(), record.size() + 1));
        ReadEverything(generator, terminated, -1, terminated + record.size());
        std::wstring cell;
        const ColumnDescriptor column{0, {}, {L'F'}, {L'T', L'e', L'x', L't'}};
        MakeCellText(terminated, &column, nullptr, cell);
        CompareRecords(terminated, terminated, &column);

        const std::wstring date = generator.DateText();
        const DateValue value = TextToDate(std::wstring_view(buffer.Place(date), date.size()));
        ASSERT_TRUE(value == NoDate || value == InvalidDate || IsValidDate(value)) << value;
        TextToMoney(std::wstring_view(buffer.Place(date), date.size()));
    }

    // Texts that end right on a '<', inside a tag, or on a partial entity.
    for (const wchar_t* edge : {L"<A>x<", L"<A>x</", L"<A>&am", L"<A><B", L"<?xml version=\"1.0\"", L"<"}) {
        const std::wstring_view text(edge);
        const wchar_t* placed = buffer.Place(text);
        ReadEverything(generator, placed, static_cast<std::int32_t>(text.size()), placed + text.size());
    }
    // The generated records really exercise the lookups.
    EXPECT_GT(foundNodes, 100000);
}

}  // namespace
