// The localization table: the UTF-8 decoder and its bounds, line reading,
// key matching, the About lines, and the shipped localization file.
#include "config/string_table.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

Bytes B(const std::string& text) { return Bytes(text.begin(), text.end()); }

// Every character DecodeUtf8Char yields over the whole buffer, and how far
// each call advanced.
std::vector<std::pair<wchar_t, long>> DecodeAll(const Bytes& bytes) {
    std::vector<std::pair<wchar_t, long>> out;
    const unsigned char* cursor = bytes.data();
    const unsigned char* end = bytes.data() + bytes.size();
    while (cursor < end) {
        const unsigned char* before = cursor;
        wchar_t c = DecodeUtf8Char(cursor, end);
        out.push_back({c, static_cast<long>(cursor - before)});
    }
    EXPECT_EQ(cursor, end);
    return out;
}

StringTableData Parse(const std::string& text) {
    StringTableData table;
    ParseStringTable(table, reinterpret_cast<const unsigned char*>(text.data()), text.size());
    return table;
}

TEST(StringTableTest, DecoderTakesOneToThreeBytesAndNeverReadsPastTheEnd) {
    using Step = std::pair<wchar_t, long>;
    EXPECT_EQ(DecodeAll(B("A\xC3\xA9\xD0\x96\xE2\x82\xAC")),
              (std::vector<Step>{{L'A', 1}, {0xE9, 2}, {0x416, 2}, {0x20AC, 3}}));
    // A byte-order mark vanishes wherever it stands.
    EXPECT_EQ(DecodeAll(B("\xEF\xBB\xBFx\xEF\xBB\xBF")), (std::vector<Step>{{0, 3}, {L'x', 1}, {0, 3}}));
    // A stray continuation byte and a 4-byte sequence decode to nothing, one byte at a time.
    EXPECT_EQ(DecodeAll(B("\x80" "a\xF0\x9F\x98\x80" "b")),
              (std::vector<Step>{{0, 1}, {L'a', 1}, {0, 1}, {0, 1}, {0, 1}, {0, 1}, {L'b', 1}}));
    // Sequences cut by the end of the data end it without reading further.
    for (const std::string& cut : {std::string("\xC3"), std::string("\xE2\x82"), std::string("\xE2"),
                                   std::string("\xEF\xBB")}) {
        Bytes bytes = B("z" + cut);
        std::vector<Step> steps = DecodeAll(bytes);
        ASSERT_EQ(steps.size(), 2u);
        EXPECT_EQ(steps[1], (Step{0, static_cast<long>(cut.size())}));
    }
    const unsigned char* nothing = nullptr;
    EXPECT_EQ(DecodeUtf8Char(nothing, nullptr), 0);

    // Narrowing keeps each character's low byte.
    EXPECT_EQ(WideToNarrow(std::wstring{L'A', wchar_t(0xE9), wchar_t(0x416)}), std::string("A\xE9\x16"));
}

TEST(StringTableTest, LinesEndAtLineFeedsOnly) {
    Bytes bytes = B("one\r\ntwo\rthree\nfour");
    const unsigned char* cursor = bytes.data();
    const unsigned char* end = cursor + bytes.size();
    EXPECT_EQ(ReadUtf8Line(cursor, end), L"one");
    EXPECT_EQ(ReadUtf8Line(cursor, end), L"twothree");  // a lone CR ends nothing and is dropped
    EXPECT_EQ(ReadUtf8Line(cursor, end), L"four");
    EXPECT_EQ(cursor, end);

    // With or without BOM, with CR LF or LF: the same table.
    StringTableData crlf = Parse("\xEF\xBB\xBF#A_Key#\r\nValue\r\n\r\n#Next#\r\n\xC3\xA9t\xC3\xA9\r\n");
    StringTableData lf = Parse("#A_Key#\nValue\n\n#Next#\n\xC3\xA9t\xC3\xA9\n");
    ASSERT_EQ(crlf.count, 5);
    ASSERT_EQ(lf.count, 5);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(crlf.lines[i], lf.lines[i]) << i;
    EXPECT_EQ(lf.lines[0], L"#a_key#");  // the key part is lower-cased at load
    EXPECT_EQ(LookupString(lf, L"next"), std::string("\xE9t\xE9"));
}

TEST(StringTableTest, KeysMatchWithoutCaseAndByLengthDifference) {
    for (const std::string& order : {std::string("#About#\nAbout\n#about_window_text#\nText\n"),
                                     std::string("#about_window_text#\nText\n#About#\nAbout\n")}) {
        StringTableData table = Parse(order);
        EXPECT_EQ(LookupString(table, L"about"), "About") << order;
        EXPECT_EQ(LookupString(table, L"ABOUT_WINDOW_TEXT"), "Text") << order;
    }
    StringTableData table = Parse(
        "Header ------\n#OK#\nOK\n#about\nopen key\n#empty#\n\n#hash#\n#not a key#\n#o#\nshort\n#last#");
    for (const wchar_t* key : {L"ok", L"OK", L"Ok"}) EXPECT_EQ(LookupString(table, key), "OK");
    EXPECT_EQ(LookupString(table, L"about"), "open key");      // no closing "#": difference 1
    EXPECT_EQ(LookupString(table, L"empty"), "");
    EXPECT_EQ(LookupString(table, L"hash"), "#not a key#");    // a value may start with "#"
    EXPECT_EQ(LookupString(table, L"not a key"), "#o#");       // ...yet it is a key line too
    EXPECT_EQ(LookupString(table, L"last"), "");               // the last line is never a key
    EXPECT_EQ(LookupString(table, L"header ------"), "");      // not a key line
    EXPECT_EQ(LookupString(table, L"missing"), "");
    EXPECT_EQ(LookupString(table, L"o"), "short");
}

TEST(StringTableTest, TableAndAboutLinesAreBounded) {
    std::string text;
    for (int i = 0; i < 199; ++i) text += "line\n";
    text += "#key199#\nvalue200\n#key201#\nvalue202\n";
    StringTableData table = Parse(text);
    EXPECT_EQ(table.count, kStringTableCapacity);
    EXPECT_EQ(table.lines[199], L"#key199#");
    EXPECT_EQ(LookupString(table, L"key199"), "");  // its value is line 201, which is not kept
    EXPECT_EQ(LookupString(table, L"key201"), "");

    std::string lines[kAboutLineCount];
    SplitAboutText("A%%B", lines);
    EXPECT_EQ(std::vector<std::string>(lines, lines + kAboutLineCount),
              (std::vector<std::string>{"A", "", "B", "", "", "", ""}));
    SplitAboutText("0%1%2%3%4%5%6%7%8", lines);
    EXPECT_EQ(lines[6], "6");  // text after the sixth "%" is dropped
    SplitAboutText("", lines);
    EXPECT_EQ(lines[0], "");
}

TEST(StringTableTest, ShippedFileHoldsEveryTextOfTheDialogs) {
    HRSRC resource = FindResourceA(nullptr, MAKEINTRESOURCEA(255), "CustomData");
    ASSERT_NE(resource, nullptr);
    std::string bytes(static_cast<const char*>(LockResource(LoadResource(nullptr, resource))),
                      SizeofResource(nullptr, resource));
    EXPECT_EQ(bytes.substr(0, 3), "\xEF\xBB\xBF");
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\n') {
            EXPECT_TRUE(i > 0 && bytes[i - 1] == '\r') << "bare LF at " << i;
        }
    }

    LoadStringTable();
    LoadStringTable();  // once per process
    const std::pair<const wchar_t*, const char*> expected[] = {
        {L"video_mode_selection", "Video Mode"}, {L"use_desktop_settings", "Use Desktop Settings"},
        {L"vexlar_options", "Vexlar Options"}, {L"few", "Few"}, {L"normal", "Average"}, {L"many", "Multiple"},
        {L"none", "None"}, {L"simple", "Simple"}, {L"complex", "Complex"}, {L"streams", "Streams"},
        {L"background", "Background"}, {L"brightness", "Brightness"}, {L"show_rays", "Show Rays"},
        {L"show_picture", "Show Picture"}, {L"sounds", "Sounds"}, {L"master_volume:", "Volume:"},
        {L"enable_music", "Enable Music"}, {L"products", "Products"},
        {L"visit_our_official_web-site_for_more_great_3D_screensavers",
         "Visit our official web-site for more great 3D screensavers"},
        {L"options", "Options"}, {L"Show_FPS", "Show FPS"}, {L"Show_time", "Show Time"},
        {L"high_quality_textures", "High Quality Texture"}, {L"Exit_on_mouse_move", "Exit on Mouse Move"},
        {L"visit...", "Visit..."}, {L"About", "About"}, {L"restore_defaults", "Restore Defaults"},
        {L"OK", "OK"}, {L"Cancel", "Cancel"}, {L"screensaver_configuration", "3D Vexlar Screensaver Configuration"},
    };
    for (const auto& [key, value] : expected) EXPECT_EQ(LookupString(key), value) << WideToNarrow(key);

    EXPECT_EQ(AboutLines[0], "3D Vexlar Screensaver");
    EXPECT_EQ(AboutLines[1], "");
    EXPECT_FALSE(AboutLines[2].empty());
    EXPECT_EQ(AboutLines[3], "");
    EXPECT_NE(AboutLines[4].find("\xA9 2026"), std::string::npos);  // the copyright sign, narrowed
    EXPECT_FALSE(AboutLines[5].empty());
    EXPECT_EQ(AboutLines[6], "");
}

}  // namespace
