// The demo's textures, each designed for the scene that draws it. Seamless ones repeat
// exactly over their width and height.
#pragma once

#include "content/picture.h"

namespace korvel::content {

// Sphere map of both shader files: a sky over a bright horizon and a dark sea, with a low sun,
// as seen reflected in a mirror ball.
Picture sphereMapTexture();
// Base texture of the pulse scene: warm marbled bands.
Picture velmiraTexture();
// Stacked layers and tube (additive): near-black with glowing blue-green veins. Seamless.
Picture darkVeinsTexture();
// Phong scene and pillar field (additive, through black fog): dark with bright amber streaks.
// Seamless.
Picture darkStreaksTexture();
// The waving background sheet (additive over the whole screen): a soft violet nebula.
Picture backgroundTexture();
// The sea floor: rippled sand with pebbles. Seamless.
Picture seafloorTexture();
// 128 x 128: a square frame with a soft glow, for hundreds of additive squares.
Picture squareTexture();
// 128 x 128, 8-bit grey: dunes and ridges for the sea floor's heights.
Picture heightmapTexture();

}  // namespace korvel::content
