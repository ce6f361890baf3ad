// Typed columns: money text, cell text by column type, copying into a list's
// buffer and the default record comparison.
#include <gtest/gtest.h>

#include <cwchar>
#include <string>

#include "data/TypedColumns.h"

namespace {

std::wstring FormatCustom(std::int32_t id, const XmlNode& field, const std::wstring& type)
{
    return std::to_wstring(id) + L"/" + field.GetText() + L"/" + type;
}

// The cell's text, or "<none>" when there is nothing to show.
std::wstring Cell(const wchar_t* record, const ColumnDescriptor& column)
{
    std::wstring text = L"untouched";
    return MakeCellText(record, &column, FormatCustom, text) ? text : L"<none>";
}

// The sign of the comparison of two records by one column.
int Order(const wchar_t* first, const wchar_t* second, const ColumnDescriptor& column)
{
    const std::int64_t result = CompareRecords(first, second, &column);
    return (result > 0) - (result < 0);
}

TEST(DataColumns, MoneyText)
{
    const auto expectBothWays = [](std::int64_t amount, const wchar_t* text) {
        EXPECT_EQ(MoneyToText(amount), text);
        EXPECT_EQ(TextToMoney(text), amount) << text;
    };
    expectBothWays(0, L"0,00");
    expectBothWays(5, L"0,05");
    expectBothWays(100000, L"1.000,00");
    expectBothWays(-123456789, L"-1.234.567,89");
    expectBothWays(INT64_MIN, L"-92.233.720.368.547.758,08");
    expectBothWays(INT64_MAX, L"92.233.720.368.547.758,07");
    // Only the digits and a leading '-' count.
    EXPECT_EQ(TextToMoney(L"12.50 EUR"), 1250);
    EXPECT_EQ(TextToMoney(L"x-5"), 5);
}

TEST(DataColumns, CellTextByColumnType)
{
    const wchar_t* record =
        L"<M><Name>Meyer &amp; Co</Name><Betrag>-1.234,5</Betrag><Nr>42</Nr>"
        L"<Gross>1234567</Gross><Datum>2006-12-31</Datum><Art>X</Art></M>";
    EXPECT_EQ(Cell(record, {0, {}, L"Name", L"Text"}), L"Meyer & Co");
    EXPECT_EQ(Cell(record, {0, {}, L"Betrag", L"Money"}), L"-123,45");
    EXPECT_EQ(Cell(record, {0, {}, L"Nr", L"Int"}), L"42");
    EXPECT_EQ(Cell(record, {0, {}, L"Nr", L"Int(5)"}), L"00042");
    EXPECT_EQ(Cell(record, {0, {}, L"Gross", L"Int(5)"}), L"34567");
    EXPECT_EQ(Cell(record, {0, {}, L"Nr", L"Int(0)"}), L"");
    EXPECT_EQ(Cell(record, {0, {}, L"Nr", L"Int(30)"}), std::wstring(21, L'0') + L"42");
    EXPECT_EQ(Cell(record, {0, {}, L"Nr", L"Int(-3)"}), std::wstring(21, L'0') + L"42");
    EXPECT_EQ(Cell(record, {0, {}, L"Datum", L"Date"}), L"31.12.2006");
    EXPECT_EQ(Cell(record, {7, {}, L"Art", L"Farbe"}), L"7/X/Farbe");
    EXPECT_EQ(Cell(record, {0, {}, L"Nr", L"int"}), L"0/42/int");  // keywords are case-sensitive
    EXPECT_EQ(Cell(record, {0, {}, L"Fehlt", L"Money"}), L"0,00");
    EXPECT_EQ(Cell(record, {0, {}, L"Fehlt", L"Date"}), L"01.01.1896");
    // Nothing to show.
    EXPECT_EQ(Cell(nullptr, {0, {}, L"F", L"Text"}), L"<none>");
    EXPECT_EQ(Cell(L"R><F>x</F></R>", {0, {}, L"F", L"Text"}), L"<none>");
    EXPECT_EQ(Cell(record, {0, {}, L"", L"Text"}), L"<none>");
    std::wstring text;
    EXPECT_FALSE(MakeCellText(record, nullptr, nullptr, text));

    // A root name of any length, and a field name that fills its whole array.
    const std::wstring root(300, L'r');
    EXPECT_EQ(Cell((L"<" + root + L"><F>x</F></" + root + L">").c_str(), {0, {}, L"F", L"Text"}), L"x");
    const std::wstring field(kFieldNameChars, L'F');
    ColumnDescriptor full{0, {}, {}, L"Text"};
    std::wmemset(full.fieldName, L'F', kFieldNameChars);
    EXPECT_EQ(Cell((L"<R><" + field + L">y</" + field + L"></R>").c_str(), full), L"y");
}

TEST(DataColumns, CopyCellTextCutsWithEllipsis)
{
    wchar_t buffer[11];
    const auto copy = [&buffer](int capacity, const wchar_t* text) {
        std::wmemset(buffer, L'#', 11);
        CopyCellTextToBuffer(buffer, capacity, text);
        return std::wstring(buffer, 11);
    };
    EXPECT_EQ(copy(10, L"123456789"), std::wstring(L"123456789\0#", 11));
    EXPECT_EQ(copy(10, L"1234567890"), std::wstring(L"123456...\0#", 11));
    EXPECT_EQ(copy(10, L"ab"), std::wstring(L"ab\0\0\0\0\0\0\0\0#", 11));
    EXPECT_EQ(copy(0, L"ab"), std::wstring(11, L'#'));
}

TEST(DataColumns, ComparesByColumnTypeThenMitglnr)
{
    const wchar_t* a = L"<M><T>abc</T><G>12,50</G><I>10</I><D>31.12.2005</D><Mitglnr>9</Mitglnr></M>";
    const wchar_t* b = L"<M><T>ABD</T><G>9,99</G><I>9</I><D>01.01.2006</D><Mitglnr>10</Mitglnr></M>";
    EXPECT_EQ(Order(a, b, {0, {}, L"T", L"Text"}), -1);  // case-insensitive
    EXPECT_EQ(Order(a, b, {0, {}, L"G", L"Money"}), 1);  // by amount, not by text
    EXPECT_EQ(Order(a, b, {0, {}, L"I", L"Int"}), 1);
    EXPECT_EQ(Order(a, b, {0, {}, L"I", L"Int(2)"}), 1);
    EXPECT_EQ(Order(a, b, {0, {}, L"D", L"Date"}), 1);     // by stored text, not by date
    EXPECT_EQ(Order(a, b, {0, {}, L"G", L"Custom"}), -1);  // "12,50" < "9,99" as text
    // Equal values fall back to the first record's "Mitglnr" as numbers (9 < 10,
    // though "9" > "10"); a missing one reads 0.
    const wchar_t* c = L"<M><T>ABC</T><Mitglnr>10</Mitglnr></M>";
    EXPECT_EQ(Order(a, c, {0, {}, L"T", L"Text"}), -1);
    EXPECT_EQ(Order(L"<M><T>abc</T></M>", c, {0, {}, L"T", L"Text"}), 0);
    EXPECT_EQ(Order(c, L"<M><T>abc</T></M>", {0, {}, L"T", L"Text"}), 1);
    // The second record is read under the first record's root name.
    EXPECT_EQ(Order(L"<M><I>5</I></M>", L"<N><I>5</I></N>", {0, {}, L"I", L"Int"}), 1);
    // Item data that is no record.
    EXPECT_EQ(Order(reinterpret_cast<const wchar_t*>(0xFFFF), a, {0, {}, L"I", L"Int"}), 0);
    EXPECT_EQ(Order(a, nullptr, {0, {}, L"I", L"Int"}), 1);
    // Extreme values keep the right sign.
    EXPECT_EQ(Order(L"<M><I>-9223372036854775808</I></M>", L"<M><I>1</I></M>", {0, {}, L"I", L"Int"}), -1);
    EXPECT_EQ(Order(L"<M><I>9223372036854775807</I></M>", L"<M><I>-1</I></M>", {0, {}, L"I", L"Int"}), 1);
}

}  // namespace
