// A scripted text editor for the tests of the editor link: it registers a window (and a first
// child) under a title, logs every message it receives with its time, answers save requests,
// close requests and character requests as told, and sends scripted commands. Never installed.
//
//   stand_in_editor --dir D --title T --ready FILE --log FILE [--child] [--reply-to H]
//                   [--save-after MS] [--close-after MS] [--unused CHARS]
//                   [--send CODE:VALUE,...] [--life MS] [--save-from FILE --save-to FILE]
// A save writes the text of --save-from over --save-to (through a temporary file), as an
// editor writes its buffer, before it answers.
// A negative time means never. WM_QUIT (0x12) ends it.
#include <poll.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/gui/window_registry.h"

using platform::gui::WindowHandle;
using Clock = std::chrono::steady_clock;

namespace {

constexpr std::uint32_t kEditorLink = 7777;
constexpr std::uint32_t kWmQuit = 0x12;

struct Script {
  std::string dir, title, ready, log, unused, send, saveFrom, saveTo;
  bool child = false;
  WindowHandle replyTo = 0;
  long saveAfter = -1, closeAfter = -1, life = 20000;
};

Script read_arguments(int argc, char** argv) {
  Script s;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string key = argv[i], value = argv[i + 1];
    if (key == "--dir")
      s.dir = value;
    else if (key == "--title")
      s.title = value;
    else if (key == "--ready")
      s.ready = value;
    else if (key == "--log")
      s.log = value;
    else if (key == "--unused")
      s.unused = value;
    else if (key == "--send")
      s.send = value;
    else if (key == "--save-from")
      s.saveFrom = value;
    else if (key == "--save-to")
      s.saveTo = value;
    else if (key == "--child")
      s.child = value == "1";
    else if (key == "--reply-to")
      s.replyTo = std::atoi(value.c_str());
    else if (key == "--save-after")
      s.saveAfter = std::atol(value.c_str());
    else if (key == "--close-after")
      s.closeAfter = std::atol(value.c_str());
    else if (key == "--life")
      s.life = std::atol(value.c_str());
  }
  return s;
}

}  // namespace

int main(int argc, char** argv) {
  const Script script = read_arguments(argc, argv);
  platform::gui::WindowRegistry registry(script.dir);
  if (!registry.ok()) {
    std::fprintf(stderr, "stand_in_editor: %s\n", registry.error().c_str());
    return 2;
  }
  auto top = registry.register_window(script.title);
  if (!top) return 3;
  std::unique_ptr<platform::gui::RegisteredWindow> child;
  if (script.child) child = registry.register_window("edit", top->handle());
  std::ofstream log(script.log, std::ios::trunc);
  const auto start = Clock::now();
  const auto elapsed = [&] {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
  };
  {
    const std::string temporary = script.ready + ".new";
    std::ofstream(temporary) << top->handle() << ' ' << (child ? child->handle() : 0) << '\n';
    std::rename(temporary.c_str(), script.ready.c_str());
  }
  // Scripted commands to the formatter, in order.
  std::istringstream sends(script.send);
  std::string pair;
  while (std::getline(sends, pair, ',')) {
    const auto colon = pair.find(':');
    if (colon == std::string::npos) continue;
    registry.post(script.replyTo, kEditorLink, std::atoi(pair.substr(0, colon).c_str()),
                  std::atoi(pair.substr(colon + 1).c_str()));
  }
  long saveDue = -1, closeDue = -1;
  bool running = true;
  while (running && elapsed() < script.life) {
    pollfd fds[2] = {{top->fd(), POLLIN, 0}, {child ? child->fd() : -1, POLLIN, 0}};
    ::poll(fds, 2, 5);
    for (auto* window : {top.get(), child.get()}) {
      if (!window) continue;
      while (auto m = window->receive()) {
        log << elapsed() << ' ' << (window == top.get() ? "top" : "child") << ' ' << m->message
            << ' ' << m->wParam << ' ' << m->lParam << '\n';
        if (m->message == kWmQuit) running = false;
        if (m->message == platform::gui::kWmClose && script.closeAfter >= 0)
          closeDue = elapsed() + script.closeAfter;
        if (m->message == kEditorLink && m->wParam == 2 && script.saveAfter >= 0)
          saveDue = elapsed() + script.saveAfter;
        if (m->message == kEditorLink && m->wParam == 4)
          for (const unsigned char c : script.unused)
            registry.post(script.replyTo, kEditorLink, 5, c);
      }
    }
    if (saveDue >= 0 && elapsed() >= saveDue) {
      saveDue = -1;
      std::string title = script.title;
      if (const auto star = title.find('*'); star != std::string::npos) title.erase(star, 1);
      top->set_title(title);
      if (!script.saveFrom.empty() && !script.saveTo.empty()) {
        std::ifstream in(script.saveFrom, std::ios::binary);
        const std::string temporary = script.saveTo + ".saving";
        std::ofstream(temporary, std::ios::binary | std::ios::trunc) << in.rdbuf();
        std::rename(temporary.c_str(), script.saveTo.c_str());
      }
      registry.post(script.replyTo, kEditorLink, 1, 0);
      log << elapsed() << " saved\n";
    }
    if (closeDue >= 0 && elapsed() >= closeDue) {
      registry.post(script.replyTo, kEditorLink, 0, 0);
      log << elapsed() << " closed\n";
      running = false;
    }
    log.flush();
  }
  return 0;
}
