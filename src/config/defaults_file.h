// defaults_file.h — the built-in defaults file ("CustomData" resource 256)
// and the key/value table it is parsed into.
//
// The file is code-page-1251 text, one "key = value" a line, CR LF line ends,
// ";" starting a comment. Cleaning drops blanks, control bytes and every byte
// of 128 and above, so only the ASCII key and value survive. The table keeps
// at most kDefaultsCapacity entries; further lines are not stored. The
// process-wide table is filled once, by LoadDefaultsResource; the forms that
// take a table exist so that any text can be parsed into a table of its own
// without disturbing that one-time load.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

constexpr int kDefaultsCapacity = 100;

struct DefaultsEntry {
    std::string key;    // cleaned, case as written
    std::string value;  // cleaned, case as written
};

struct DefaultsTableData {
    DefaultsEntry entries[kDefaultsCapacity];
    int count = 0;
};

// The process-wide table that LoadDefaultsResource fills.
extern DefaultsTableData DefaultsTable;

// The address the dialog's "Visit..." button opens: the value of
// main_web_site_url, set by LoadDefaultsResource.
extern std::string ProductWebPageAddress;

// Bytes of a line that survive cleaning (signed value above 32), cut at the
// first ";".
std::string CleanDefaultsLine(const std::string& line);

// Parses [start, start + size) and appends its entries to `table`. A cleaned
// line without "=" shows the format message and is stored as key and value.
void ParseDefaultsText(DefaultsTableData& table, const char* start, size_t size);
void ParseDefaultsText(const char* start, size_t size);

// Loads the defaults resource into DefaultsTable and reads the web page
// address; only the first call in the process does anything.
void LoadDefaultsResource();

// Lower-cased value of the first entry whose key equals `key` ignoring ASCII
// case. A missing key shows the "not found" message and gives "".
std::string LookupDefault(const DefaultsTableData& table, const std::string& key);
std::string LookupDefault(const std::string& key);

// 1 for "true", 0 for "false", otherwise the leading decimal number (0 when
// there is none), as atoi reads it.
int32_t ReadDefaultInt(const DefaultsTableData& table, const std::string& key);
int32_t ReadDefaultInt(const std::string& key);

// Overwrites all fifteen fields of DefaultSettings from DefaultsTable.
void FillDefaultSettings();

// Copies with A..Z raised to a..z; every other character is left as it is.
std::string AsciiLower(const std::string& text);
std::wstring AsciiLower(const std::wstring& text);
