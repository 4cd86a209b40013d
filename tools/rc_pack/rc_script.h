// rc_script.h — reads a resource script in the .rc syntax and writes the C++
// source that embeds its resources in the executable.
//
// Understood: // and /* */ comments; `#pragma` lines (ignored); LANGUAGE
// statements (ignored); `<id> <type> [memory options] "<file>"` with a numeric
// id, a predefined type keyword (BITMAP, ICON, CURSOR, FONT, RCDATA, HTML,
// MESSAGETABLE), a numeric type or a type name; `<id> DIALOG|DIALOGEX ...
// BEGIN ... END` (or { }), kept as the text of the statement for a runtime
// parser. Not understood, and reported as errors: other preprocessor
// directives, symbolic ids, string tables, menus, version blocks and inline
// data blocks of other types.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace rcpack {

// Predefined resource types as the runtime numbers them.
constexpr uint16_t kTypeCursorGroup = 12;
constexpr uint16_t kTypeBitmap = 2;
constexpr uint16_t kTypeDialog = 5;
constexpr uint16_t kTypeFont = 8;
constexpr uint16_t kTypeRcData = 10;
constexpr uint16_t kTypeMessageTable = 11;
constexpr uint16_t kTypeIconGroup = 14;
constexpr uint16_t kTypeHtml = 23;

struct ScriptResource {
    uint16_t typeId = 0;    // predefined or numeric type; 0 when the type is a name
    std::string typeName;   // the type as written when it is a name
    uint16_t id = 0;
    std::string file;       // absolute path of the embedded file; empty for inline text
    std::string text;       // the bytes of an inline resource (dialog templates)
    int line = 0;           // where the statement starts
};

// Raised with a "script:line: message" text.
class ScriptError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Parses `text`, the contents of the script at `scriptPath`. Relative file
// names are taken from the script's folder; with `checkFiles` each must
// exist as a regular file. Throws ScriptError on the first error.
std::vector<ScriptResource> ParseResourceScript(const std::string& text, const std::string& scriptPath,
                                                bool checkFiles = true);

// Takes each file of `resources` from `overlayDir` instead where a file of
// the same path relative to the script's folder exists there: the build
// writes variants of a few resources (the defaults file carries the install
// prefix) without touching resources/. Files outside the script's folder and
// inline resources are left as they are.
void ApplyOverlay(std::vector<ScriptResource>& resources, const std::string& scriptPath,
                  const std::string& overlayDir);

// The C++ source: every file pulled in with .incbin and every inline text as
// bytes, in one top-level asm block in .rodata (16-byte aligned, each blob
// followed by a zero byte that its size leaves out), and the table returned
// by platform::EmbeddedResources. The same resources give the same bytes.
std::string GenerateResourceSource(const std::vector<ScriptResource>& resources, const std::string& scriptName);

}  // namespace rcpack
