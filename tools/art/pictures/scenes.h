// scenes.h — the twelve still pictures, one painting function each. Every
// function fills the canvas with light and may adjust the finishing
// parameters; all randomness comes from fixed seeds.
#pragma once

#include "pictures/glyph_atlas.h"
#include "pictures/picture_canvas.h"

using PaintFn = void (*)(Canvas&, const GlyphAtlas&, FinishParams*);

void PaintGlyphCity(Canvas& c, const GlyphAtlas& g, FinishParams* f);       // towers of glyphs under rain
void PaintCodeFace(Canvas& c, const GlyphAtlas& g, FinishParams* f);        // a face shaded in glyphs
void PaintRainCorridor(Canvas& c, const GlyphAtlas& g, FinishParams* f);    // corridor of falling characters
void PaintDataGlobe(Canvas& c, const GlyphAtlas& g, FinishParams* f);       // globe wrapped in rings of data
void PaintCircuitBoard(Canvas& c, const GlyphAtlas& g, FinishParams* f);    // glowing traces on a board
void PaintSymbolVortex(Canvas& c, const GlyphAtlas& g, FinishParams* f);    // spiral of symbols
void PaintHorizonGrid(Canvas& c, const GlyphAtlas& g, FinishParams* f);     // grid floor under a sky of code
void PaintGlyphFalls(Canvas& c, const GlyphAtlas& g, FinishParams* f);      // characters pouring over an edge
void PaintGlyphTree(Canvas& c, const GlyphAtlas& g, FinishParams* f);       // a tree whose twigs end in glyphs
void PaintCodeEye(Canvas& c, const GlyphAtlas& g, FinishParams* f);         // concentric rings forming an eye
void PaintLightDoor(Canvas& c, const GlyphAtlas& g, FinishParams* f);       // a doorway of light in a glyph wall
void PaintWaveField(Canvas& c, const GlyphAtlas& g, FinishParams* f);       // interference across a glyph field
