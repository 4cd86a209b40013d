// fuzz_defaults_file.cpp — feeds the input as the built-in defaults file to
// ParseDefaultsText (config/defaults_file.h) with a table of its own, then
// looks up every setting's key and the web page address as the saver does.
//
// Checks the cleaning contract: at most kDefaultsCapacity entries, keys and
// values without blanks, control bytes, bytes of 128 and above or ";" (a
// comment), and keys without "=".
#include <sanitizer/common_interface_defs.h>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "config/defaults_file.h"
#include "config/setting_table.h"
#include "platform/platform_testing.h"

namespace {

// A broken promise is a finding: said through the sanitizer's report
// channel (libFuzzer may have closed stderr), then an abort.
void Require(bool condition, const char* what) {
    if (condition) return;
    __sanitizer_report_error_summary((std::string("fuzz_defaults_file: ") + what).c_str());
    std::abort();
}

bool IsClean(const std::string& text) {
    for (char c : text)
        if (c <= 32 || c == ';') return false;  // char is signed: bytes of 128 and above are below 0
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // The parser reports malformed lines and missing keys in message boxes.
    platform::SetMessageBoxHandler([](HWND, const std::string&, const std::string&, UINT) { return IDOK; });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto table = std::make_unique<DefaultsTableData>();
    ParseDefaultsText(*table, reinterpret_cast<const char*>(data), size);
    Require(table->count >= 0 && table->count <= kDefaultsCapacity, "the table overflowed");
    for (int i = 0; i < table->count; ++i) {
        const DefaultsEntry& entry = table->entries[i];
        Require(IsClean(entry.key) && IsClean(entry.value), "an entry kept a byte that cleaning drops");
        Require(entry.key.find('=') == std::string::npos, "a key holds the separator");
    }
    for (const SettingInfo& info : kSettingTable) ReadDefaultInt(*table, info.defaultsKey);
    LookupDefault(*table, "main_web_site_url");
    return 0;
}
