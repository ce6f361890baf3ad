// Typed columns: money text, cell text by column type and the default record
// comparison (copying into a list's buffer is shown by the ui_dialog test).
#include <gtest/gtest.h>

#include <array>
#include <cwchar>
#include <string>
#include <tuple>
#include <utility>

#include "data/TypedColumns.h"

namespace {

// The columns the cases below name by index.
const ColumnDescriptor kColumns[] = {
    {7, {}, L"T", L"Text"},   {7, {}, L"G", L"Money"},   {7, {}, L"I", L"Int"},     {7, {}, L"I", L"Int(0)"},
    {7, {}, L"I", L"Int(5)"}, {7, {}, L"I", L"Int(30)"}, {7, {}, L"I", L"Int(-3)"}, {7, {}, L"D", L"Date"},
    {7, {}, L"C", L"Farbe"},  {7, {}, L"I", L"Int(2)"},  {7, {}, L"G", L"Custom"},
};

TEST(DataColumns, MoneyTextBothWays)
{
    const std::pair<std::int64_t, const wchar_t*> cases[] = {
        {0, L"0,00"},          {5, L"0,05"},
        {-1999, L"-19,99"},    {123456789, L"1.234.567,89"},
        {100000, L"1.000,00"}, {INT64_MIN, L"-92.233.720.368.547.758,08"},
    };
    for (auto [amount, text] : cases) {
        EXPECT_EQ(MoneyToText(amount), text);
        EXPECT_EQ(TextToMoney(text), amount) << text;
    }
}

TEST(DataColumns, CellTextByColumnType)
{
    const wchar_t* record = L"<M><T>Meyer &amp; Co</T><G>-1.234,5</G><I>42</I><D>2006-12-31</D><C>X</C></M>";
    // Int( widths above 23 or below 0 show 23 digits; custom types show what
    // the formatter makes of (column id, field, type).
    const wchar_t* digits23 = L"00000000000000000000042";
    const auto custom = [](auto id, const XmlNode& f, auto type) { return std::to_wstring(id) + f.GetText() + type; };
    const std::pair<int, const wchar_t*> cases[] = {
        {0, L"Meyer & Co"}, {1, L"-123,45"}, {2, L"42"},         {3, L""},        {4, L"00042"},
        {5, digits23},      {6, digits23},   {7, L"31.12.2006"}, {8, L"7XFarbe"},
    };
    for (auto [column, expected] : cases) {
        std::wstring text;
        MakeCellText(record, &kColumns[column], custom, text);
        EXPECT_EQ(text, expected) << kColumns[column].typeName;
    }
}

TEST(DataColumns, ComparesByColumnTypeThenMitglnr)
{
    const wchar_t* a = L"<M><T>abc</T><G>12,50</G><I>10</I><D>31.12.2005</D><Mitglnr>9</Mitglnr></M>";
    const wchar_t* b = L"<M><T>ABD</T><G>9,99</G><I>9</I><D>01.01.2006</D><Mitglnr>10</Mitglnr></M>";
    const wchar_t *c = L"<M><T>ABC</T><Mitglnr>10</Mitglnr></M>", *d = L"<M><T>abc</T></M>", *one = L"<M><I>1</I></M>";
    const wchar_t *low = L"<M><I>-9223372036854775808</I></M>", *high = L"<M><I>9223372036854775807</I></M>";
    const wchar_t *m5 = L"<M><I>5</I></M>", *n5 = L"<N><I>5</I></N>", *minus1 = L"<M><I>-1</I></M>";
    // Text without case, money by amount, dates and custom types by the stored
    // text; equal values by the first record's Mitglnr as numbers (9 < 10; a
    // missing one reads 0); both records under the first one's root name; no
    // second record; differences beyond 64 bits keep their sign.
    const std::tuple<const wchar_t*, const wchar_t*, int, int> cases[] = {
        {a, b, 0, -1},      {a, b, 1, 1},      {a, b, 2, 1},         {a, b, 9, 1}, {a, b, 7, 1},
        {a, b, 10, -1},     {a, c, 0, -1},     {c, d, 0, 1},         {d, c, 0, 0}, {m5, n5, 2, 1},
        {a, nullptr, 2, 1}, {low, one, 2, -1}, {high, minus1, 2, 1},
    };
    for (auto [first, second, column, expected] : cases) {
        const std::int64_t result = CompareRecords(first, second, &kColumns[column]);
        EXPECT_EQ((result > 0) - (result < 0), expected) << kColumns[column].typeName;
    }
}

}  // namespace
