#include "formatter/common/help_viewer.h"

#include <cstdlib>

#include "platform/files.h"
#include "platform/process.h"

namespace tavrel {

namespace {

constexpr int kContentsTopic = 11;

bool Set(const char* name) {
  const char* value = std::getenv(name);
  return value && *value;
}

}  // namespace

std::string HelpTopicPage(const HelpFiles& help, int number) {
  const std::string folder = help.Language == 1 ? "tavhelp-g" : "tavhelp-e";
  const int topic = number == 0 ? kContentsTopic : number;
  return platform::join_path(platform::join_path(help.ProgramDirectory, "help"),
                             folder + "/topic" + std::to_string(topic) + ".html");
}

bool DesktopPresent() { return Set("DISPLAY") || Set("WAYLAND_DISPLAY"); }

bool OpenHelpPage(const std::string& page) {
  // An argument list, no shell: blanks in the program folder stay inside the one argument.
  return platform::start_program("xdg-open", {page}).ok();
}

}  // namespace tavrel
