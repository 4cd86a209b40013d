// Message boxes: code page 1251 texts, the test handler and the stderr form.
#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "platform/platform_testing.h"
#include "test_support.h"

TEST(MessageBox, ConvertsCp1251AndKeepsUtf8) {
    EXPECT_EQ(platform::ToUtf8FromAnsi("\xCD\xE5 \xED\xE0\xE9\xE4\xE5\xED"), "Не найден");
    EXPECT_EQ(platform::ToUtf8FromAnsi("\xA8\xB8\xB9\x88\x98"), "Ёё№€\xEF\xBF\xBD");
    EXPECT_EQ(platform::ToUtf8FromAnsi("Не найден"), "Не найден");
    EXPECT_EQ(platform::ToUtf8FromAnsi("plain"), "plain");
    EXPECT_EQ(platform::ToUtf8FromAnsi(nullptr), "");

    testsupport::MessageBoxes().clear();
    EXPECT_EQ(MessageBoxA(nullptr, "\xED\xE5\xEF\xF0\xE0\xE2\xE8\xEB\xFC\xED\xFB\xE9", "showfps", MB_OK), IDOK);
    ASSERT_EQ(testsupport::MessageBoxes().size(), 1u);
    EXPECT_EQ(testsupport::MessageBoxes()[0].text, "неправильный");
    EXPECT_EQ(testsupport::MessageBoxes()[0].caption, "showfps");
    testsupport::MessageBoxes().clear();
}

TEST(MessageBox, WritesToStderrWithoutDisplay) {
    std::optional<std::string> display, wayland;
    if (const char* v = std::getenv("DISPLAY")) display = v;
    if (const char* v = std::getenv("WAYLAND_DISPLAY")) wayland = v;
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    platform::SetMessageBoxHandler(nullptr);

    ::testing::internal::CaptureStderr();
    int withCaption = MessageBoxA(nullptr, "text", "Caption", MB_OK);
    int withoutCaption = MessageBoxA(nullptr, "\xF4\xE0\xE9\xEB", "", MB_OKCANCEL);
    std::string err = ::testing::internal::GetCapturedStderr();

    testsupport::CaptureMessageBoxes();
    if (display) setenv("DISPLAY", display->c_str(), 1);
    if (wayland) setenv("WAYLAND_DISPLAY", wayland->c_str(), 1);

    EXPECT_EQ(err, "vexlar3d: Caption: text\nvexlar3d: файл\n");
    EXPECT_EQ(withCaption, IDOK);
    EXPECT_EQ(withoutCaption, IDCANCEL);
}
