// music_player.h — the built-in song ("Sound" 236, a Standard MIDI file)
// played in an endless loop through DirectMusic.
//
// StartMusic creates the loader, the segment and the performance in a fixed
// order and stops at the first step that fails, keeping what it created until
// StopMusic; the caller ignores the result, so a saver without music runs on
// silently. StopMusic releases whatever exists and may be called when nothing
// was started. The process-wide objects belong to this module alone; all calls
// come from the message-loop thread.
#pragma once

#include <windows.h>

// The master volume in hundredths of a decibel for a MusicVolume setting:
// 0 gives -750 (-7.5 dB), 50 gives 0, 100 gives +750 (+7.5 dB).
LONG MusicMasterVolume(int volume);

// The window is not used. True when the song plays.
bool StartMusic(HWND window, int volume);
void StopMusic();
