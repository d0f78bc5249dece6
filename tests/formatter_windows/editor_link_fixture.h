// Tavrel's side of the editor link for tests against the stand-in editor: a registry in a
// temporary folder, our main window served on this (GUI) thread, the receiver of the editor's
// codes, and a document in the folder.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "formatter/common/settings_record.h"
#include "formatter/windows/editor_link.h"
#include "platform/gui/foreign_window_port.h"
#include "platform/gui/window_messages.h"
#include "tests/support/stand_in_editor_process.h"
#include "tests/support/test_support.h"

namespace tavrel {

class EditorLinkSide {
 protected:
  EditorLinkSide() {
    corvina_test::WriteFile(work.Path() / "report.ws", "text");
    receiver.Files = {document, work.Path().string(), &settings};
    receiver.Link = {&registry, port.handle(), &state};
  }

  std::unique_ptr<corvina_test::StandInEditor> start(std::vector<std::string> arguments) {
    arguments.insert(arguments.end(), {"--reply-to", std::to_string(port.handle())});
    return std::make_unique<corvina_test::StandInEditor>(dir, work.Path().string(), arguments);
  }
  // Serves our window's messages until done or 10 s passed (a bound, not a timed assertion).
  bool serve_until(const std::function<bool()>& done) {
    return platform::gui::wait_serving_messages(done, std::chrono::seconds(10));
  }
  // Ends the editor and returns what it received.
  std::vector<std::string> finish(corvina_test::StandInEditor& editor) {
    return editor.finish(registry);
  }
  EditorLink link() { return {&registry, port.handle(), &state}; }

  corvina_test::TempDir work{"elink"};
  std::string dir = (work.Path() / "windows").string();
  platform::gui::WindowRegistry registry{dir};
  EditorLinkState state;
  TSettingsRecord settings{};
  std::string document = (work.Path() / "report.ws").string();
  EditorLinkReceiver receiver;
  platform::gui::ForeignWindowPort port{registry, "Tavrel",
                                        [this](std::uint32_t m, std::int32_t w, std::int32_t l) {
                                          if (m == WM_EDITOR_LINK)
                                            HandleEditorLinkMessage(receiver, w, l);
                                          return std::intptr_t{0};
                                        }};
};

}  // namespace tavrel
