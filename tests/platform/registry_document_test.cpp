// The .reg text of the registry store: what is understood, what is kept as it
// stands, and damaged text refused without reading out of bounds.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "platform/registry/reg_document.h"

using namespace platform::registry;

namespace {

DWORD DwordOf(const RegLine* line) {
    EXPECT_NE(line, nullptr);
    if (!line || line->value.data.size() != 4) return 0xDEADBEEF;
    const std::vector<BYTE>& d = line->value.data;
    return d[0] | d[1] << 8 | d[2] << 16 | static_cast<DWORD>(d[3]) << 24;
}

const char kExported[] =
    "Windows Registry Editor Version 5.00\n"
    "\n"
    "; written by hand\n"
    "[HKEY_CURRENT_USER\\Software\\Vexlar]\n"
    "\"ShowFPS\"=dword:0000000A\n"
    "@=\"default \\\"quoted\\\" C:\\\\dir\"\n"
    "\"Blob\"=hex:01,02,ff,\\\n"
    "  10\n"
    "\"Path\"=hex(2):25,00,00,00\n"
    "\"Gone\"=-\n"
    "\"Big\"=qword:0000000000000001\n"
    "\n"
    "[-HKEY_CURRENT_USER\\Software\\Old]\n"
    "\n"
    "[HKEY_USERS\\.DEFAULT\\Something]\n"
    "\"Other\"=dword:00000001\n";

}  // namespace

TEST(RegistryDocument, UnderstandsExportedValuesAndKeepsTheRest) {
    RegDocument doc;
    ASSERT_TRUE(ParseRegDocument(kExported, doc));
    EXPECT_EQ(SerializeRegDocument(doc), kExported);

    EXPECT_EQ(DwordOf(FindRegValue(doc, RegRoot::CurrentUser, "software\\VEXLAR", "showfps")), 10u);
    const RegLine* def = FindRegValue(doc, RegRoot::CurrentUser, "Software\\Vexlar", "");
    ASSERT_NE(def, nullptr);
    EXPECT_EQ(def->value.type, static_cast<DWORD>(REG_SZ));
    std::string text = "default \"quoted\" C:\\dir";
    EXPECT_EQ(def->value.data, std::vector<BYTE>(text.c_str(), text.c_str() + text.size() + 1));
    const RegLine* blob = FindRegValue(doc, RegRoot::CurrentUser, "Software\\Vexlar", "Blob");
    ASSERT_NE(blob, nullptr);
    EXPECT_EQ(blob->value.data, (std::vector<BYTE>{1, 2, 0xff, 0x10}));
    EXPECT_EQ(FindRegValue(doc, RegRoot::CurrentUser, "Software\\Vexlar", "Path")->value.type, 2u);
    EXPECT_EQ(FindRegValue(doc, RegRoot::CurrentUser, "Software\\Vexlar", "Big")->kind, RegLine::Kind::Opaque);
    EXPECT_EQ(FindRegValue(doc, RegRoot::CurrentUser, "Software\\Vexlar", "Gone")->kind, RegLine::Kind::Opaque);
    EXPECT_TRUE(RegKeyExists(doc, RegRoot::CurrentUser, "Software"));
    EXPECT_FALSE(RegKeyExists(doc, RegRoot::CurrentUser, "Software\\Old"));
    EXPECT_FALSE(RegKeyExists(doc, RegRoot::CurrentUser, "Software\\Vex"));
}

TEST(RegistryDocument, WritesValuesInExportForm) {
    EXPECT_EQ(FormatRegValueLine("ShowFPS", {REG_DWORD, {2, 0, 0, 0}}), "\"ShowFPS\"=dword:00000002");
    EXPECT_EQ(FormatRegValueLine("Width", {REG_DWORD, {0x20, 0x03, 0xab, 0xcd}}), "\"Width\"=dword:cdab0320");
    EXPECT_EQ(FormatRegValueLine("", {REG_SZ, {'a', '"', '\\', 0}}), "@=\"a\\\"\\\\\"");
    // Strings a quoted form cannot carry exactly are written as bytes.
    EXPECT_EQ(FormatRegValueLine("S", {REG_SZ, {'a', 'b'}}), "\"S\"=hex(1):61,62");
    EXPECT_EQ(FormatRegValueLine("S", {REG_SZ, {'a', '\n', 0}}), "\"S\"=hex(1):61,0a,00");
    EXPECT_EQ(FormatRegValueLine("S", {REG_SZ, {0xE9, 0}}), "\"S\"=hex(1):e9,00");
    EXPECT_EQ(FormatRegValueLine("Q", {REG_QWORD, {}}), "\"Q\"=hex(b):");
    EXPECT_EQ(FormatRegValueLine("D", {REG_DWORD, {1, 2}}), "\"D\"=hex(4):01,02");

    // Long data wraps like an export and reads back whole.
    RegValue big{REG_BINARY, {}};
    for (int i = 0; i < 300; ++i) big.data.push_back(static_cast<BYTE>(i));
    RegDocument doc = NewRegDocument();
    SetRegValue(doc, RegRoot::CurrentUser, "K", "Big", big);
    std::string text = SerializeRegDocument(doc);
    size_t longest = 0, start = 0;
    for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        longest = std::max(longest, end - start);
    EXPECT_LE(longest, 80u);
    RegDocument back;
    ASSERT_TRUE(ParseRegDocument(text, back));
    EXPECT_EQ(FindRegValue(back, RegRoot::CurrentUser, "k", "big")->value.data, big.data);
}

TEST(RegistryDocument, KeepsWhatStillReadsOfDamagedTextWithoutCrashing) {
    const std::string header = "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\K]\n";
    // Nothing of these can be read.
    for (const std::string& text : {std::string("\x7f" "ELF\x02\x01\x01\0\0\0", 10),
                                    std::string("Registry File 1.0\n\n[HKEY_CURRENT_USER\\K]\n"),
                                    std::string(kMaxRegistryFileBytes + 1, '\n')}) {
        RegDocument doc;
        EXPECT_FALSE(ParseRegDocument(text, doc)) << text.substr(0, 80);
        EXPECT_TRUE(doc.sections.empty());
    }
    // One damaged line each: it is left out and counted, the good value after it kept.
    const std::vector<std::string> damagedLines = {
        "\"A\"=\"unterminated\n",
        "\"A=dword:00000001\n",
        "\"A\"=hex:01,2g\n",
        "\"A\"=hex:01,,02\n",
        "\"A\"=hex(zz):01\n",
        "\"A\"=dword:123456789\n",
        "\"A\"=dword:\n",
        "\"A\"=\"x\" trailing\n",
        "\"A\" dword:00000001\n",
        "plain words\n",
        "\"A\"=\"bad \xC3\x28 utf8\"\n",
        std::string("\"A\"=\"nul\0\"\n", 11),
    };
    for (const std::string& line : damagedLines) {
        RegDocument doc;
        ASSERT_TRUE(ParseRegDocument(header + line + "\"B\"=dword:00000002\n", doc)) << line;
        EXPECT_EQ(doc.damagedLines, 1) << line;
        ASSERT_EQ(doc.sections.size(), 1u) << line;
        EXPECT_NE(FindRegValue(doc, RegRoot::CurrentUser, "K", "B"), nullptr) << line;
    }
    // Values with no key above them, or below an unreadable one, belong nowhere.
    RegDocument orphan;
    ASSERT_TRUE(ParseRegDocument("Windows Registry Editor Version 5.00\n\n\"Orphan\"=dword:00000001\n", orphan));
    EXPECT_TRUE(orphan.sections.empty());
    EXPECT_EQ(orphan.damagedLines, 1);
    RegDocument unclosed;
    ASSERT_TRUE(ParseRegDocument(header + "[HKEY_CURRENT_USER\\Unclosed\n\"A\"=dword:1\n[HKEY_CURRENT_USER\\L]\n", unclosed));
    EXPECT_EQ(unclosed.damagedLines, 2);
    EXPECT_EQ(unclosed.sections.size(), 2u);
    // A damaged header keeps the file; a damaged section line keeps its key
    // when the key reads, else its values go too, never to the key above.
    const std::string top = header.substr(0, 38), k = "[HKEY_CURRENT_USER\\K]\n\"B\"=dword:00000002\n";
    for (const auto& [text, keeps] : std::vector<std::pair<std::string, bool>>{
             {"Windows Registry Editor Versi\xffn 5.00\n\n" + k, true},
             {top + "[HKEY_CURRENT_USER\\K]\xff\n\"B\"=dword:00000002\n", true},
             {top + "[HKEY_CURRENT_USER\\J]\n[HKEY_CURRENT_\xffSER\\K]\n\"B\"=dword:00000002\n", false},
             {top + "[HKEY_CURRENT_USER\\J]\n\xff" "HKEY_CURRENT_USER\\K]\n\"B\"=dword:00000002\n", false}}) {
        RegDocument doc;
        ASSERT_TRUE(ParseRegDocument(text, doc)) << text;
        EXPECT_EQ(doc.damagedLines, keeps ? 1 : 2) << text;
        EXPECT_EQ(FindRegValue(doc, RegRoot::CurrentUser, "K", "B") != nullptr, keeps) << text;
        EXPECT_EQ(FindRegValue(doc, RegRoot::CurrentUser, "J", "B"), nullptr) << text;
        EXPECT_TRUE(!keeps || SerializeRegDocument(doc) == top + k) << text;
    }
    // A continuation cut off at the end of the file.
    RegDocument cut;
    ASSERT_TRUE(ParseRegDocument(header + "\"A\"=hex:01,02,\\\n", cut));
    EXPECT_EQ(cut.damagedLines, 1);
    // Every truncation and every single-byte change of a good file is either
    // read or refused, never read past its end (run under the sanitizers).
    const std::string good = kExported;
    for (size_t cut = 0; cut <= good.size(); ++cut) {
        RegDocument doc;
        ParseRegDocument(std::string_view(good).substr(0, cut), doc);
        std::string changed = good;
        for (char c : {'\\', '"', '\n', '(', ','}) {
            if (cut < good.size()) changed[cut] = c;
            ParseRegDocument(changed, doc);
        }
    }
}

TEST(RegistryDocument, ReadsUtf16AsAWindowsEditorSavesIt) {
    const std::u16string text = u"Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\K]\r\n"
                                u"\"Caf\u00e9\"=dword:00000002\r\n\"Bad\"=\"\xD800\"\r\n\"\U0001F600\"=\"x\"\r\n";
    for (bool big : {false, true}) {
        std::string bytes = big ? "\xFE\xFF" : "\xFF\xFE";
        for (char16_t u : text) bytes += big ? std::string{char(u >> 8), char(u)} : std::string{char(u), char(u >> 8)};
        RegDocument doc;
        ASSERT_TRUE(ParseRegDocument(bytes, doc));
        EXPECT_EQ(doc.damagedLines, 1);  // the unpaired surrogate's line alone
        EXPECT_EQ(SerializeRegDocument(doc), "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\K]\n"
                                             "\"Caf\xC3\xA9\"=dword:00000002\n\"\xF0\x9F\x98\x80\"=\"x\"\n");
    }
}
