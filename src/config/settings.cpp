// settings.cpp — the built-in settings and the two process-wide records.
//
// Both records are constant-initialised, so they hold the built-in values
// before any dynamic initialiser of any translation unit runs: the copy of
// DefaultSettings that CurrentSettings starts with can never be taken too
// early, and code running during static start-up already sees it.
#include "config/settings.h"

namespace {

constexpr Settings kBuiltIn = {
    /*ShowFPS*/ 0,
    /*ExitOnMouseMove*/ 1,
    /*ShowTime*/ 1,
    /*ShowPictures*/ 1,
    /*DoThrottle*/ 1,
    /*Music*/ 1,
    /*MusicVolume*/ 100,
    /*VexlarStream*/ 3,
    /*HiTexQuality*/ 1,
    /*Background*/ 3,
    /*BackgroundBr*/ 100,
    /*Width*/ 800,
    /*Height*/ 600,
    /*BitCount*/ 32,
    /*UseDesktopSettings*/ 1,
};

}  // namespace

constinit const Settings BuiltInSettings = kBuiltIn;

// DefaultSettings first, then CurrentSettings as its start-up copy: at this
// point DefaultSettings still holds the built-in values, not the file's.
constinit Settings DefaultSettings = kBuiltIn;
constinit Settings CurrentSettings = kBuiltIn;
