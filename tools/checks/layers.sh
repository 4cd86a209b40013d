#!/usr/bin/env bash
# Holds the layers: no file outside src/platform/ includes a header of the
# libraries behind the platform layer (SDL, OpenGL, EGL, GTK and GLib,
# FluidSynth, X11, FreeImage), and the subsystems include one another only
# in the designed direction:
#   app -> scene -> scene/effects -> assets -> math
#   app -> host (DefSaverProc), host -> config, app -> music, app -> config,
#   scene -> config
# Only the entries (src/host/main.cpp, and main_windows.cpp for the Windows
# build) include app/, to join the two. Every
# subsystem may include math/ and platform/; the effects share the flight's
# one random generator (scene/scene_random.h) with the scene. No include
# climbs out of its folder with "..". Prints each offending line; exits 1
# when there is one.
set -u
cd "$(dirname "$0")/../.."
status=0

library='#include *[<"](SDL|GL/|GLES|EGL/|KHR/|gtk/|gdk/|glib|gio/|fluidsynth|X11/|FreeImage)'
while IFS= read -r line; do
  echo "layers: a library header outside src/platform/: $line"
  status=1
done < <(grep -rnE "$library" src --include='*.cpp' --include='*.h' | grep -v '^src/platform/')

while IFS= read -r line; do
  echo "layers: an include that climbs with '..': $line"
  status=1
done < <(grep -rnE '#include *[<"]([^">]*/)?\.\./' src --include='*.cpp' --include='*.h')

# allowed[folder]: the subsystems a file in that folder may include.
declare -A allowed=(
  [host]="host config scene music assets math platform"
  [app]="app config scene music assets math platform host"
  [scene]="scene scene/effects config assets math platform"
  [scene/effects]="scene/effects assets math platform config"
  [assets]="assets math platform"
  [config]="config math platform"
  [music]="music config platform"
  [math]="math"
)
while IFS= read -r hit; do
  file=${hit%%:*}
  target=$(sed -nE 's/.*#include *"([a-z_]+(\/effects)?)\/.*/\1/p' <<<"$hit")
  [ -n "$target" ] || continue
  grep -q '"scene/scene_random.h"' <<<"$hit" && continue
  folder=${file#src/}
  folder=${folder%/*}
  [ "$target" = scene/effects ] || target=${target%%/*}
  case $file in src/host/main.cpp | src/host/main_windows.cpp) [ "$target" = app ] && continue ;; esac
  case " ${allowed[$folder]:-} " in
    *" $target "*) ;;
    *) echo "layers: $folder may not include $target: $hit"; status=1 ;;
  esac
done < <(grep -rnE '#include *"[a-z_]+/' src/host src/app src/scene src/assets src/config src/music src/math \
           --include='*.cpp' --include='*.h')

[ $status -eq 0 ] && echo "layers: every include follows the designed direction"
exit $status
