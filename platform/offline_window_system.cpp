#include "platform/offline_window_system.h"

#include <cstdio>

namespace korvel::platform {

void OfflineWindowSystem::scriptKey(HWND window, int key, bool down, bool repeat) {
  LPARAM lParam = 1;
  if (!down) {
    lParam |= KF_PREVIOUS_STATE | KF_TRANSITION_UP;
  } else if (repeat) {
    lParam |= KF_PREVIOUS_STATE;
  }
  script(MSG{window, down ? WM_KEYDOWN : WM_KEYUP, static_cast<WPARAM>(key), lParam});
}

int OfflineWindowSystem::messageBox(HWND owner, const char* text, const char* caption, UINT type) {
  shown.push_back(ShownMessageBox{owner, text ? text : "", caption ? caption : "", type});
  if (echo) {
    std::fprintf(stderr, "%s: %s\n", caption ? caption : "", text ? text : "");
  }
  if (!answers_.empty()) {
    int answer = answers_.front();
    answers_.pop_front();
    return answer;
  }
  return (type & 0xF) == MB_YESNO ? IDNO : IDOK;
}

bool OfflineWindowSystem::openNative(WindowHandle& window) {
  if (failCreate) {
    return false;
  }
  opened.push_back(window);
  // Not a native window of any toolkit; only marks the window as open.
  window.native = nullptr;
  return true;
}

void OfflineWindowSystem::closeNative(WindowHandle& window) {
  window.native = nullptr;
  ++closedWindows;
}

void OfflineWindowSystem::pollNative() {
  while (!pending_.empty()) {
    enqueue(pending_.front());
    pending_.pop_front();
  }
}

}  // namespace korvel::platform
