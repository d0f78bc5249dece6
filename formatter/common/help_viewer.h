#pragma once
// Shows a help topic: the HTML page compiled at build time from data/help, one per topic
// number, opened by the desktop's opener; without a desktop the topic line is printed instead.

#include <string>

#include "formatter/common/help_lookup.h"

namespace tavrel {

// The page of a topic: "<program folder>/help/tavhelp-<e|g>/topic<N>.html" by the program
// language; topic 0 (the editor's "help" with no topic) is the contents page, topic 11.
std::string HelpTopicPage(const HelpFiles& help, int number);

// A desktop can show a page when DISPLAY or WAYLAND_DISPLAY is set.
bool DesktopPresent();

// Starts the desktop's opener ("xdg-open", found on PATH) on page; false when it could not be
// started.
bool OpenHelpPage(const std::string& page);

}  // namespace tavrel
