// app_state.cpp — the application's shared state.
#include "app/app_state.h"

#include "config/settings.h"

SaverAppState SaverApp;
D3DFramework* Framework = nullptr;

void ResetSaverApp() {
    SaverApp = SaverAppState{};
}

bool MusicWanted() {
    return CurrentSettings.Music && !SaverApp.isPreview && SaverApp.musicAllowed;
}
