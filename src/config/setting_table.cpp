// setting_table.cpp — the fifteen settings, their names and ranges.
#include "config/setting_table.h"

namespace {

constexpr const char* kStreamWords[3] = {"few", "average", "multiple"};
constexpr const char* kBackgroundWords[3] = {"none", "simple", "complex"};

bool SameIgnoringAsciiCase(const std::string& a, const char* b) {
    size_t i = 0;
    for (; i < a.size() && b[i]; ++i) {
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return i == a.size() && b[i] == '\0';
}

int IndexOf(int32_t Settings::*field) {
    for (int i = 0; i < kSettingCount; ++i) {
        if (kSettingTable[i].field == field) return i;
    }
    return -1;
}

}  // namespace

// Rows in the order of the record's fields. The ranks keep the designed
// orders: the reads put MusicVolume after Music, the writes put it last, and
// the defaults file is read in the order its missing-key messages appear.
const SettingInfo kSettingTable[kSettingCount] = {
    {"ShowFPS", "ShowFPS", &Settings::ShowFPS, SettingKind::Flag, 0, 1, "Show FPS", "fps",
     "show the frames-per-second counter", nullptr, 0, 0, 6},
    {"ExitOnMouseMove", "ExitOnMouseMove", &Settings::ExitOnMouseMove, SettingKind::Flag, 0, 1,
     "Exit on Mouse move", "exit-on-mouse-move", "let mouse movement end the saver", nullptr, 2, 2, 0},
    {"ShowTime", "ShowTime", &Settings::ShowTime, SettingKind::Flag, 0, 1, "Show Time", "clock",
     "show the clock", nullptr, 1, 1, 8},
    {"ShowPictures", "ShowPicture", &Settings::ShowPictures, SettingKind::Flag, 0, 1, "Show Pictures", "pictures",
     "show the still pictures", nullptr, 4, 4, 7},
    {"DoThrottle", "DoThrottle", &Settings::DoThrottle, SettingKind::Flag, 0, 1, "Show Rays", "rays",
     "show the bursts of rays", nullptr, 3, 3, 13},
    {"Music", "Music", &Settings::Music, SettingKind::Flag, 0, 1, "Enable Music", "music", "play the built-in song",
     nullptr, 5, 5, 4},
    {"MusicVolume", "MusicVolume", &Settings::MusicVolume, SettingKind::Number, 1, 100, "Volume", "volume",
     "music volume", nullptr, 6, 14, 5},
    {"VexlarStream", "MStream", &Settings::VexlarStream, SettingKind::Choice, 1, 3, "Streams", "streams",
     "how many glyph streams fall", kStreamWords, 8, 7, 14},
    {"HiTexQuality", "HiTexQuality", &Settings::HiTexQuality, SettingKind::Flag, 0, 1, "High Quality Textures",
     "high-quality-textures", "textures of 512 instead of 256 pixels", nullptr, 9, 8, 10},
    {"Background", "BackgroundTp", &Settings::Background, SettingKind::Choice, 1, 3, "Background", "background",
     "the sky box behind the flight", kBackgroundWords, 10, 9, 12},
    {"BackgroundBr", "BackgroundBright", &Settings::BackgroundBr, SettingKind::Number, 1, 250, "Brightness",
     "brightness", "brightness of the sky box", nullptr, 11, 10, 11},
    {"Width", "MW", &Settings::Width, SettingKind::Mode, 16, kMaxModeSide, "Video Mode", "mode",
     "render at this video mode (scaled to the screen)", nullptr, 13, 12, 3},
    {"Height", "MH", &Settings::Height, SettingKind::Mode, 16, kMaxModeSide, "Video Mode", "mode", "", nullptr, 12,
     11, 2},
    {"BitCount", "MBitCount", &Settings::BitCount, SettingKind::Mode, 16, 32, "Video Mode", "mode", "", nullptr, 14,
     13, 1},
    {"UseDesktopSettings", "UseDktpSet", &Settings::UseDesktopSettings, SettingKind::Flag, 0, 1,
     "Use Desktop Settings", "desktop-mode", "render at the desktop's own size", nullptr, 7, 6, 9},
};

SettingOverrides CommandLineOverrides;

const SettingInfo* SettingByValueName(const std::string& name) {
    for (const SettingInfo& info : kSettingTable) {
        if (SameIgnoringAsciiCase(name, info.valueName)) return &info;
    }
    return nullptr;
}

bool SettingValueAllowed(const SettingInfo& info, int32_t value) {
    if (value < info.minimum || value > info.maximum) return false;
    return info.field != &Settings::BitCount || value % 8 == 0;
}

std::string SettingRangeText(const SettingInfo& info) {
    if (info.kind == SettingKind::Flag) return "0 or 1";
    if (info.field == &Settings::BitCount) return "16, 24 or 32";
    return std::to_string(info.minimum) + " to " + std::to_string(info.maximum);
}

void SetOverride(SettingOverrides& overrides, int32_t Settings::*field, int32_t value) {
    const int index = IndexOf(field);
    if (index < 0) return;
    overrides.given[index] = true;
    overrides.value[index] = value;
}

void ApplyOverrides(const SettingOverrides& overrides, Settings& target) {
    for (int i = 0; i < kSettingCount; ++i) {
        if (overrides.given[i]) target.*kSettingTable[i].field = overrides.value[i];
    }
}
