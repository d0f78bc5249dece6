#include "formatter/app/editor_connection.h"

#include <iterator>

#include "formatter/app/job_control.h"
#include "formatter/common/file_services.h"

namespace tavrel {

namespace {

void Call(const std::function<void()>& action) {
  if (action) action();
}

}  // namespace

EditorLinkActions MakeEditorLinkActions(JobControl& jobs, const EditorWindowHooks& hooks) {
  EditorLinkActions a;
  a.OpenDocument = [&jobs, hooks](const std::string& name) {
    if (jobs.OpenDocument(name)) Call(hooks.DocumentOpened);
  };
  // The paragraph holds for this one opening only: a later "edit" must not jump there again.
  a.OpenInEditor = [&jobs](const std::string& file, std::int32_t paragraph) {
    jobs.EditorJumpParagraph = paragraph;
    jobs.OpenInEditor(file);
    jobs.EditorJumpParagraph = 0;
  };
  a.Beep = hooks.Beep;
  a.CloseFontSample = hooks.CloseFontSample;
  a.ShowFontSample = hooks.ShowFontSample;
  a.ShowGraphics = hooks.ShowGraphics;
  a.ShowDotCommands = hooks.ShowDotCommands;
  a.AddUnusedCharacter = hooks.AddUnusedCharacter;
  a.Activate = hooks.Activate;
  a.TemplateRightMargin = [&jobs]() -> std::int32_t {
    const TSettingsRecord& s = jobs.Settings();
    // The index comes from a stored file: one past the table falls back to the first entry.
    const std::size_t index =
        s.PageTemplateIndex < std::size(s.PageTemplates) ? s.PageTemplateIndex : 0;
    return s.PageTemplates[index].RM;
  };
  a.ShowHelp = [&jobs] { jobs.ShowHelpTopic(0); };
  a.ErrorBox = [boxes = hooks.Boxes](const std::string& text) {
    if (boxes) boxes->ShowMessageBox(text, kBoxError);
  };
  a.Warn = [boxes = hooks.Boxes](const std::string& text) {
    if (boxes) boxes->ShowMessageBox(text, kBoxWarning);
  };
  a.LocateFile = [&jobs](std::string& name) { return LocateFile(name, jobs.DocumentFiles()); };
  return a;
}

EditorConnection::EditorConnection(const std::string& registryDirectory, const std::string& title,
                                   JobControl& jobs, const EditorWindowHooks& hooks)
    : jobs_(jobs), registry_(registryDirectory) {
  receiver_.Actions = MakeEditorLinkActions(jobs, hooks);
  receiver_.Link.Registry = &registry_;
  receiver_.Link.State = &jobs.EditorState;
  if (registry_.ok())
    port_ = std::make_unique<platform::gui::ForeignWindowPort>(
        registry_, title,
        [this](std::uint32_t message, std::int32_t wParam, std::int32_t lParam) -> std::intptr_t {
          Handle(message, wParam, lParam);
          return 0;
        });
  receiver_.Link.OwnMainWindow = Window();
  jobs.AttachEditor(receiver_.Link);
}

EditorConnection::~EditorConnection() = default;

void EditorConnection::SetTitle(const std::string& title) {
  if (port_) port_->set_title(title);
}

void EditorConnection::Activate() {
  if (port_) port_->activate();
}

void EditorConnection::Handle(std::uint32_t message, std::int32_t wParam, std::int32_t lParam) {
  // Another process may post anything: only the link's own message means something here.
  if (message != WM_EDITOR_LINK) return;
  // The document may have changed since the last message: the codes act on the current one.
  receiver_.Files = jobs_.DocumentFiles();
  receiver_.English = jobs_.Language() == 0;
  HandleEditorLinkMessage(receiver_, wParam, lParam);
}

}  // namespace tavrel
