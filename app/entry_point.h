// The program's order of life: the full-screen question, the application object, its window
// and loading, the message loop, the music stopped, shutdown, delete.
#pragma once

#include "platform/window_system.h"

namespace korvel {

template <class App>
int entryPoint(HINSTANCE instance) {
  auto& system = platform::windowSystem();
  int fullscreen =
      system.messageBox(nullptr, "Need Full Powered Screen?", "Question", MB_YESNO) == IDYES ? 1
                                                                                             : 0;
  App* app = new App();
  if (!app->create(instance, "KORVEL", 800, 600, 32, fullscreen)) {
    // No window: nothing to run frames on, and the user has been told.
    delete app;
    return 1;
  }
  app->run();
  app->shutdownMusic();
  app->shutdown();
  int status = app->exitStatus();
  delete app;
  return status;
}

}  // namespace korvel
