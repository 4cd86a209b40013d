// The registry calls over the .reg-file store: values through the file, Win32
// result codes, damaged files kept aside, interrupted writes and concurrent
// writers.
#include <gtest/gtest.h>
#include <signal.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/platform_testing.h"
#include "platform/registry/registry_file.h"
#include "test_support.h"

namespace fs = std::filesystem;

namespace {

const char kKey[] = "Software\\Vexlar Test\\Settings";

class RegistryStore : public ::testing::Test {
protected:
    void SetUp() override {
        const char* saved = std::getenv("XDG_CONFIG_HOME");
        hadSaved_ = saved != nullptr;
        if (saved) saved_ = saved;
        home_ = testsupport::MakeTempDir("vexlar-registry-");
        setenv("XDG_CONFIG_HOME", home_.c_str(), 1);
        file_ = platform::RegistryFilePath();
    }
    void TearDown() override {
        platform::registry::SetWriteStepHookForTests({});
        if (hadSaved_)
            setenv("XDG_CONFIG_HOME", saved_.c_str(), 1);
        else
            unsetenv("XDG_CONFIG_HOME");
        testsupport::RemoveTree(home_);
    }

    HKEY Open(REGSAM access) {
        HKEY key = nullptr;
        EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, access, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        return key;
    }
    static LONG ReadDword(HKEY key, const char* name, DWORD& value) {
        DWORD type = 0, size = sizeof value;
        value = 0;
        LONG rc = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
        if (rc == ERROR_SUCCESS && (type != REG_DWORD || size != 4)) return ERROR_BADDB;
        return rc;
    }
    static LONG WriteDword(HKEY key, const char* name, DWORD value) {
        return RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
    }
    std::vector<std::string> FilesLike(const std::string& prefix) const {
        std::vector<std::string> found;
        for (const auto& entry : fs::directory_iterator(fs::path(file_).parent_path()))
            if (entry.path().filename().string().rfind(prefix, 0) == 0) found.push_back(entry.path().string());
        return found;
    }

    std::string home_, file_, saved_;
    bool hadSaved_ = false;
};

}  // namespace

TEST_F(RegistryStore, ValuesTravelThroughTheFileInRegFormat) {
    EXPECT_EQ(file_, home_ + "/vexlar3d/registry.reg");
    HKEY key = nullptr;
    DWORD disposition = 0;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr, &key,
                              &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, static_cast<DWORD>(REG_CREATED_NEW_KEY));
    ASSERT_NE(key, nullptr);
    EXPECT_NE(key, HKEY_CURRENT_USER);
    EXPECT_EQ(WriteDword(key, "ShowFPS", 2), ERROR_SUCCESS);
    const char title[] = "Vexlar \"3D\" C:\\saver";
    EXPECT_EQ(RegSetValueExA(key, "Title", 0, REG_SZ, reinterpret_cast<const BYTE*>(title), sizeof title),
              ERROR_SUCCESS);
    EXPECT_FALSE(fs::exists(file_));  // recorded on the key until flushed
    EXPECT_EQ(RegFlushKey(key), ERROR_SUCCESS);
    EXPECT_EQ(testsupport::ReadFile(file_),
              "Windows Registry Editor Version 5.00\n"
              "\n"
              "[HKEY_CURRENT_USER\\Software\\Vexlar Test\\Settings]\n"
              "\"ShowFPS\"=dword:00000002\n"
              "\"Title\"=\"Vexlar \\\"3D\\\" C:\\\\saver\"\n"
              "\n");
    EXPECT_EQ(WriteDword(key, "ShowFPS", 1), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE);

    // Names compare without case and keep the spelling already stored.
    HKEY reopened = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "SOFTWARE\\vexlar test\\settings", 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &reopened, &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, static_cast<DWORD>(REG_OPENED_EXISTING_KEY));
    EXPECT_NE(reopened, key);  // closed handles are not handed out again
    DWORD value = 0;
    EXPECT_EQ(ReadDword(reopened, "showfps", value), ERROR_SUCCESS);
    EXPECT_EQ(value, 1u);
    char text[64] = {};
    DWORD size = sizeof text;
    EXPECT_EQ(RegQueryValueExA(reopened, "TITLE", nullptr, nullptr, reinterpret_cast<BYTE*>(text), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(std::string(text, size), std::string(title, sizeof title));
    EXPECT_EQ(WriteDword(reopened, "SHOWFPS", 2), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(reopened), ERROR_SUCCESS);
    std::string stored = testsupport::ReadFile(file_);
    EXPECT_NE(stored.find("\"ShowFPS\"=dword:00000002\n"), std::string::npos) << stored;
    EXPECT_EQ(stored.find("SHOWFPS"), std::string::npos);
}

TEST_F(RegistryStore, ResultCodesFollowWin32) {
    HKEY key = Open(KEY_ALL_ACCESS);
    const char text[] = "abcdef";
    ASSERT_EQ(RegSetValueExA(key, "Text", 0, REG_SZ, reinterpret_cast<const BYTE*>(text), sizeof text), ERROR_SUCCESS);

    DWORD type = 99, size = 99;
    BYTE buffer[16] = {};
    EXPECT_EQ(RegQueryValueExA(key, "Missing", nullptr, &type, buffer, &size), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(type, static_cast<DWORD>(REG_NONE));
    size = 0;
    EXPECT_EQ(RegQueryValueExA(key, "Text", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 7u);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    size = 4;
    EXPECT_EQ(RegQueryValueExA(key, "Text", nullptr, &type, buffer, &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, 7u);
    EXPECT_EQ(RegQueryValueExA(key, "Text", nullptr, &type, buffer, nullptr), ERROR_INVALID_PARAMETER);
    DWORD reserved = 0;
    EXPECT_EQ(RegQueryValueExA(key, "Text", &reserved, &type, buffer, &size), ERROR_INVALID_PARAMETER);

    // Access is checked against what the key was opened with.
    HKEY reader = nullptr, writer = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, kKey, 0, KEY_READ, &reader), ERROR_SUCCESS);
    EXPECT_EQ(WriteDword(reader, "ShowFPS", 2), ERROR_ACCESS_DENIED);
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, kKey, 0, KEY_WRITE, &writer), ERROR_SUCCESS);
    DWORD value = 0;
    EXPECT_EQ(ReadDword(writer, "Text", value), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegCloseKey(writer), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(reader), ERROR_SUCCESS);
    HKEY child = reinterpret_cast<HKEY>(1);
    EXPECT_EQ(RegOpenKeyA(HKEY_CURRENT_USER, "Control Panel\\Desktop", &child), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(child, nullptr);

    // Handles and arguments.
    HKEY bogus = reinterpret_cast<HKEY>(static_cast<uintptr_t>(0x1234));
    EXPECT_EQ(ReadDword(bogus, "Text", value), ERROR_INVALID_HANDLE);
    EXPECT_EQ(WriteDword(nullptr, "Text", 1), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegFlushKey(bogus), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_READ, nullptr, nullptr, nullptr),
              ERROR_INVALID_PARAMETER);
    for (const char* bad : {"\\Leading", "Two\\\\Parts", "Line\nBreak"}) {
        child = reinterpret_cast<HKEY>(1);
        EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, bad, 0, nullptr, 0, KEY_READ, nullptr, &child, nullptr),
                  ERROR_INVALID_PARAMETER)
            << bad;
        EXPECT_EQ(child, nullptr);
    }
    EXPECT_EQ(RegSetValueExA(key, "Text", 0, REG_BINARY, nullptr, 4), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
}

TEST_F(RegistryStore, KeepsWhatItDoesNotUnderstand) {
    const std::string original =
        "\xEF\xBB\xBFWindows Registry Editor Version 5.00\r\n"
        "\r\n"
        "; kept by hand\r\n"
        "[HKEY_CURRENT_USER\\Software\\Vexlar Test\\Settings]\r\n"
        "\"ShowFPS\"=dword:00000001\r\n"
        "\"Future\"=qword:0000000000000007\r\n"
        "\"Wide\"=hex(2):25,00,54,00,00,00\r\n"
        "\r\n"
        "[HKEY_CURRENT_USER\\Software\\Someone Else]\r\n"
        "\"Theirs\"=\"keep me\"\r\n"
        "\r\n"
        "[HKEY_USERS\\.DEFAULT]\r\n"
        "\"Elsewhere\"=dword:00000003\r\n";
    testsupport::WriteFile(file_, original);
    HKEY key = Open(KEY_ALL_ACCESS);
    DWORD value = 0;
    EXPECT_EQ(ReadDword(key, "Future", value), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(WriteDword(key, "ShowFPS", 2), ERROR_SUCCESS);
    EXPECT_EQ(WriteDword(key, "Music", 1), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_EQ(testsupport::ReadFile(file_),
              "Windows Registry Editor Version 5.00\n"
              "\n"
              "; kept by hand\n"
              "[HKEY_CURRENT_USER\\Software\\Vexlar Test\\Settings]\n"
              "\"ShowFPS\"=dword:00000002\n"
              "\"Future\"=qword:0000000000000007\n"
              "\"Wide\"=hex(2):25,00,54,00,00,00\n"
              "\"Music\"=dword:00000001\n"
              "\n"
              "[HKEY_CURRENT_USER\\Software\\Someone Else]\n"
              "\"Theirs\"=\"keep me\"\n"
              "\n"
              "[HKEY_USERS\\.DEFAULT]\n"
              "\"Elsewhere\"=dword:00000003\n");
}

// What stands in the settings file's place, and what reading and writing do
// with it: every value that still reads is used; only a regular file is ever
// renamed (kept aside whole) or replaced; anything else is left alone and a
// write to it fails instead of passing for a stored one. One line a case.
TEST_F(RegistryStore, DamagedOrForeignFilesKeepEveryValueAndNeverLoseAnything) {
    const std::string header = "Windows Registry Editor Version 5.00\n\n";
    const std::string section = "[HKEY_CURRENT_USER\\Software\\Vexlar Test\\Settings]\n";
    const std::string good = header + section + "\"ShowFPS\"=dword:00000002\n\"Title\"=\"flight\"\n";
    std::string utf16 = "\xFF\xFE";  // as a Windows editor saves it: little-endian, CR LF
    for (char c : header + section + "\"ShowFPS\"=dword:00000002\n") {
        if (c == '\n') utf16 += std::string("\r\0", 2);
        utf16 += std::string(1, c) + '\0';
    }
    enum class Place { File, LinkToFile, LinkToFolder, LinkToNothing, Fifo, Folder, NoPermission };
    struct Case {
        const char* name;
        Place place;
        std::string bytes;
        bool readsShowFps;  // the value ShowFPS=2 is still read
        bool writes;        // a write succeeds
        bool keptAside;     // the old file is renamed aside whole before the write
    };
    const std::vector<Case> cases = {
        {"not a settings file", Place::File, std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16), false, true, true},
        {"no header", Place::File, section + "\"ShowFPS\"=dword:00000002\n", false, true, true},
        {"cut in a string", Place::File, header + section + "\"ShowFPS\"=dword:00000002\n\"Title\"=\"cut off he",
         true, true, true},
        {"a NUL byte appended", Place::File, good + std::string("\0", 1), true, true, true},
        {"a garbage line first", Place::File, header + section + "%%garbage%%\n\"ShowFPS\"=dword:00000002\n", true,
         true, true},
        {"a broken header above", Place::File, header + "[HKEY_CURRENT_USER\\Broken\n\"X\"=dword:1\n" + section +
         "\"ShowFPS\"=dword:00000002\n", true, true, true},
        {"a bad byte in the header", Place::File, "Windows Registry Edit\xf6r Version 5.00\n\n" + section +
         "\"ShowFPS\"=dword:00000002\n", true, true, true},
        {"a bad byte after the section's key", Place::File, header + section.substr(0, section.size() - 1) +
         "\x01\n\"ShowFPS\"=dword:00000002\n", true, true, true},
        {"a bad byte in the section's key", Place::File, header + "[HKEY_CURRENT_USER\\Other]\n" +
         section.substr(0, 10) + "\xff" + section.substr(11) + "\"ShowFPS\"=dword:00000002\n", false, true, true},
        {"UTF-16", Place::File, utf16, true, true, false},
        {"good", Place::File, good, true, true, false},
        {"a link to a good file", Place::LinkToFile, good, true, true, false},
        {"a link to a folder", Place::LinkToFolder, "", false, false, false},
        {"a link to nothing", Place::LinkToNothing, "", false, false, false},
        {"a FIFO", Place::Fifo, "", false, false, false},
        {"a folder", Place::Folder, "", false, false, false},
        {"no permission to read", Place::NoPermission, good, false, false, false},
    };
    const std::string elsewhere = home_ + "/elsewhere";
    for (const Case& c : cases) {
        if (c.place == Place::NoPermission && geteuid() == 0) continue;  // permissions do not bind root
        fs::remove_all(fs::path(file_).parent_path());
        fs::remove_all(elsewhere);
        fs::create_directories(fs::path(file_).parent_path());
        fs::create_directories(elsewhere);
        const std::string target = elsewhere + "/settings.reg";
        switch (c.place) {
        case Place::File: testsupport::WriteFile(file_, c.bytes); break;
        case Place::NoPermission: testsupport::WriteFile(file_, c.bytes); chmod(file_.c_str(), 0); break;
        case Place::LinkToFile: testsupport::WriteFile(target, c.bytes); fs::create_symlink(target, file_); break;
        case Place::LinkToFolder: fs::create_symlink(elsewhere, file_); break;
        case Place::LinkToNothing: fs::create_symlink(target, file_); break;
        case Place::Fifo: mkfifo(file_.c_str(), 0600); break;
        case Place::Folder: fs::create_directory(file_); break;
        }
        testing::internal::CaptureStderr();
        HKEY key = nullptr;
        RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
        DWORD value = 0;
        EXPECT_EQ(key && ReadDword(key, "ShowFPS", value) == ERROR_SUCCESS && value == 2, c.readsShowFps) << c.name;
        LONG written = key ? WriteDword(key, "Round", 7) : ERROR_CANTWRITE;
        if (written == ERROR_SUCCESS && key) written = RegFlushKey(key);
        if (key) RegCloseKey(key);
        const std::string said = testing::internal::GetCapturedStderr();
        EXPECT_EQ(written == ERROR_SUCCESS, c.writes) << c.name << ": " << said;

        const std::vector<std::string> aside = FilesLike("registry.reg.damaged-");
        EXPECT_EQ(aside.size(), c.keptAside ? 1u : 0u) << c.name;
        if (c.keptAside && aside.size() == 1) {
            EXPECT_EQ(testsupport::ReadFile(aside[0]), c.bytes) << c.name << ": kept whole";
            EXPECT_NE(said.find(aside[0]), std::string::npos) << c.name << ": " << said;
        }
        if (!c.writes) {
            EXPECT_NE(platform::RegistryWriteFailure().find(file_), std::string::npos) << c.name;
            EXPECT_NE(said.find(file_), std::string::npos) << c.name << ": warned";
        }
        // Whatever is not ours is still there as it was.
        std::error_code ec;
        const bool link = c.place == Place::LinkToFolder || c.place == Place::LinkToNothing || c.place == Place::LinkToFile;
        EXPECT_EQ(fs::is_symlink(file_, ec), link) << c.name;
        EXPECT_TRUE(c.place != Place::LinkToFolder || fs::is_directory(elsewhere, ec)) << c.name;
        EXPECT_TRUE(c.place != Place::LinkToNothing || !fs::exists(target, ec)) << c.name;
        EXPECT_TRUE(c.place != Place::Fifo || fs::is_fifo(file_, ec)) << c.name;
        EXPECT_TRUE(c.place != Place::Folder || fs::is_directory(file_, ec)) << c.name;
        if (c.place == Place::NoPermission) {
            chmod(file_.c_str(), 0600);
            EXPECT_EQ(testsupport::ReadFile(file_), c.bytes) << c.name;
        }
        // A write that succeeded kept every value that still read.
        if (c.writes) {
            HKEY again = Open(KEY_READ);
            EXPECT_EQ(ReadDword(again, "ShowFPS", value) == ERROR_SUCCESS && value == 2, c.readsShowFps) << c.name;
            EXPECT_EQ(ReadDword(again, "Round", value), ERROR_SUCCESS) << c.name;
            RegCloseKey(again);
        }
        if (c.place == Place::LinkToFile) {
            EXPECT_NE(testsupport::ReadFile(target).find("\"Round\""), std::string::npos) << "written through the link";
        }
    }
}

TEST_F(RegistryStore, AWriterKilledAtAnyStepLeavesTheOldOrTheNewFileWhole) {
    using platform::registry::WriteStep;
    HKEY key = Open(KEY_ALL_ACCESS);
    ASSERT_EQ(WriteDword(key, "Width", 800), ERROR_SUCCESS);
    ASSERT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    const std::string before = testsupport::ReadFile(file_);

    struct Case {
        WriteStep step;
        DWORD expected;  // the width read after the crash: the old file or the new
    };
    const std::vector<Case> cases = {
        {WriteStep::Opened, 800},  {WriteStep::Written, 800}, {WriteStep::Synced, 800},
        {WriteStep::Closed, 800},  {WriteStep::Renamed, 1024}, {WriteStep::FolderSynced, 1024},
    };
    for (const Case& c : cases) {
        testsupport::WriteFile(file_, before);
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            const WriteStep at = c.step;
            platform::registry::SetWriteStepHookForTests([at](WriteStep step) {
                if (step == at) raise(SIGKILL);
            });
            HKEY k = nullptr;
            RegOpenKeyExA(HKEY_CURRENT_USER, kKey, 0, KEY_WRITE, &k);
            DWORD width = 1024;
            RegSetValueExA(k, "Width", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&width), 4);
            RegCloseKey(k);
            _exit(0);
        }
        const int step = static_cast<int>(c.step);
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status)) << "step " << step;
        const std::string after = testsupport::ReadFile(file_);
        if (c.expected == 800) {
            EXPECT_EQ(after, before) << "step " << step;
        }
        key = Open(KEY_READ);
        DWORD value = 0;
        EXPECT_EQ(ReadDword(key, "Width", value), ERROR_SUCCESS) << "step " << step;
        EXPECT_EQ(value, c.expected) << "step " << step;
        EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);

        // The next writer clears what the dead one left and keeps every value.
        key = Open(KEY_ALL_ACCESS);
        EXPECT_EQ(WriteDword(key, "Height", 600), ERROR_SUCCESS);
        EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
        EXPECT_TRUE(FilesLike("registry.reg.tmp-").empty()) << "step " << step;
        EXPECT_TRUE(FilesLike("registry.reg.damaged-").empty()) << "step " << step;
        key = Open(KEY_READ);
        EXPECT_EQ(ReadDword(key, "Width", value), ERROR_SUCCESS);
        EXPECT_EQ(value, c.expected) << "step " << step;
        EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    }
}

// Each case runs in a child that may drop its rights, limit its file size or
// mount a nearly full file system over the settings folder; the write must
// fail, say why and where, and leave the old file as it was.
TEST_F(RegistryStore, AWriteThatCannotBeDoneIsReportedAndLosesNothing) {
    HKEY key = Open(KEY_ALL_ACCESS);
    ASSERT_EQ(WriteDword(key, "Width", 800), ERROR_SUCCESS);
    ASSERT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    const std::string folder = fs::path(file_).parent_path().string();
    const std::string before = testsupport::ReadFile(file_);

    enum class Fault { ReadOnlyFolder, FileSizeLimit, FullDisk };
    struct Case {
        const char* name;
        Fault fault;
        const char* reason;  // strerror's words for the errno expected
    };
    const std::vector<Case> cases = {
        {"an ordinary user in a folder not theirs", Fault::ReadOnlyFolder, "Permission denied"},
        {"a file-size limit", Fault::FileSizeLimit, "File too large"},
        {"a full disk", Fault::FullDisk, "No space left on device"},
    };
    // Exit codes of the child: 0 as expected, 1 a check failed, 77 the fault
    // could not be set up here.
    constexpr int kCannotSetUp = 77;
    for (const Case& c : cases) {
        int pipeFds[2];
        ASSERT_EQ(pipe(pipeFds), 0);
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            close(pipeFds[0]);
            auto say = [&](const std::string& text) { (void)!write(pipeFds[1], text.data(), text.size()); };
            switch (c.fault) {
            case Fault::ReadOnlyFolder:
                if (geteuid() == 0) {
                    // Root is bound by no permission: the child becomes nobody,
                    // who may read the settings but not write in their folder.
                    chmod(home_.c_str(), 0755);
                    chmod(folder.c_str(), 0755);
                    chmod(file_.c_str(), 0644);
                    if (setgid(65534) != 0 || setuid(65534) != 0) _exit(kCannotSetUp);
                } else {
                    chmod(folder.c_str(), 0555);
                }
                break;
            case Fault::FileSizeLimit: {
                platform::InstallTerminationHandlers();  // the saver's own set-up: SIGXFSZ ignored
                struct rlimit limit {16, 16};
                if (setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(kCannotSetUp);
                break;
            }
            case Fault::FullDisk: {
                // A private mount of a one-page file system, filled, over a copy of the folder.
                if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
                    mount("tmpfs", folder.c_str(), "tmpfs", 0, "size=4k") != 0)
                    _exit(kCannotSetUp);
                testsupport::WriteFile(file_, before);
                testsupport::WriteFile(folder + "/filler", std::string(8192, 'x'));
                break;
            }
            }
            HKEY k = nullptr;
            LONG rc = RegOpenKeyExA(HKEY_CURRENT_USER, kKey, 0, KEY_WRITE, &k);
            DWORD width = 1024;
            if (rc == ERROR_SUCCESS) rc = RegSetValueExA(k, "Width", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&width), 4);
            if (rc == ERROR_SUCCESS) rc = RegFlushKey(k);
            if (k) RegCloseKey(k);
            const std::string why = platform::RegistryWriteFailure();
            bool good = rc != ERROR_SUCCESS && why.find(file_) != std::string::npos &&
                        why.find(c.reason) != std::string::npos && testsupport::ReadFile(file_) == before &&
                        FilesLike("registry.reg.tmp-").empty();
            say("rc " + std::to_string(rc) + ", said '" + why + "', file " +
                (testsupport::ReadFile(file_) == before ? "as it was" : "changed"));
            _exit(good ? 0 : 1);
        }
        close(pipeFds[1]);
        std::string said;
        char buffer[256];
        for (ssize_t n; (n = read(pipeFds[0], buffer, sizeof buffer)) > 0;) said.append(buffer, static_cast<size_t>(n));
        close(pipeFds[0]);
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status)) << c.name << ": ended by signal " << WTERMSIG(status);
        if (WEXITSTATUS(status) == kCannotSetUp) {
            std::printf("note: '%s' cannot be set up on this machine (no rights to do so); not tried\n", c.name);
            continue;
        }
        EXPECT_EQ(WEXITSTATUS(status), 0) << c.name << ": " << said;
        EXPECT_EQ(testsupport::ReadFile(file_), before) << c.name;
    }
}

TEST_F(RegistryStore, ConcurrentWritersKeepEachOthersValues) {
    constexpr int kWriters = 4, kRounds = 25;
    std::vector<pid_t> children;
    for (int w = 0; w < kWriters; ++w) {
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            std::string name = "Writer" + std::to_string(w);
            int failures = 0;
            for (DWORD round = 1; round <= kRounds; ++round) {
                HKEY k = nullptr;
                failures += RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_WRITE, nullptr, &k, nullptr) !=
                            ERROR_SUCCESS;
                failures += RegSetValueExA(k, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&round), 4) !=
                            ERROR_SUCCESS;
                failures += RegCloseKey(k) != ERROR_SUCCESS;
            }
            _exit(failures == 0 ? 0 : 1);
        }
        children.push_back(child);
    }
    for (pid_t child : children) {
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    HKEY key = Open(KEY_READ);
    for (int w = 0; w < kWriters; ++w) {
        DWORD value = 0;
        EXPECT_EQ(ReadDword(key, ("Writer" + std::to_string(w)).c_str(), value), ERROR_SUCCESS);
        EXPECT_EQ(value, static_cast<DWORD>(kRounds)) << "writer " << w;
    }
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_TRUE(FilesLike("registry.reg.tmp-").empty());
}
