// fuzz_dialog_template.cpp — feeds the input as a DIALOG or DIALOGEX statement
// to ParseDialogTemplate (platform/dialogs/dialog_template.h), then converts
// the dialog's and every control's rectangle to pixels as dialog creation and
// MapDialogRect do.
//
// Checks that a refusal always says why, naming the line.
#include <sanitizer/common_interface_defs.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/dialogs/dialog_template.h"

namespace {

// A broken promise is a finding: said through the sanitizer's report
// channel (libFuzzer may have closed stderr), then an abort.
void Require(bool condition, const char* what) {
    if (condition) return;
    __sanitizer_report_error_summary((std::string("fuzz_dialog_template: ") + what).c_str());
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    platform::DialogTemplate dialog;
    std::string error;
    if (!platform::ParseDialogTemplate(text, &dialog, &error)) {
        Require(error.rfind("line ", 0) == 0, "a refusal does not name its line");
        return 0;
    }
    Require(error.empty(), "an accepted template came with an error");
    for (platform::DialogBaseUnits units : {platform::kClassicDialogBaseUnits, platform::DialogBaseUnits{9, 20}}) {
        platform::DialogUnitsToPixels(dialog.rect, units);
        platform::MapDialogUnits(dialog.rect, units);
        for (const platform::DialogControlTemplate& control : dialog.controls) {
            platform::DialogUnitsToPixels(control.rect, units);
            platform::MapDialogUnits(control.rect, units);
        }
    }
    return 0;
}
