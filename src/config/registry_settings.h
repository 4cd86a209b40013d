// registry_settings.h — the settings record's fifteen REG_DWORD values under
// HKEY_CURRENT_USER\Software\Microsoft\Screensavers\Vexlar 3D ScreenSaver\Into the Vexlar.
//
// Flags are stored as 2 (on) or 1 (off) and numbers as they are, so that a
// stored 0 always means "nothing stored". Failures are silent.
#pragma once

#include <cstdint>

#include "config/settings.h"

// The key below HKEY_CURRENT_USER that holds the values.
extern const char kSettingsRegistryKey[];

// Refreshes DefaultSettings from the defaults file, then lays the stored
// values over `target`; fields without a usable stored value keep theirs. A
// stored value out of its field's range is not usable: it is named once on
// stderr, with the file and the range.
void ReadSettings(Settings& target);
// As ReadSettings, but a missing key stays missing: the key is only opened,
// so that nothing (file, lock or folder) is created or locked. For runs that
// store nothing, such as --render.
void ReadStoredSettings(Settings& target);

// Stores all fifteen fields: 0 (ERROR_SUCCESS) when they were stored, else
// the registry's error code, so that a failed save never passes for a saved
// one.
int32_t WriteSettings(const Settings& source);

// Stores the fields of `source` that differ from `opened` (what an editor of
// the settings read when it began), and those the key holds no usable value
// for; every other stored value stays as the file has it now, so that two
// editors at once keep each other's changes. Result as WriteSettings.
int32_t WriteChangedSettings(const Settings& source, const Settings& opened);
