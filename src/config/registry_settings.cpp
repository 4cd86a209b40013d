// registry_settings.cpp — reading and writing the settings key.
//
// A value whose query fails, or whose type is not REG_DWORD, counts as not
// stored; the key is created when missing, by reads and writes alike.
#include "config/registry_settings.h"

#include <windows.h>

#include "config/defaults_file.h"
#include "config/setting_table.h"

const char kSettingsRegistryKey[] = "Software\\Microsoft\\Screensavers\\Vexlar 3D ScreenSaver\\Into the Vexlar";

namespace {

constexpr DWORD kStoredOn = 2;
constexpr DWORD kStoredOff = 1;

HKEY OpenSettingsKey(REGSAM access) {
    HKEY key = nullptr;
    DWORD disposition = 0;
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

void SetStored(HKEY key, const char* name, DWORD number) {
    const BYTE data[4] = {static_cast<BYTE>(number), static_cast<BYTE>(number >> 8),
                          static_cast<BYTE>(number >> 16), static_cast<BYTE>(number >> 24)};
    RegSetValueExA(key, name, 0, REG_DWORD, data, sizeof(data));
}

}  // namespace

void ReadSettings(Settings& target) {
    LoadDefaultsResource();
    FillDefaultSettings();

    HKEY key = OpenSettingsKey(KEY_READ);
    if (!key) return;
    ForEachSettingInOrder(&SettingInfo::readRank, [&](const SettingInfo& value) {
        const DWORD stored = QueryStored(key, value.valueName);
        if (value.kind == SettingKind::Flag) {
            if (stored == kStoredOn) target.*value.field = 1;
            if (stored == kStoredOff) target.*value.field = 0;
        } else if (stored != 0) {
            target.*value.field = static_cast<int32_t>(stored);
        }
    });
    RegCloseKey(key);
}

int32_t WriteSettings(const Settings& source) {
    HKEY key = OpenSettingsKey(KEY_WRITE);
    if (!key) return ERROR_CANTWRITE;
    ForEachSettingInOrder(&SettingInfo::writeRank, [&](const SettingInfo& value) {
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
