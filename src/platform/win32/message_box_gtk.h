// message_box_gtk.h — the GTK 3 form of MessageBoxA, kept apart from
// windows.h so that GTK's headers never meet the Win32 declarations.
#pragma once

#include <string>

namespace platform {

// Shows a modal message dialog with `caption` as its title (UTF-8 texts) and
// an OK, or OK and Cancel, button as `type` asks. Returns false, showing
// nothing, when there is no display to show it on; otherwise stores IDOK or
// IDCANCEL in `*result`.
bool ShowGtkMessageBox(const std::string& text, const std::string& caption, unsigned type, int* result);

}  // namespace platform
