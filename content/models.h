// The demo's four models, built from code as scenes the .tvk writer takes. Every part is closed
// and wound so that its faces' cross products, (b - a) x (c - a), point outwards: clockwise seen
// from outside, the front faces of Direct3D.
#pragma once

#include "assets/scene_file.h"

namespace korvel::content {

// The centre piece (slot 0, scale 6): a trefoil knot of brushed metal, about 200 units across
// once scaled, with the camera record the Phong and pulse scenes take their field of view from.
SceneFile tolvanModel();
// The cel-shaded spiky ball (slot 2, scale 3).
SceneFile spikeModel();
// A cube of twenty cubes in three colours (slot 4, scale 0.95).
SceneFile cuberModel();
// One fish of the school (scale 6, then 0.035): nose along +z, fins and a forked tail.
SceneFile fishModel();

}  // namespace korvel::content
