// reg_document.h — the registry store's text in the .reg format, parsed so
// that writing it back loses nothing.
//
// A document is the lines of the file grouped by section ("[HKEY_...\path]").
// Value lines of the three forms the store writes (quoted string, dword:,
// hex: / hex(N):) are understood; other value lines (deletions "=-", unknown
// type tags) are kept as opaque lines that count as absent; comments, blank
// lines and sections of unknown roots are kept as they stand. Only lines that
// were edited are regenerated, so a file written by hand keeps its layout.
//
// Text is UTF-8, or UTF-16 (little- or big-endian) behind its byte-order
// mark as a Windows editor saves it; either way it is written back as UTF-8.
//
// Limits: names compare case-insensitively in ASCII only; hex(N) data holds
// the narrow bytes the A calls were given (no UTF-16 conversion); a file whose
// first line is not (nearly) the header is another file, refused as a whole,
// never half-read.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace platform::registry {

// Files larger than this are treated as damaged, and never written.
inline constexpr size_t kMaxRegistryFileBytes = 16u << 20;

inline constexpr std::string_view kRegFileHeader = "Windows Registry Editor Version 5.00";

enum class RegRoot { ClassesRoot, CurrentUser, LocalMachine, Unknown };

struct RegValue {
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
};

struct RegLine {
    enum class Kind {
        Other,   // blank line or comment
        Value,   // a value the store understands
        Opaque,  // a value line whose data it does not understand
    };
    Kind kind = Kind::Other;
    std::string text;  // as read, continuation lines joined with '\n'
    std::string name;  // value name, "" for the default value "@"
    RegValue value;    // Kind::Value only
};

struct RegSection {
    std::string header;  // the "[...]" line as read
    RegRoot root = RegRoot::Unknown;
    std::string path;    // below the root, as spelled in the file
    std::vector<RegLine> lines;
};

struct RegDocument {
    std::vector<std::string> preamble;  // lines between the header and the first section
    std::vector<RegSection> sections;
    int damagedLines = 0;  // lines left out by the parser; not written back
};

// An empty document: the header and one blank line.
RegDocument NewRegDocument();

// Parses a whole file (an optional UTF-8 byte-order mark or a UTF-16 one, LF
// or CR LF line ends). Returns false, with `doc` left empty, when nothing of
// it can be read: over the size cap, or no header. Otherwise every line that
// reads is kept and each damaged one (not UTF-8 text, an unterminated quote or
// continuation, malformed data of a known type, no known shape, below an
// unreadable section line) is left out and counted in damagedLines. A header
// a few bytes off, and a section line whose key reads but whose rest does
// not, count as damaged lines too, yet keep what follows them; both are
// written back clean. Empty input parses as an empty document.
bool ParseRegDocument(std::string_view bytes, RegDocument& doc);

std::string SerializeRegDocument(const RegDocument& doc);

// The line the store writes for a value: "Name"=dword:00000002, "Name"="text",
// "Name"=hex:.., "Name"=hex(N):.. (wrapped like an exported file).
std::string FormatRegValueLine(std::string_view name, const RegValue& value);

bool EqualsIgnoreCase(std::string_view a, std::string_view b);
// True when `candidate` is `key` or lies below it.
bool PathCovers(std::string_view key, std::string_view candidate);
// Valid UTF-8 without control characters (tab allowed).
bool IsCleanText(std::string_view text);

const char* RegRootName(RegRoot root);

// The key exists when it has a section or a section lies below it.
bool RegKeyExists(const RegDocument& doc, RegRoot root, std::string_view path);
// The last line naming the value in the key's sections (an opaque line
// included: it hides earlier ones); null when there is none.
const RegLine* FindRegValue(const RegDocument& doc, RegRoot root, std::string_view path,
                            std::string_view name);
// Edits; each returns whether the document changed.
bool EnsureRegKey(RegDocument& doc, RegRoot root, std::string_view path);
bool SetRegValue(RegDocument& doc, RegRoot root, std::string_view path, std::string_view name,
                 const RegValue& value);

}  // namespace platform::registry
