// Tests of the defaults-file parser, the key lookup and the integer reading,
// each on a table of its own so the process-wide one stays untouched.
#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "config/defaults_file.h"
#include "test_support.h"

namespace {

const char kBadFormatUtf8[] = "неправильный формат файла def_settings.txt";
const char kNotFoundUtf8[] = "Не найден параметр в файле def_settings.txt";

DefaultsTableData Parse(const std::string& text) {
    DefaultsTableData table;
    ParseDefaultsText(table, text.data(), text.size());
    return table;
}

class DefaultsFileTest : public ::testing::Test {
protected:
    void SetUp() override { testsupport::MessageBoxes().clear(); }
};

TEST_F(DefaultsFileTest, ShippedLineShapesSplitAtFirstEquals) {
    DefaultsTableData table = Parse(
        "ShowFPS\t\t= false;\r\n"
        "UseDktpSet \t= true;\r\n"
        "Key = 5 ; remark\r\n"
        "a=b=c\r\n"
        "=x\r\n"
        "k=\r\n");
    ASSERT_EQ(table.count, 6);
    EXPECT_EQ(table.entries[0].key, "ShowFPS");
    EXPECT_EQ(table.entries[0].value, "false");
    EXPECT_EQ(table.entries[1].key, "UseDktpSet");
    EXPECT_EQ(table.entries[1].value, "true");
    EXPECT_EQ(table.entries[2].key, "Key");
    EXPECT_EQ(table.entries[2].value, "5");
    EXPECT_EQ(table.entries[3].key, "a");
    EXPECT_EQ(table.entries[3].value, "b=c");
    EXPECT_EQ(table.entries[4].key, "");
    EXPECT_EQ(table.entries[4].value, "x");
    EXPECT_EQ(table.entries[5].key, "k");
    EXPECT_EQ(table.entries[5].value, "");
    EXPECT_TRUE(testsupport::MessageBoxes().empty());
}

TEST_F(DefaultsFileTest, CommentsBlanksAndHighBytesLeaveNoTrace) {
    // Comment lines, a lone ";", blank and whitespace-only lines make no entry;
    // the code-page-1251 letters of a comment or a value are dropped.
    DefaultsTableData table = Parse(
        ";\xEE\xE1\xF9\xE8\xE5 \xEF\xE0\xF0\xE0\xEC\xE5\xF2\xF0\xFB\r\n"
        "\r\n"
        ";\r\n"
        " \t\x01\r\n"
        "\xC0\xC1\r\n"
        "Name=\xE0" "bc;\xE1\r\n"
        "Last=1");
    ASSERT_EQ(table.count, 2);
    EXPECT_EQ(table.entries[0].key, "Name");
    EXPECT_EQ(table.entries[0].value, "bc");
    EXPECT_EQ(table.entries[1].key, "Last");
    EXPECT_EQ(table.entries[1].value, "1");
    EXPECT_TRUE(testsupport::MessageBoxes().empty());
    EXPECT_EQ(CleanDefaultsLine("A\x7F\x80 \x1F=\xFF" "1;=2"), "A\x7F=1");
}

TEST_F(DefaultsFileTest, OnlyCarriageReturnEndsALine) {
    DefaultsTableData lfOnly = Parse("A=1\nB=2\nC=3\n");
    ASSERT_EQ(lfOnly.count, 1);
    EXPECT_EQ(lfOnly.entries[0].key, "A");
    EXPECT_EQ(lfOnly.entries[0].value, "1B=2C=3");

    DefaultsTableData crOnly = Parse("A=1\rB=2\r\n\nC=3");
    ASSERT_EQ(crOnly.count, 3);
    EXPECT_EQ(crOnly.entries[1].key, "B");
    EXPECT_EQ(crOnly.entries[2].key, "C");
    EXPECT_EQ(crOnly.entries[2].value, "3");
}

TEST_F(DefaultsFileTest, LineWithoutEqualsIsReportedAndStored) {
#ifdef _WIN32
    GTEST_SKIP() << "on Windows the message box is shown, not captured";
#endif
    DefaultsTableData table = Parse("abc\r\nX=1\r\n");
    ASSERT_EQ(testsupport::MessageBoxes().size(), 1u);
    EXPECT_EQ(testsupport::MessageBoxes()[0].text, kBadFormatUtf8);
    EXPECT_EQ(testsupport::MessageBoxes()[0].caption, "");
    EXPECT_EQ(testsupport::MessageBoxes()[0].type, 0u);
    ASSERT_EQ(table.count, 2);
    EXPECT_EQ(table.entries[0].key, "abc");
    EXPECT_EQ(table.entries[0].value, "abc");
    EXPECT_EQ(table.entries[1].key, "X");
}

TEST_F(DefaultsFileTest, LookupIgnoresCaseFirstEntryWinsValueLowered) {
#ifdef _WIN32
    GTEST_SKIP() << "on Windows the message box is shown, not captured";
#endif
    DefaultsTableData table = Parse("ShowFPS=TRUE\r\nshowfps=false\r\nUrl=HTTP://Example/A\r\n");
    EXPECT_EQ(LookupDefault(table, "showfps"), "true");
    EXPECT_EQ(LookupDefault(table, "SHOWFPS"), "true");
    EXPECT_EQ(LookupDefault(table, "ShowFPS"), "true");
    EXPECT_EQ(LookupDefault(table, "url"), "http://example/a");
    EXPECT_TRUE(testsupport::MessageBoxes().empty());

    EXPECT_EQ(LookupDefault(table, "MissingKey"), "");
    ASSERT_EQ(testsupport::MessageBoxes().size(), 1u);
    EXPECT_EQ(testsupport::MessageBoxes()[0].text, kNotFoundUtf8);
    EXPECT_EQ(testsupport::MessageBoxes()[0].caption, "missingkey");
    EXPECT_EQ(testsupport::MessageBoxes()[0].type, 0u);
}

TEST_F(DefaultsFileTest, ReadDefaultIntConversions) {
#ifdef _WIN32
    GTEST_SKIP() << "on Windows the message box is shown, not captured";
#endif
    DefaultsTableData table = Parse(
        "Caps=TRUE\r\nMixed=False\r\nLetter=x\r\nNegative=-3\r\nTrailing=12ab\r\n"
        "Plus=+7\r\nHuge=99999999999\r\nTiny=-99999999999\r\nEmpty=\r\n");
    EXPECT_EQ(ReadDefaultInt(table, "Caps"), 1);
    EXPECT_EQ(ReadDefaultInt(table, "Mixed"), 0);
    EXPECT_EQ(ReadDefaultInt(table, "Letter"), 0);
    EXPECT_EQ(ReadDefaultInt(table, "Negative"), -3);
    EXPECT_EQ(ReadDefaultInt(table, "Trailing"), 12);
    EXPECT_EQ(ReadDefaultInt(table, "Plus"), 7);
    EXPECT_EQ(ReadDefaultInt(table, "Huge"), INT_MAX);
    EXPECT_EQ(ReadDefaultInt(table, "Tiny"), INT_MIN);
    EXPECT_EQ(ReadDefaultInt(table, "Empty"), 0);
    EXPECT_TRUE(testsupport::MessageBoxes().empty());
    // A missing key is reported and reads as 0.
    EXPECT_EQ(ReadDefaultInt(table, "Absent"), 0);
    EXPECT_EQ(testsupport::MessageBoxes().size(), 1u);
}

TEST_F(DefaultsFileTest, TableStopsAtItsCapacity) {
#ifdef _WIN32
    GTEST_SKIP() << "on Windows the message box is shown, not captured";
#endif
    std::string text;
    for (int i = 0; i < 150; ++i) text += "K" + std::to_string(i) + "=" + std::to_string(i) + "\r\n";
    DefaultsTableData table = Parse(text);
    ASSERT_EQ(table.count, kDefaultsCapacity);
    EXPECT_EQ(table.entries[kDefaultsCapacity - 1].key, "K99");
    EXPECT_EQ(ReadDefaultInt(table, "K99"), 99);
    EXPECT_TRUE(testsupport::MessageBoxes().empty());
    EXPECT_EQ(ReadDefaultInt(table, "K100"), 0);
    EXPECT_EQ(testsupport::MessageBoxes().size(), 1u);
}

TEST(AsciiLowerTest, OnlyAsciiCapitalsChange) {
    EXPECT_EQ(AsciiLower(std::string("AZaz@[`{09\xC0\xDF")), std::string("azaz@[`{09\xC0\xDF"));
    EXPECT_EQ(AsciiLower(std::wstring(L"ShowFPS \u0410\u00C0")), std::wstring(L"showfps \u0410\u00C0"));
}

}  // namespace
