// registry_settings.cpp — reading and writing the settings key.
//
// A value whose query fails, or whose type is not REG_DWORD, counts as not
// stored; so does one out of its field's range, with a warning. The key is
// created when missing, by reads and writes alike, except by
// ReadStoredSettings, which only opens it.
#include "config/registry_settings.h"

#include <windows.h>

#include <cstdio>
#include <mutex>
#include <set>
#include <string>

#include "config/defaults_file.h"
#include "config/setting_table.h"
#include "platform/platform.h"

const char kSettingsRegistryKey[] = "Software\\Microsoft\\Screensavers\\Vexlar 3D ScreenSaver\\Into the Vexlar";

namespace {

constexpr DWORD kStoredOn = 2;
constexpr DWORD kStoredOff = 1;

// Creates the key when missing unless `openOnly`, when a missing key gives null.
HKEY OpenSettingsKey(REGSAM access, bool openOnly = false) {
    HKEY key = nullptr;
    DWORD disposition = 0;
    if (openOnly) {
        return RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsRegistryKey, 0, access, &key) == ERROR_SUCCESS ? key
                                                                                                       : nullptr;
    }
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsRegistryKey, 0, nullptr, REG_OPTION_NON_VOLATILE, access,
                        nullptr, &key, &disposition) != ERROR_SUCCESS) {
        return nullptr;
    }
    return key;
}

// The stored number, 0 when there is none usable.
DWORD QueryStored(HKEY key, const char* name) {
    BYTE buffer[4] = {0, 0, 0, 0};
    DWORD type = REG_NONE;
    DWORD size = sizeof(buffer);
    if (RegQueryValueExA(key, name, nullptr, &type, buffer, &size) != ERROR_SUCCESS || type != REG_DWORD) {
        return 0;
    }
    return static_cast<DWORD>(buffer[0]) | static_cast<DWORD>(buffer[1]) << 8 |
           static_cast<DWORD>(buffer[2]) << 16 | static_cast<DWORD>(buffer[3]) << 24;
}

// What a stored number gives the field: true with `field` set when it is
// usable. 0 means nothing stored; a flag is 2 (on) or 1 (off); a number must
// lie in the field's range.
bool Decode(const SettingInfo& info, DWORD stored, int32_t* field) {
    if (info.kind == SettingKind::Flag) {
        if (stored != kStoredOn && stored != kStoredOff) return false;
        *field = stored == kStoredOn ? 1 : 0;
        return true;
    }
    const auto value = static_cast<int32_t>(stored);
    if (stored == 0 || !SettingValueAllowed(info, value)) return false;
    *field = value;
    return true;
}

// Once per file, value and number, however often the settings are read.
void WarnUnusable(const SettingInfo& info, DWORD stored) {
    static std::mutex mutex;
    static std::set<std::string> said;
    const std::string file = platform::RegistryFilePath();
    const std::string number = std::to_string(static_cast<int32_t>(stored));
    std::lock_guard<std::mutex> lock(mutex);
    if (!said.insert(file + '\n' + info.valueName + '=' + number).second) return;
    const std::string range =
        info.kind == SettingKind::Flag ? std::string("2 (on) or 1 (off)") : SettingRangeText(info);
    std::fprintf(stderr, "vexlar3d: ignoring \"%s\"=%s in %s: it takes %s\n", info.valueName, number.c_str(),
                 file.c_str(), range.c_str());
}

void SetStored(HKEY key, const char* name, DWORD number) {
    const BYTE data[4] = {static_cast<BYTE>(number), static_cast<BYTE>(number >> 8),
                          static_cast<BYTE>(number >> 16), static_cast<BYTE>(number >> 24)};
    RegSetValueExA(key, name, 0, REG_DWORD, data, sizeof(data));
}

void LayStoredValues(Settings& target, bool openOnly) {
    LoadDefaultsResource();
    FillDefaultSettings();

    HKEY key = OpenSettingsKey(KEY_READ, openOnly);
    if (!key) return;
    ForEachSettingInOrder(&SettingInfo::readRank, [&](const SettingInfo& value) {
        const DWORD stored = QueryStored(key, value.valueName);
        if (!Decode(value, stored, &(target.*value.field)) && stored != 0) WarnUnusable(value, stored);
    });
    RegCloseKey(key);
}

}  // namespace

void ReadSettings(Settings& target) { LayStoredValues(target, false); }

void ReadStoredSettings(Settings& target) { LayStoredValues(target, true); }

namespace {

// Stores the fields `store` picks, in the designed write order, and commits
// them; the registry's error code when that fails.
template <typename Pick>
int32_t StoreFields(const Settings& source, REGSAM access, Pick store) {
    HKEY key = OpenSettingsKey(access);
    if (!key) return ERROR_CANTWRITE;
    ForEachSettingInOrder(&SettingInfo::writeRank, [&](const SettingInfo& value) {
        if (!store(key, value)) return;
        const int32_t field = source.*value.field;
        if (value.kind == SettingKind::Flag) {
            // Only a field of exactly 1 counts as on.
            SetStored(key, value.valueName, field == 1 ? kStoredOn : kStoredOff);
        } else {
            SetStored(key, value.valueName, static_cast<DWORD>(field));
        }
    });
    const LONG flushed = RegFlushKey(key);
    const LONG closed = RegCloseKey(key);
    return flushed != ERROR_SUCCESS ? flushed : closed;
}

}  // namespace

int32_t WriteSettings(const Settings& source) {
    return StoreFields(source, KEY_WRITE, [](HKEY, const SettingInfo&) { return true; });
}

int32_t WriteChangedSettings(const Settings& source, const Settings& opened) {
    return StoreFields(source, KEY_READ | KEY_WRITE, [&](HKEY key, const SettingInfo& value) {
        int32_t ignored = 0;
        return source.*value.field != opened.*value.field ||
               !Decode(value, QueryStored(key, value.valueName), &ignored);
    });
}
