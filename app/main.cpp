#include "app/entry_point.h"
#include "demo/demo_app.h"

int main() {
  return korvel::entryPoint<korvel::DemoApp>(nullptr);
}
