// Command lines: program-name stripping, window numbers, the switch letters,
// and the Linux options in front of them.
#include "host/dispatch.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/command_options.h"
#include "platform/dialogs/dialog_box.h"
#include "host_test_support.h"

namespace {

using hosttest::Handle;

constexpr uintptr_t kForeign = 0x1234;  // 4660

int Dispatch(const char* arguments, std::string* out = nullptr) {
    testing::internal::CaptureStdout();
    int result = DispatchMode(GetModuleHandleA(nullptr), arguments);
    std::string printed = testing::internal::GetCapturedStdout();
    if (out) *out = printed;
    return result;
}

StartPlan Plan(std::vector<const char*> args, const char* env = nullptr, uintptr_t (*root)() = nullptr) {
    args.insert(args.begin(), "vexlar3d");
    return PlanStart(static_cast<int>(args.size()), args.data(), env, root);
}

class DispatchTest : public hosttest::HostTest {};

TEST_F(DispatchTest, ProgramNameAndWindowNumbers) {
    EXPECT_STREQ(SkipProgramName("\"C:\\Program Files\\Vexlar 3D.scr\" /s"), "/s");
    EXPECT_STREQ(SkipProgramName("vexlar3d.scr \t\x01\x1f /c:12"), "/c:12");
    EXPECT_STREQ(SkipProgramName("\"\"-s"), "-s");
    EXPECT_STREQ(SkipProgramName("\"C:\\Saver /s /p 12"), "");  // unterminated quote takes all

    EXPECT_EQ(ParseWindowHandle("123x"), 123u);
    EXPECT_EQ(ParseWindowHandle("abc"), 0u);
    EXPECT_EQ(ParseWindowHandle("-5"), 0u);
    EXPECT_EQ(ParseWindowHandle("4294967295"), 0xFFFFFFFFu);
    EXPECT_EQ(ParseWindowHandle("4294967297"), 0u);  // past 32 bits: no window, not window 1
    EXPECT_EQ(ParseWindowHandle("99999999999999999999999"), 0u);
    // No hexadecimal on a switch: read up to the first letter.
    EXPECT_EQ(ParseWindowHandle("0x1A"), 0u);
    EXPECT_EQ(ParseWindowHandle("12x4"), 12u);
}

TEST_F(DispatchTest, SwitchLettersPickTheMode) {
    // The settings dialog runs headless here: nobody answers it, so it gets
    // Escape and the mode ends with IDCANCEL.
    std::vector<int> opened;
    platform::SetModalDialogHook([&](HWND dialog, int templateId) {
        opened.push_back(templateId);
        EXPECT_EQ(platform::DialogOwner(dialog), nullptr);
    });
    for (const char* arguments : {"", "   ", "C", "-c", "/c:abc", "//--c 4660"}) {
        EXPECT_EQ(Dispatch(arguments), IDCANCEL) << arguments;
    }
    platform::SetModalDialogHook({});
    EXPECT_EQ(opened, std::vector<int>(6, 2003));
    // With another saver running, /s only activates it.
    for (const char* arguments : {"s", "/S", "-s", "- /-S", "sx"}) {
        platform::SelectWindowBackend(platform::WindowBackend::Headless);
        platform::HeadlessSetOtherSaverWindow(0x2345);
        EXPECT_EQ(Dispatch(arguments), 0) << arguments;
        EXPECT_EQ(platform::HeadlessLastRaisedWindow(), 0x2345u) << arguments;
    }
    platform::HeadlessAddForeignWindow(kForeign, 200, 150);
    for (const char* arguments : {"x", "/X", "1", "/p", "/p 0", "/p abc", "/p 999", "-l", "/l 12x", "/a 4660",
                                  "/p 4294971956", "/l 0x1234"}) {
        std::string out;
        EXPECT_EQ(Dispatch(arguments, &out), -1) << arguments;
        EXPECT_TRUE(out.empty() && Host.saverWindow == nullptr) << arguments;
    }
}

TEST_F(DispatchTest, PreviewSwitchesRunInsideTheNamedWindow) {
    for (const char* arguments : {"/p 4660", "/P4660", "-l   4660abc"}) {
        platform::SelectWindowBackend(platform::WindowBackend::Headless);
        platform::HeadlessAddForeignWindow(kForeign, 200, 150);
        ResetHostState();
        PostQuitMessage(7);  // ends the loop as soon as it starts
        EXPECT_EQ(Dispatch(arguments), 7) << arguments;
        ASSERT_NE(Host.saverWindow, nullptr) << arguments;
        EXPECT_TRUE(Host.isPreview);
        EXPECT_EQ(GetParent(Host.saverWindow), Handle(kForeign));
        RECT client = {};
        GetClientRect(Host.saverWindow, &client);
        EXPECT_EQ(client.right, 200);
        EXPECT_EQ(client.bottom, 150);
    }
}

TEST_F(DispatchTest, SettingsOwnerComesOnlyAfterAColon) {
    platform::HeadlessAddForeignWindow(kForeign, 200, 150);
    EXPECT_EQ(ConfigDialogOwner(":4660"), Handle(kForeign));
    for (const char* rest : {" 4660", ": 4660", ":0", ":999", "", ":4294971956"}) {
        EXPECT_EQ(ConfigDialogOwner(rest), GetForegroundWindow()) << rest;
        EXPECT_NE(ConfigDialogOwner(rest), Handle(kForeign)) << rest;
    }
}

TEST_F(DispatchTest, HostMainEndsTheProcessWithTheModeResult) {
    struct ExitCalled {
        UINT code;
    };
    platform::SetExitProcessHook([](UINT code) { throw ExitCalled{code}; });
    auto run = [](const char* commandLine) {
        platform::SetCommandLineText(commandLine);
        testing::internal::CaptureStdout();
        UINT code = 12345;
        try {
            HostMain();
        } catch (const ExitCalled& exit) {
            code = exit.code;
        }
        testing::internal::GetCapturedStdout();
        return code;
    };
    EXPECT_EQ(run("\"C:\\Program Files\\Vexlar 3D.scr\" /x"), 0xFFFFFFFFu);
    EXPECT_EQ(run("\"vexlar3d /x"), static_cast<UINT>(IDCANCEL));  // the settings dialog, left unanswered
    EXPECT_EQ(Host.instance, GetModuleHandleA(nullptr));
}

TEST_F(DispatchTest, LongOptionsPrintOrRefuse) {
    StartPlan help = Plan({"--help"});
    EXPECT_TRUE(help.exitNow && help.exitCode == 0);
    for (const char* word : {"/p N", "/c[:N]", "/a N", "-root", "-window-id ID", "--version", "XSCREENSAVER_WINDOW",
                             "XDG_CONFIG_HOME"}) {
        EXPECT_NE(help.out.find(word), std::string::npos) << word;
    }
    EXPECT_EQ(Plan({"/s", "--version"}).out, "vexlar3d " VEXLAR_VERSION "\n");

    StartPlan unknown = Plan({"--bogus"});
    EXPECT_TRUE(unknown.exitNow && unknown.exitCode == 2 && unknown.out.empty());
    EXPECT_NE(unknown.err.find("--help"), std::string::npos);
    // Single-dash words, unknown letters included, are the dispatcher's.
    EXPECT_EQ(Plan({"-x"}).arguments, (std::vector<std::string>{"vexlar3d", "-x"}));
}

TEST_F(DispatchTest, XscreensaverWindowsBecomeTheLSwitch) {
    using Args = std::vector<std::string>;
    EXPECT_EQ(Plan({"-window-id", "0x1a00003"}).arguments, (Args{"vexlar3d", "/l", "27262979"}));
    EXPECT_EQ(Plan({"-window-id", "010", "-install"}).arguments, (Args{"vexlar3d", "/l", "10"}));
    for (const char* bad : {"0", "12abc", "0x", "0x100000000", "-5"}) {
        EXPECT_EQ(Plan({"-window-id", bad}).exitCode, 2) << bad;
    }
    EXPECT_EQ(Plan({"-window-id"}).exitCode, 2);
    EXPECT_EQ(Plan({"-root"}, nullptr, [] { return uintptr_t{0x2a}; }).arguments, (Args{"vexlar3d", "/l", "42"}));
    StartPlan noDisplay = Plan({"-root"}, nullptr, [] { return uintptr_t{0}; });
    EXPECT_TRUE(noDisplay.exitNow && noDisplay.exitCode != 0 && !noDisplay.err.empty());

    // The environment counts only when nothing is on the command line.
    EXPECT_EQ(Plan({}, "0x10").arguments, (Args{"vexlar3d", "/l", "16"}));
    EXPECT_EQ(Plan({"/s"}, "0x10").arguments, (Args{"vexlar3d", "/s"}));
    EXPECT_EQ(Plan({}, "window").exitCode, 2);

    // The rewritten line survives quoting and reaches the preview path.
    platform::HeadlessAddForeignWindow(kForeign, 320, 240);
    const char* argv[] = {"/opt/my savers/vexlar3d", "-window-id", "0x1234"};
    StartPlan plan = PlanStart(3, argv, nullptr, nullptr);
    std::vector<const char*> args;
    for (const std::string& a : plan.arguments) args.push_back(a.c_str());
    platform::SetCommandLine(static_cast<int>(args.size()), args.data());
    PostQuitMessage(0);
    EXPECT_EQ(Dispatch(SkipProgramName(GetCommandLineA())), 0);
    EXPECT_EQ(GetParent(Host.saverWindow), Handle(kForeign));
}

}  // namespace
