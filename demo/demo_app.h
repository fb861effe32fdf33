// The application: owns everything the demo shows.
#pragma once

#include "app/vantor.h"

namespace korvel {

class DemoApp : public Vantor {
 public:
  int frame() override;
};

}  // namespace korvel
