// fuzz_string_table.cpp — feeds the input as the localization file to
// ParseStringTable (config/string_table.h), then looks up the keys the dialogs
// use and every key the input names, and cuts the About text into lines.
//
// Checks the table's bounds and that no line keeps a CR, LF or NUL.
#include <sanitizer/common_interface_defs.h>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "config/string_table.h"

namespace {

// A broken promise is a finding: said through the sanitizer's report
// channel (libFuzzer may have closed stderr), then an abort.
void Require(bool condition, const char* what) {
    if (condition) return;
    __sanitizer_report_error_summary((std::string("fuzz_string_table: ") + what).c_str());
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto table = std::make_unique<StringTableData>();
    ParseStringTable(*table, data, size);
    Require(table->count >= 0 && table->count <= kStringTableCapacity, "the table overflowed");
    for (int i = 0; i < table->count; ++i) {
        const std::wstring& line = table->lines[i];
        Require(line.find_first_of(std::wstring(L"\r\n\0", 3)) == std::wstring::npos, "a line kept a CR, LF or NUL");
        if (line.size() >= 2 && line[0] == L'#') LookupString(*table, line.substr(1, line.size() - 2));
    }
    for (const wchar_t* key : {L"about_window_text", L"about", L"ok", L"screensaver_configuration", L""})
        LookupString(*table, key);
    std::string about[kAboutLineCount];
    SplitAboutText(LookupString(*table, L"about_window_text"), about);
    return 0;
}
