// Resources: lookups in the embedded table, bitmaps and icons from a
// substituted table, and the resource-script reader behind rc_pack.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/platform_testing.h"
#include "platform/win32/gdi_objects.h"
#include "platform/win32/resource_table.h"
#include "rc_pack/rc_script.h"
#include "test_support.h"

namespace {

// A bottom-up 24-bit .bmp file; `pixels` are 0xRRGGBB, rows top-down.
std::string MakeBmp(int width, int height, const std::vector<uint32_t>& pixels, int headerWidth = 0,
                    int headerHeight = 0) {
    int rowBytes = (width * 3 + 3) & ~3;
    std::string bytes(54 + rowBytes * height, '\0');
    auto put32 = [&](size_t at, uint32_t v) { std::memcpy(&bytes[at], &v, 4); };
    auto put16 = [&](size_t at, uint16_t v) { std::memcpy(&bytes[at], &v, 2); };
    bytes[0] = 'B';
    bytes[1] = 'M';
    put32(2, static_cast<uint32_t>(bytes.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, static_cast<uint32_t>(headerWidth ? headerWidth : width));
    put32(22, static_cast<uint32_t>(headerHeight ? headerHeight : height));
    put16(26, 1);
    put16(28, 24);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint32_t p = pixels[y * width + x];
            size_t at = 54 + static_cast<size_t>(height - 1 - y) * rowBytes + x * 3;
            bytes[at] = static_cast<char>(p & 0xFF);
            bytes[at + 1] = static_cast<char>((p >> 8) & 0xFF);
            bytes[at + 2] = static_cast<char>((p >> 16) & 0xFF);
        }
    return bytes;
}

const unsigned char* Bytes(const std::string& s) { return reinterpret_cast<const unsigned char*>(s.data()); }

}  // namespace

TEST(Resources, FindsEmbeddedDefaultsByTypeNameInAnyCase) {
    HMODULE self = GetModuleHandleA(nullptr);
    ASSERT_NE(self, nullptr);
    HRSRC found = FindResourceA(self, MAKEINTRESOURCE(256), "CustomData");
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(FindResourceA(nullptr, MAKEINTRESOURCE(256), "customdata"), found);
    EXPECT_EQ(FindResourceA(self, "#256", "CUSTOMDATA"), found);

    DWORD size = SizeofResource(self, found);
    const char* data = static_cast<const char*>(LockResource(LoadResource(self, found)));
    ASSERT_NE(data, nullptr);
    ASSERT_GT(size, 0u);
    EXPECT_NE(std::string(data, size).find("ShowFPS"), std::string::npos);

    EXPECT_EQ(FindResourceA(self, MAKEINTRESOURCE(9999), "CustomData"), nullptr);
    EXPECT_EQ(FindResourceA(self, MAKEINTRESOURCE(256), "CustomDat"), nullptr);
    EXPECT_EQ(FindResourceA(self, MAKEINTRESOURCE(256), RT_RCDATA), nullptr);
    EXPECT_EQ(FindResourceA(self, "settings", "CustomData"), nullptr);
    EXPECT_EQ(FindResourceA(reinterpret_cast<HMODULE>(0x1234), MAKEINTRESOURCE(256), "CustomData"), nullptr);
    EXPECT_EQ(LoadResource(self, reinterpret_cast<HRSRC>(const_cast<char*>(data))), nullptr);
    EXPECT_EQ(SizeofResource(self, nullptr), 0u);
    EXPECT_EQ(LoadIconA(self, MAKEINTRESOURCE(100)), nullptr);
}

TEST(Resources, BitmapsAndIconsFromSubstitutedTable) {
    std::string bmp = MakeBmp(3, 2, {0xFF0000, 0x00FF00, 0x0000FF, 0x000000, 0xFFFFFF, 0x123456});
    std::string absurd = MakeBmp(2, 2, {0, 0, 0, 0}, 60000, 60000);
    std::string tooManyPixels = MakeBmp(2, 2, {0, 0, 0, 0}, 16000, 16000);
    std::string garbage = "BM this is not a bitmap at all, only text";
    std::string icon = "icon group bytes";
    platform::EmbeddedResource table[] = {
        {2, nullptr, 253, Bytes(bmp), bmp.size()},
        {2, nullptr, 254, Bytes(absurd), absurd.size()},
        {2, nullptr, 255, Bytes(tooManyPixels), tooManyPixels.size()},
        {2, nullptr, 256, Bytes(garbage), garbage.size()},
        {14, nullptr, 224, Bytes(icon), icon.size()},
    };
    platform::SubstituteResources(table, std::size(table));
    HINSTANCE self = GetModuleHandleA(nullptr);
    size_t before = platform::gdi::LiveGdiObjectCount();

    HBITMAP bitmap = LoadBitmapA(self, MAKEINTRESOURCE(253));
    ASSERT_NE(bitmap, nullptr);
    BITMAP info{};
    EXPECT_EQ(GetObjectA(bitmap, 4, &info), 0);
    ASSERT_EQ(GetObjectA(bitmap, sizeof info, &info), static_cast<int>(sizeof info));
    EXPECT_EQ(info.bmWidth, 3);
    EXPECT_EQ(info.bmHeight, 2);
    EXPECT_EQ(info.bmBitsPixel, 32);
    EXPECT_EQ(info.bmWidthBytes, 12);
    const platform::gdi::BitmapObject* object = platform::gdi::FindBitmap(bitmap);
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(object->Row(0)[0] & 0xFFFFFF, 0xFF0000u);  // top-down, 0xRRGGBB in the low bytes
    EXPECT_EQ(object->Row(0)[2] & 0xFFFFFF, 0x0000FFu);
    EXPECT_EQ(object->Row(1)[2] & 0xFFFFFF, 0x123456u);

    EXPECT_EQ(LoadBitmapA(self, MAKEINTRESOURCE(254)), nullptr);
    EXPECT_EQ(LoadBitmapA(self, MAKEINTRESOURCE(255)), nullptr);
    EXPECT_EQ(LoadBitmapA(self, MAKEINTRESOURCE(256)), nullptr);
    EXPECT_EQ(LoadBitmapA(self, MAKEINTRESOURCE(224)), nullptr);
    EXPECT_EQ(LoadBitmapA(nullptr, MAKEINTRESOURCE(253)), nullptr);

    EXPECT_NE(LoadIconA(self, MAKEINTRESOURCE(224)), nullptr);
    EXPECT_EQ(LoadIconA(self, MAKEINTRESOURCE(253)), nullptr);

    EXPECT_TRUE(DeleteObject(bitmap));
    EXPECT_FALSE(DeleteObject(bitmap));
    EXPECT_EQ(GetObjectA(bitmap, sizeof info, &info), 0);
    EXPECT_EQ(platform::gdi::LiveGdiObjectCount(), before);

    platform::SubstituteResources(nullptr, 0);
    EXPECT_NE(FindResourceA(self, MAKEINTRESOURCE(256), "CustomData"), nullptr);
}

class ResourceScript : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = testsupport::MakeTempDir("vexlar-rc-");
        testsupport::WriteFile(dir_ + "/a.txt", "alpha");
        testsupport::WriteFile(dir_ + "/sub/b.bmp", "BM");
    }
    void TearDown() override { testsupport::RemoveTree(dir_); }

    std::vector<rcpack::ScriptResource> Parse(const std::string& text) {
        return rcpack::ParseResourceScript(text, dir_ + "/test.rc");
    }
    std::string Error(const std::string& text) {
        try {
            Parse(text);
        } catch (const rcpack::ScriptError& e) {
            return e.what();
        }
        return "no error";
    }
    std::string dir_;
};

TEST_F(ResourceScript, ReadsFilesTypesAndDialogs) {
    auto list = Parse(
        "// header comment\n"
        "#pragma code_page(65001)\n"
        "256 CustomData \"a.txt\" /* trailing */\n"
        "165 BITMAP DISCARDABLE \"sub\\\\b.bmp\"\n"
        "224 ICON sub/b.bmp\n"
        "0x10 300 \"a.txt\"\n"
        "2003 DIALOGEX 0, 0, 200, 100\n"
        "CAPTION \"END of { it\"  // END here is a comment\n"
        "BEGIN\n"
        "    CONTROL \"x\", 1, \"Button\", 0, 1, 2, 3, 4\n"
        "    { BEGIN END }\n"
        "END\n"
        "236 Sound \"a.txt\"\n");
    ASSERT_EQ(list.size(), 6u);
    EXPECT_EQ(list[0].typeName, "CustomData");
    EXPECT_EQ(list[0].id, 256);
    EXPECT_EQ(list[0].file, dir_ + "/a.txt");
    EXPECT_EQ(list[0].line, 3);
    EXPECT_EQ(list[1].typeId, 2);
    EXPECT_EQ(list[1].file, dir_ + "/sub/b.bmp");
    EXPECT_EQ(list[2].typeId, 14);
    EXPECT_EQ(list[3].id, 16);
    EXPECT_EQ(list[3].typeId, 300);
    EXPECT_EQ(list[4].typeId, 5);
    EXPECT_TRUE(list[4].file.empty());
    const std::string& dialog = list[4].text;
    EXPECT_EQ(dialog.rfind("2003 DIALOGEX 0, 0, 200, 100\n", 0), 0u);
    EXPECT_EQ(dialog.substr(dialog.size() - 4), "\nEND");
    EXPECT_NE(dialog.find("CAPTION \"END of { it\""), std::string::npos);
    EXPECT_EQ(dialog.find("comment"), std::string::npos);
    EXPECT_EQ(list[5].typeName, "Sound");
    EXPECT_EQ(list[5].line, 13);
}

TEST_F(ResourceScript, ReportsErrorsWithLine) {
    std::string at = dir_ + "/test.rc:";
    EXPECT_EQ(Error("\n\n256 CustomData \"missing.txt\"\n").rfind(at + "3: cannot find file 'missing.txt'", 0), 0u);
    EXPECT_EQ(Error("IDB_PICTURE BITMAP \"a.txt\"").rfind(at + "1: resource id", 0), 0u);
    EXPECT_EQ(Error("0 BITMAP \"a.txt\"").rfind(at + "1:", 0), 0u);
    EXPECT_EQ(Error("1 Sound \"a.txt\"\n2 Sound \"a.txt\"\n1 SOUND \"a.txt\"").rfind(at + "3: duplicate", 0), 0u);
    EXPECT_EQ(Error("#define IDB 3\n").rfind(at + "1: preprocessor", 0), 0u);
    EXPECT_EQ(Error("1 BITMAP \"a.txt\"\n/* open").rfind(at + "2: unterminated comment", 0), 0u);
    EXPECT_EQ(Error("5 RCDATA\n\"a.txt").rfind(at + "2: unterminated string", 0), 0u);
    EXPECT_EQ(Error("5 RCDATA BEGIN 1, 2 END").rfind(at + "1: inline", 0), 0u);
    EXPECT_EQ(Error("7 Sound").rfind(at + "1: unexpected end", 0), 0u);
    EXPECT_EQ(Error("\n2003 DIALOGEX 0, 0, 1, 1\nBEGIN\n BEGIN\nEND\n").rfind(at + "2: dialog 2003 has no", 0), 0u);
    EXPECT_EQ(Error("1 STRINGTABLE BEGIN END").rfind(at + "1: STRINGTABLE", 0), 0u);
}

TEST_F(ResourceScript, GeneratedSourceEscapesPathsAndIsDeterministic) {
    auto list = Parse("2 DIALOG 0,0,1,1 BEGIN END\n");
    rcpack::ScriptResource odd;
    odd.typeName = "Odd";
    odd.id = 1;
    odd.file = dir_ + "/odd \"name\\.bin";
    list.insert(list.begin(), odd);
    std::string source = rcpack::GenerateResourceSource(list, "test.rc");
    EXPECT_EQ(source, rcpack::GenerateResourceSource(list, "test.rc"));
    // Escaped once for the assembler, once more for the C++ literal.
    EXPECT_NE(source.find(".incbin \\\"" + dir_ + "/odd \\\\\\\"name\\\\\\\\.bin\\\""), std::string::npos);
    EXPECT_NE(source.find(".byte 50,32,68,73,65,76,79,71"), std::string::npos);  // "2 DIALOG"
    EXPECT_NE(source.find("{0, \"Odd\", 1, vexlar_rc_0, vexlar_rc_0_size}"), std::string::npos);
    EXPECT_NE(source.find("{5, nullptr, 2, vexlar_rc_1, vexlar_rc_1_size}"), std::string::npos);
}

TEST_F(ResourceScript, OverlayReplacesOnlyFilesItHolds) {
    // The script lives in sub/; "../a.txt" is outside its folder.
    const std::string overlay = dir_ + "/gen/overlay";
    testsupport::WriteFile(dir_ + "/sub/c.txt", "source");
    testsupport::WriteFile(overlay + "/b.bmp", "BM generated");
    testsupport::WriteFile(dir_ + "/gen/a.txt", "not a replacement");
    auto list = rcpack::ParseResourceScript(
        "1 BITMAP \"b.bmp\"\n"
        "2 CustomData \"c.txt\"\n"
        "3 CustomData \"..\\\\a.txt\"\n"
        "4 DIALOG 0,0,1,1 BEGIN END\n",
        dir_ + "/sub/test.rc");
    rcpack::ApplyOverlay(list, dir_ + "/sub/test.rc", overlay);
    ASSERT_EQ(list.size(), 4u);
    EXPECT_EQ(list[0].file, overlay + "/b.bmp");
    EXPECT_EQ(list[1].file, dir_ + "/sub/c.txt");  // nothing of that name in the overlay
    EXPECT_EQ(list[2].file, dir_ + "/a.txt");
    EXPECT_TRUE(list[3].file.empty());

    // A folder where the overlay's file would be is no replacement.
    testsupport::WriteFile(overlay + "/c.txt/inner", "");
    rcpack::ApplyOverlay(list, dir_ + "/sub/test.rc", overlay);
    EXPECT_EQ(list[1].file, dir_ + "/sub/c.txt");
}
