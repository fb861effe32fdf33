#include "support/scripted_window_system.h"

namespace korvel::testing {

ScriptedWindowSystem::ScriptedWindowSystem() {
  platform::installWindowSystem(this);
}

ScriptedWindowSystem::~ScriptedWindowSystem() {
  platform::installWindowSystem(nullptr);
}

void ScriptedWindowSystem::scriptKey(HWND window, int key, bool down, bool repeat) {
  LPARAM lParam = 1;
  if (!down) {
    lParam |= KF_PREVIOUS_STATE | KF_TRANSITION_UP;
  } else if (repeat) {
    lParam |= KF_PREVIOUS_STATE;
  }
  script(MSG{window, down ? WM_KEYDOWN : WM_KEYUP, static_cast<WPARAM>(key), lParam});
}

int ScriptedWindowSystem::messageBox(HWND owner, const char* text, const char* caption, UINT type) {
  shown.push_back(ShownMessageBox{owner, text, caption, type});
  if (!answers_.empty()) {
    int answer = answers_.front();
    answers_.pop_front();
    return answer;
  }
  return (type & 0xF) == MB_YESNO ? IDNO : IDOK;
}

bool ScriptedWindowSystem::openNative(platform::WindowHandle& window) {
  if (failCreate) {
    return false;
  }
  opened.push_back(window);
  window.native = this;
  return true;
}

void ScriptedWindowSystem::closeNative(platform::WindowHandle& window) {
  window.native = nullptr;
  ++closedWindows;
}

void ScriptedWindowSystem::pollNative() {
  while (!pending_.empty()) {
    enqueue(pending_.front());
    pending_.pop_front();
  }
}

}  // namespace korvel::testing
