// gl_shaders.h — GLSL 1.20 sources of the layer's programs.
//
// The drawing program implements the fixed function the Direct3D device
// offers: vertices arrive in clip coordinates with their colours already lit,
// so the vertex shader only passes them on; the fragment shader is generated
// per combination of the two texture stages' operations and arguments
// (Direct3D's texture blending cascade, each stage clamped to 0..1), with
// the specular colour added at the end when enabled.
#pragma once

#include <string>

#include "platform/gl/gl_renderer.h"

namespace platform::gl {

// Attribute locations of the drawing program.
enum VertexAttribute { kPosition = 0, kDiffuse = 1, kSpecular = 2, kTexCoord = 3, kTile0 = 4, kTile1 = 5 };

std::string DrawVertexShader(const ProgramKey& key);
std::string DrawFragmentShader(const ProgramKey& key);
const char* PresentVertexShader();
const char* PresentFragmentShader();

}  // namespace platform::gl
