// make_pictures.cpp — writes the twelve still pictures the saver shows on a
// cube, resources/textures/picture_01.jpg .. picture_12.jpg ("TEXTURES" 239
// to 250). Picture 1 is 1024 x 768, the others 800 x 600.
// Usage: make_pictures [resources-dir [picture-number]]; with a number only
// that picture is written (for quick iteration).
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "art_common.h"
#include "pictures/scenes.h"

namespace {

struct PictureJob {
  int width, height;
  PaintFn paint;
};

const PictureJob kJobs[] = {
    {1024, 768, PaintGlyphCity},  {800, 600, PaintCodeFace},     {800, 600, PaintRainCorridor},
    {800, 600, PaintDataGlobe},   {800, 600, PaintCircuitBoard}, {800, 600, PaintSymbolVortex},
    {800, 600, PaintHorizonGrid}, {800, 600, PaintGlyphFalls},   {800, 600, PaintGlyphTree},
    {800, 600, PaintCodeEye},     {800, 600, PaintLightDoor},    {800, 600, PaintWaveField},
};

}  // namespace

int main(int argc, char** argv) {
  std::string dir = ResourceDir(argc, argv) + "/textures";
  int only = argc > 2 ? std::atoi(argv[2]) : 0;
  if (!MakeDirs(dir)) {
    std::fprintf(stderr, "make_pictures: cannot create %s\n", dir.c_str());
    return 1;
  }
  GlyphAtlas atlas;
  if (!atlas.Load()) return 1;
  int number = 0;
  for (const PictureJob& job : kJobs) {
    ++number;
    if (only != 0 && only != number) continue;
    Canvas canvas(job.width, job.height, 2);
    FinishParams finish;
    finish.grainSeed = static_cast<uint64_t>(number);
    job.paint(canvas, atlas, &finish);
    std::vector<uint8_t> rgb;
    canvas.Finish(finish, &rgb);
    char path[512];
    std::snprintf(path, sizeof path, "%s/picture_%02d.jpg", dir.c_str(), number);
    if (!SaveRgbJpeg(path, job.width, job.height, rgb.data(), 92)) {
      std::fprintf(stderr, "make_pictures: cannot write %s\n", path);
      return 1;
    }
  }
  return 0;
}
