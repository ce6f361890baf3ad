// Typed columns: money text, cell text by column type, copying into a list's
// buffer and the default record comparison.
#include <gtest/gtest.h>

#include <cwchar>
#include <string>

#include "data/TypedColumns.h"

namespace {

ColumnDescriptor Column(const wchar_t* field, const wchar_t* type, std::int32_t id = 0)
{
    ColumnDescriptor d{};
    d.columnId = id;
    std::wcsncpy(d.fieldName, field, kFieldNameChars);
    std::wcsncpy(d.typeName, type, kTypeNameChars);
    return d;
}

std::wstring Cell(const wchar_t* record, const ColumnDescriptor& column)
{
    std::wstring text = L"untouched";
    const bool produced = MakeCellText(record, &column, nullptr, text);
    return produced ? text : L"<none>";
}

std::int64_t Sign(std::int64_t v)
{
    return (v > 0) - (v < 0);
}

TEST(DataColumns, MoneyTextBothWays)
{
    const struct {
        std::int64_t amount;
        const wchar_t* text;
    } cases[] = {{0, L"0,00"},
                 {5, L"0,05"},
                 {7, L"0,07"},
                 {100, L"1,00"},
                 {-1999, L"-19,99"},
                 {100000, L"1.000,00"},
                 {99999, L"999,99"},
                 {123456789, L"1.234.567,89"},
                 {-123456789, L"-1.234.567,89"},
                 {INT64_MIN, L"-92.233.720.368.547.758,08"}};
    for (const auto& c : cases) {
        EXPECT_EQ(MoneyToText(c.amount), c.text);
        EXPECT_EQ(TextToMoney(c.text), c.amount) << c.amount;
    }
}

TEST(DataColumns, CellTextByColumnType)
{
    const wchar_t* record =
        L"<M><Name>Gr&uuml;n &amp; Co</Name><Betrag>-1.234,5</Betrag><Nr>42</Nr>"
        L"<Gross>1234567</Gross><Datum>2006-12-31</Datum><Art>X</Art></M>";
    EXPECT_EQ(Cell(record, Column(L"Name", L"Text")), L"Gruuml;n & Co");
    EXPECT_EQ(Cell(record, Column(L"Betrag", L"Money")), L"-123,45");
    EXPECT_EQ(Cell(record, Column(L"Nr", L"Int")), L"42");
    EXPECT_EQ(Cell(record, Column(L"Nr", L"Int(5)")), L"00042");
    EXPECT_EQ(Cell(record, Column(L"Gross", L"Int(5)")), L"34567");
    EXPECT_EQ(Cell(record, Column(L"Nr", L"Int( 1 2")), L"000000000042");  // blanks skipped, no ")" needed
    EXPECT_EQ(Cell(record, Column(L"Nr", L"Int(0)")), L"");
    EXPECT_EQ(Cell(record, Column(L"Nr", L"Int(30)")), std::wstring(21, L'0') + L"42");
    EXPECT_EQ(Cell(record, Column(L"Nr", L"Int(-3)")), std::wstring(21, L'0') + L"42");
    EXPECT_EQ(Cell(record, Column(L"Datum", L"Date")), L"31.12.2006");
    // Missing fields.
    EXPECT_EQ(Cell(record, Column(L"Fehlt", L"Text")), L"");
    EXPECT_EQ(Cell(record, Column(L"Fehlt", L"Int")), L"0");
    EXPECT_EQ(Cell(record, Column(L"Fehlt", L"Money")), L"0,00");
    EXPECT_EQ(Cell(record, Column(L"Fehlt", L"Int(3)")), L"000");
    EXPECT_EQ(Cell(record, Column(L"Fehlt", L"Date")), L"01.01.1896");
    // Case matters: "int" is a custom type, shown by the dialog's formatter only.
    EXPECT_EQ(Cell(record, Column(L"Nr", L"int")), L"");

    std::wstring text;
    const ColumnDescriptor custom = Column(L"Art", L"Farbe", 7);
    ASSERT_TRUE(MakeCellText(
        record, &custom,
        [](std::int32_t id, const XmlNode& field, const std::wstring& type) {
            return std::to_wstring(id) + L"/" + field.GetText() + L"/" + type;
        },
        text));
    EXPECT_EQ(text, L"7/X/Farbe");
}

TEST(DataColumns, CellsWithoutTextLeaveTheRequestAlone)
{
    const ColumnDescriptor text = Column(L"F", L"Text");
    EXPECT_EQ(Cell(nullptr, text), L"<none>");
    EXPECT_EQ(Cell(L"R><F>x</F></R>", text), L"<none>");
    EXPECT_EQ(Cell(L"<?xml version=\"1.0\"?><R><F>x</F></R>", text), L"<none>");
    EXPECT_EQ(Cell(L"<R><F>x</F></R>", Column(L"", L"Text")), L"<none>");
    std::wstring out;
    EXPECT_FALSE(MakeCellText(L"<R><F>x</F></R>", nullptr, nullptr, out));

    // A root name of any length, and a field name that fills its whole array.
    const std::wstring longRoot(300, L'r');
    const std::wstring record = L"<" + longRoot + L"><F>x</F></" + longRoot + L">";
    EXPECT_EQ(RecordRootName(record.c_str()), longRoot);
    EXPECT_EQ(Cell(record.c_str(), text), L"x");
    ColumnDescriptor full = Column(L"", L"Text");
    std::wmemset(full.fieldName, L'F', kFieldNameChars);
    const std::wstring fullName(kFieldNameChars, L'F');
    const std::wstring fullRecord = L"<R><" + fullName + L">y</" + fullName + L"></R>";
    EXPECT_EQ(Cell(fullRecord.c_str(), full), L"y");
}

TEST(DataColumns, CopyCellTextCutsWithEllipsis)
{
    wchar_t buffer[12];
    std::wmemset(buffer, L'#', 12);
    CopyCellTextToBuffer(buffer, 10, L"123456789");
    EXPECT_EQ(std::wstring(buffer), L"123456789");
    CopyCellTextToBuffer(buffer, 10, L"1234567890");
    EXPECT_EQ(std::wstring(buffer), L"123456...");
    EXPECT_EQ(buffer[10], L'#');
    CopyCellTextToBuffer(buffer, 10, L"ab");
    EXPECT_EQ(std::wstring(buffer, 10), std::wstring(L"ab") + std::wstring(8, L'\0'));
    CopyCellTextToBuffer(buffer, 3, L"abcdef");
    EXPECT_EQ(std::wstring(buffer), L"ab");
    CopyCellTextToBuffer(buffer, 0, L"abcdef");  // nothing to write into
    EXPECT_EQ(std::wstring(buffer), L"ab");

    NMLVDISPINFOW info{};
    info.item.pszText = buffer;
    info.item.cchTextMax = 5;
    CopyCellText(info, L"abcdef");
    EXPECT_EQ(std::wstring(buffer), L"a...");
}

TEST(DataColumns, ComparesByColumnTypeThenMitglnr)
{
    auto compare = [](const wchar_t* a, const wchar_t* b, const wchar_t* field, const wchar_t* type) {
        const ColumnDescriptor column = Column(field, type);
        return Sign(CompareRecords(a, b, &column));
    };
    const wchar_t* a = L"<M><T>abc</T><G>12,50</G><I>10</I><D>31.12.2005</D><Mitglnr>9</Mitglnr></M>";
    const wchar_t* b = L"<M><T>ABD</T><G>9,99</G><I>9</I><D>01.01.2006</D><Mitglnr>10</Mitglnr></M>";
    EXPECT_EQ(compare(a, b, L"T", L"Text"), -1);  // case-insensitive text
    EXPECT_EQ(compare(a, b, L"G", L"Money"), 1);  // numeric, not textual
    EXPECT_EQ(compare(a, b, L"I", L"Int"), 1);
    EXPECT_EQ(compare(a, b, L"I", L"Int(2)"), 1);
    EXPECT_EQ(compare(a, b, L"D", L"Date"), 1);     // by stored text, not by date
    EXPECT_EQ(compare(a, b, L"G", L"Custom"), -1);  // "12,50" < "9,99" as text
    EXPECT_EQ(compare(b, a, L"T", L"Text"), 1);

    // Equal values fall back to "Mitglnr" as numbers (9 < 10, though "9" > "10").
    const wchar_t* c = L"<M><T>ABC</T><Mitglnr>10</Mitglnr></M>";
    EXPECT_EQ(compare(a, c, L"T", L"Text"), -1);
    EXPECT_EQ(compare(a, b, L"X", L"Text"), -1);
    EXPECT_EQ(compare(L"<M><T>abc</T></M>", c, L"T", L"Text"), 0);  // only the first record's Mitglnr counts
    EXPECT_EQ(compare(c, L"<M><T>abc</T></M>", L"T", L"Text"), 1);  // a missing one reads 0

    // The second record is read under the first record's root name.
    EXPECT_EQ(compare(L"<M><I>5</I></M>", L"<N><I>5</I></N>", L"I", L"Int"), 1);
    EXPECT_EQ(compare(L"<N><I>5</I></N>", L"<N><I>5</I></N>", L"I", L"Int"), 0);

    // Item data that is no record.
    EXPECT_EQ(compare(nullptr, a, L"I", L"Int"), 0);
    EXPECT_EQ(compare(reinterpret_cast<const wchar_t*>(0xFFFF), a, L"I", L"Int"), 0);
    EXPECT_EQ(compare(a, nullptr, L"I", L"Int"), 1);
    // Extreme values keep the right sign.
    EXPECT_EQ(compare(L"<M><I>-9223372036854775808</I></M>", L"<M><I>1</I></M>", L"I", L"Int"), -1);
    EXPECT_EQ(compare(L"<M><I>9223372036854775807</I></M>", L"<M><I>-1</I></M>", L"I", L"Int"), 1);
}

}  // namespace
