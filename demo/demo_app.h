// The application: owns everything the demo shows.
#pragma once

#include "app/vantor_d3d.h"

namespace korvel {

class DemoApp : public VantorD3D {
 public:
  int init() override;
  int frame() override;
  int shutdown() override;
};

}  // namespace korvel
