// The two shader files of the mesh scenes, in the demo's .fx format (docs/fx-files.md). They
// declare exactly the techniques and parameters the scenes set, and use only the meaningful
// ones: the scenes also pass transposes under inverse names, which these shaders ignore.
#pragma once

#include <string>

namespace korvel::content {

// "TechniquePhongModel": per-pixel Phong from "lightVec" (a position when w is 1, the
// direction towards the light when w is 0), "BaseTexture" modulated by the vertex colour, a
// sphere-map reflection from "SphereMapTexture" and a shimmer that runs with "fTime".
std::string simpleMeshFx();
// "TechniqueCelShading1": a dark outline from inflated back faces, then three flat shades from
// the ramp "ShadesTexture" and a rim lit from "BorderTexture".
std::string cartoonerFx();

}  // namespace korvel::content
