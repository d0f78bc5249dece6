// The main window's end of the link to the text editor: its entry in the registry of windows
// of other processes, the receiver of WM_EDITOR_LINK, and what each code from the editor does
// to the jobs and windows. Everything here runs on the GUI thread; the job, preview and print
// threads reach the editor through JobControl with the state that lives there.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "formatter/common/message_boxes.h"
#include "formatter/windows/editor_link.h"
#include "platform/gui/foreign_window_port.h"
#include "platform/gui/window_registry.h"

namespace tavrel {

class JobControl;

// What the codes need of the main window beyond the job control.
struct EditorWindowHooks {
  std::function<void()> Beep;
  std::function<void()> Activate;                                // code 199
  std::function<void()> CloseFontSample;                         // code 2, 0
  std::function<void(const FontSampleRequest&)> ShowFontSample;  // code 2
  std::function<void(bool named, std::uint8_t selector, const std::string& name)> ShowGraphics;
  std::function<void(std::uint8_t selector, const std::string& command)> ShowDotCommands;
  std::function<void(std::uint8_t character)> AddUnusedCharacter;  // code 5
  std::function<void()> DocumentOpened;  // after code 4 made a document current
  MessageBoxes* Boxes = nullptr;         // error and warning boxes
};

// The actions of the codes: the job control's parts filled here, the window's from hooks.
EditorLinkActions MakeEditorLinkActions(JobControl& jobs, const EditorWindowHooks& hooks);

class EditorConnection {
 public:
  // registryDirectory: WindowRegistry::default_directory() outside the tests. Without a usable
  // registry the program works alone: no editor is found and none can reach it.
  EditorConnection(const std::string& registryDirectory, const std::string& title, JobControl& jobs,
                   const EditorWindowHooks& hooks);
  ~EditorConnection();
  EditorConnection(const EditorConnection&) = delete;
  EditorConnection& operator=(const EditorConnection&) = delete;

  bool ok() const { return port_ && port_->ok(); }
  platform::gui::WindowHandle Window() const { return port_ ? port_->handle() : 0; }
  const EditorLink& Link() const { return receiver_.Link; }
  void SetTitle(const std::string& title);
  // Makes the main window the topmost one in the registry too.
  void Activate();
  // One message from another process: only WM_EDITOR_LINK is acted on.
  void Handle(std::uint32_t message, std::int32_t wParam, std::int32_t lParam);

 private:
  JobControl& jobs_;
  platform::gui::WindowRegistry registry_;
  EditorLinkReceiver receiver_;
  std::unique_ptr<platform::gui::ForeignWindowPort> port_;
};

}  // namespace tavrel
