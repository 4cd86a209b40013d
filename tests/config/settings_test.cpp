// Tests of the settings records' start values and of the shipped defaults
// resource that FillDefaultSettings applies.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/defaults_file.h"
#include "config/settings.h"
#include "test_support.h"

namespace {

// Taken during this file's own static start-up, before any test can change
// the records: the start values must already be in place by then.
const Settings kCurrentAtStart = CurrentSettings;
const Settings kDefaultAtStart = DefaultSettings;

std::vector<int32_t> Fields(const Settings& s) {
    return {s.ShowFPS,      s.ExitOnMouseMove, s.ShowTime,     s.ShowPictures, s.DoThrottle,
            s.Music,        s.MusicVolume,     s.VexlarStream, s.HiTexQuality, s.Background,
            s.BackgroundBr, s.Width,           s.Height,       s.BitCount,     s.UseDesktopSettings};
}

TEST(SettingsTest, BothRecordsStartWithTheBuiltInValues) {
    const std::vector<int32_t> builtIn = {0, 1, 1, 1, 1, 1, 100, 3, 1, 3, 100, 800, 600, 32, 1};
    EXPECT_EQ(Fields(BuiltInSettings), builtIn);
    EXPECT_EQ(Fields(kCurrentAtStart), builtIn);
    EXPECT_EQ(Fields(kDefaultAtStart), builtIn);
}

TEST(SettingsTest, ShippedDefaultsFileFillsDefaultSettingsOnly) {
    testsupport::MessageBoxes().clear();
    LoadDefaultsResource();
    FillDefaultSettings();
    EXPECT_TRUE(testsupport::MessageBoxes().empty());
    EXPECT_EQ(DefaultsTable.count, 16);

    // The file differs from the built-in values in ExitOnMouseMove and
    // MusicVolume; the live record keeps the built-in ones.
    const std::vector<int32_t> fromFile = {0, 0, 1, 1, 1, 1, 75, 3, 1, 3, 100, 800, 600, 32, 1};
    EXPECT_EQ(Fields(DefaultSettings), fromFile);
    EXPECT_EQ(kCurrentAtStart.ExitOnMouseMove, 1);
    EXPECT_EQ(kCurrentAtStart.MusicVolume, 100);

    // The address keeps its case: it names a file, the README installed
    // under this build's prefix (the build writes it into the packed file).
    EXPECT_EQ(ProductWebPageAddress, VEXLAR_README_URL);

    // A second load does nothing: the table is filled once.
    LoadDefaultsResource();
    EXPECT_EQ(DefaultsTable.count, 16);
}

}  // namespace
