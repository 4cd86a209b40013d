// fuzz_registry_file.cpp — feeds the input as the text of the registry file
// to ParseRegDocument (platform/registry/reg_document.h) and, when it holds
// the settings key, through the file itself to ReadSettings
// (config/registry_settings.h).
//
// Checks what the store relies on: a document written back reads back the
// same (nothing is lost or gained by a save), a value set in it by the commit
// path reads back as set, and the settings ReadSettings yields are the ones
// the document's dword values give. ReadSettings only runs on documents that
// have the key, since it creates a missing one (a file write per input).
#include <fcntl.h>
#include <unistd.h>

#include <sanitizer/common_interface_defs.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "config/registry_settings.h"
#include "config/setting_table.h"
#include "platform/platform_testing.h"
#include "platform/registry/reg_document.h"

using namespace platform::registry;

namespace {

std::string g_home;

// A broken promise is a finding: said through the sanitizer's report
// channel (libFuzzer may have closed stderr), then an abort.
void Require(bool condition, const char* what) {
    if (condition) return;
    __sanitizer_report_error_summary((std::string("fuzz_registry_file: ") + what).c_str());
    std::abort();
}

bool SameLine(const RegLine& a, const RegLine& b) {
    return a.kind == b.kind && a.text == b.text && a.name == b.name && a.value.type == b.value.type &&
           a.value.data == b.value.data;
}

bool SameDocument(const RegDocument& a, const RegDocument& b) {
    if (a.preamble != b.preamble || a.sections.size() != b.sections.size()) return false;
    for (size_t s = 0; s < a.sections.size(); ++s) {
        const RegSection& x = a.sections[s];
        const RegSection& y = b.sections[s];
        if (x.header != y.header || x.root != y.root || x.path != y.path || x.lines.size() != y.lines.size())
            return false;
        for (size_t l = 0; l < x.lines.size(); ++l)
            if (!SameLine(x.lines[l], y.lines[l])) return false;
    }
    return true;
}

void WriteRegistryFile(std::string_view bytes) {
    const std::string path = platform::RegistryFilePath();
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    Require(fd >= 0, "cannot write the registry file");
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        Require(n > 0, "short write of the registry file");
        done += static_cast<size_t>(n);
    }
    close(fd);
}

// What ReadSettings must make of `start` for the values the document holds.
Settings ExpectedSettings(const RegDocument& doc, Settings start, bool* predictable) {
    *predictable = true;
    for (const SettingInfo& info : kSettingTable) {
        const RegLine* line = FindRegValue(doc, RegRoot::CurrentUser, kSettingsRegistryKey, info.valueName);
        if (!line || line->kind != RegLine::Kind::Value || line->value.type != REG_DWORD) continue;
        const std::vector<BYTE>& d = line->value.data;
        if (d.size() != 4) {
            *predictable = false;  // a short dword reads as its bytes, a long one as absent
            continue;
        }
        const DWORD stored = d[0] | d[1] << 8 | d[2] << 16 | static_cast<DWORD>(d[3]) << 24;
        if (info.kind == SettingKind::Flag) {
            if (stored == 2) start.*info.field = 1;
            if (stored == 1) start.*info.field = 0;
        } else if (stored != 0 && SettingValueAllowed(info, static_cast<int32_t>(stored))) {
            start.*info.field = static_cast<int32_t>(stored);  // out of range: ignored, as missing
        }
    }
    return start;
}

void RemoveHome() {
    std::error_code ignored;
    std::filesystem::remove_all(g_home, ignored);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    char folder[] = "/tmp/vexlar-fuzz-registry-XXXXXX";
    Require(mkdtemp(folder) != nullptr, "cannot make a temporary folder");
    g_home = folder;
    setenv("XDG_CONFIG_HOME", folder, 1);
    std::filesystem::create_directories(g_home + "/vexlar3d");
    std::atexit(RemoveHome);
    platform::SetMessageBoxHandler([](HWND, const std::string&, const std::string&, UINT) { return IDOK; });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    RegDocument doc;
    if (!ParseRegDocument(bytes, doc)) {
        Require(doc.sections.empty() && doc.preamble.empty(), "a refused document was not left empty");
        return 0;
    }

    // Written back, it reads back the same.
    const std::string text = SerializeRegDocument(doc);
    RegDocument again;
    Require(ParseRegDocument(text, again), "a written document does not read back");
    Require(SameDocument(doc, again), "a written document reads back different");
    Require(SerializeRegDocument(again) == text, "a document is written differently the second time");

    // A value set as a commit sets it reads back as set, whatever its type.
    const SettingInfo& setting = kSettingTable[size % kSettingCount];
    RegValue value;
    value.type = size > 0 ? data[0] % 12 : REG_DWORD;
    value.data.assign(data, data + (size < 40 ? size : 40));
    if (value.type == REG_DWORD) value.data.resize(4);
    SetRegValue(again, RegRoot::CurrentUser, kSettingsRegistryKey, setting.valueName, value);
    RegDocument stored;
    Require(ParseRegDocument(SerializeRegDocument(again), stored), "a document with a set value does not read back");
    const RegLine* line = FindRegValue(stored, RegRoot::CurrentUser, kSettingsRegistryKey, setting.valueName);
    Require(line && line->kind == RegLine::Kind::Value && line->value.type == value.type &&
                line->value.data == value.data,
            "a set value reads back different");

    // The settings through the file, the way the saver reads them.
    if (!RegKeyExists(doc, RegRoot::CurrentUser, kSettingsRegistryKey)) return 0;
    WriteRegistryFile(bytes);
    Settings start = BuiltInSettings;
    start.MusicVolume = -7;  // no stored value can give this: a field left alone shows
    Settings read = start;
    ReadSettings(read);
    bool predictable = false;
    const Settings expected = ExpectedSettings(doc, start, &predictable);
    if (predictable) Require(std::memcmp(&read, &expected, sizeof read) == 0, "ReadSettings disagrees with the file");
    return 0;
}
