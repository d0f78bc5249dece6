#include "platform/gui/display.h"

#include <cstdlib>
#include <string>

namespace platform::gui {

namespace {
bool set(const char* name) {
  const char* v = std::getenv(name);
  return v && *v;
}
}  // namespace

bool prepare_display() {
  if (set("QT_QPA_PLATFORM")) return std::string(std::getenv("QT_QPA_PLATFORM")) == "offscreen";
  if (set("DISPLAY") || set("WAYLAND_DISPLAY")) return false;
  ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
  return true;
}

}  // namespace platform::gui
