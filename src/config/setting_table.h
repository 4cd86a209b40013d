// setting_table.h — every setting declared once.
//
// One row a field of `Settings`: its registry value name, its key in the
// defaults file, its kind and range, the caption the settings dialog shows
// it under, and the command-line option that overrides it for one run. The
// registry reader and writer, the defaults-file filler, --set, the option
// parser, --help and the xscreensaver settings description all walk this
// table, each in its own order (the rank fields).
//
// The three fields of the video mode share one option, --mode WxHxBITS,
// which also turns the desktop's own mode off.
#pragma once

#include <cstdint>
#include <string>

#include "config/settings.h"

enum class SettingKind {
    Flag,    // 0/1; stored as 2 (on) or 1 (off); option --NAME / --no-NAME
    Number,  // minimum..maximum; option --NAME N
    Choice,  // 1..3, one of three words; option --NAME WORD (or its number)
    Mode,    // a part of the video mode; option --mode WxHxBITS
};

struct SettingInfo {
    const char* valueName;    // registry value and --set name
    const char* defaultsKey;  // key in the built-in defaults file
    int32_t Settings::*field;
    SettingKind kind;
    int32_t minimum;
    int32_t maximum;
    const char* caption;  // as the settings dialog shows it
    const char* option;   // without the leading dashes
    const char* help;     // one line for --help
    const char* const* choices;  // Choice: the words for 1, 2 and 3
    int readRank;   // position among the registry reads
    int writeRank;  // position among the registry writes
    int fillRank;   // position among the defaults-file reads
};

inline constexpr int kSettingCount = 15;

// The largest side of a video mode: as large as a surface may be, and beyond
// any display made.
inline constexpr int32_t kMaxModeSide = 16384;

extern const SettingInfo kSettingTable[kSettingCount];

// The row whose registry value name equals `name` ignoring ASCII case.
const SettingInfo* SettingByValueName(const std::string& name);

// Whether a field may hold `value`: minimum..maximum, and a whole number of
// bytes for BitCount (16, 24 or 32).
bool SettingValueAllowed(const SettingInfo& info, int32_t value);
// The values SettingValueAllowed takes, in words: "1 to 3", "0 or 1".
std::string SettingRangeText(const SettingInfo& info);

// The rows in one of the designed orders: `rank` picks the order.
template <typename Visit>
void ForEachSettingInOrder(int SettingInfo::*rank, Visit visit) {
    for (int position = 0; position < kSettingCount; ++position) {
        for (const SettingInfo& info : kSettingTable) {
            if (info.*rank == position) visit(info);
        }
    }
}

// Values given on the command line for one run: laid over the settings read
// from the registry, never stored.
struct SettingOverrides {
    bool given[kSettingCount] = {};
    int32_t value[kSettingCount] = {};
};

extern SettingOverrides CommandLineOverrides;

void SetOverride(SettingOverrides& overrides, int32_t Settings::*field, int32_t value);
void ApplyOverrides(const SettingOverrides& overrides, Settings& target);
