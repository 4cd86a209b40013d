// sky_box.h — the scene's background: a cube 700 units wide around the
// camera whose inner faces carry code-rain textures, grouped into six drums
// (the four faces around one axis, one texture each) whose texture
// coordinates scroll so that each drum seems to turn about its axis.
//
// The geometry lives in Scene.backgroundFaces (24 faces of two triangles,
// drum by drum in drawing order); the six textures in
// Scene.backgroundTextures. Drawing adds the drums onto the frame without a
// depth test and leaves the blend factors at ONE, ONE for the drawing that
// follows. Nothing is allocated.
#pragma once

#include <d3d.h>

// Fills Scene.backgroundFaces.
void BuildSkyBox();
// Scrolls every face's v by dt time units (one full repeat per 10 units),
// keeping the v of each face's first vertex within 0..6.
void ScrollBackground(float dt);
// Sets the sky-box states and draws the drums CurrentSettings.Background
// asks for (1 none, 2 drums 1-3, 3 all six) at CurrentSettings.BackgroundBr.
void DrawSkyBox(IDirect3DDevice7* device);
// The ambient level DrawSkyBox sets for the drums.
D3DCOLOR SkyBoxAmbient();
