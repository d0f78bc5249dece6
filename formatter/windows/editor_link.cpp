#include "formatter/windows/editor_link.h"

#include <chrono>
#include <iterator>
#include <thread>

#include "formatter/common/bilingual_texts.h"
#include "formatter/common/font_numbers.h"
#include "formatter/common/settings_record.h"

namespace tavrel {

namespace {

using platform::gui::WindowHandle;

constexpr int kSaveWaitSteps = 101;
constexpr auto kSaveWaitStep = std::chrono::milliseconds(50);
constexpr auto kStreamPace = std::chrono::milliseconds(5);

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// The name without its folder; both separators count, as names come from either side.
std::string NamePart(const std::string& path) {
  const auto slash = path.find_last_of("\\/");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string DropOneLeadingBlank(const std::string& name) {
  return !name.empty() && name.front() == ' ' ? name.substr(1) : name;
}

}  // namespace

bool EditorTitleMatches(const std::string& title, const std::string& fileName, std::uint8_t mode) {
  const std::string name = MakeUpperCase(NamePart(fileName));
  const std::string upperTitle = MakeUpperCase(title);
  if (name.empty() || !Contains(upperTitle, name)) return false;
  // The editor writes its paragraph mark as "(Par 12)" too: the word may follow the bracket.
  const auto paragraphMark = [&title](const char* word) {
    return Contains(title, std::string(" ") + word + " ") ||
           Contains(title, std::string("(") + word + " ");
  };
  const bool marked = Contains(upperTitle, "- DUNMOOR") ||
                      (Contains(title, "(") && (paragraphMark("Abs") || paragraphMark("Par")));
  if (!marked) return false;
  // Only a window with unsaved changes is asked to save.
  return mode != kEditorSave || Contains(title, "*");
}

namespace {

// A command that takes the place of the mode's own action; code 0: none.
struct EditorCommand {
  std::int32_t Code = 0;
  std::int32_t Value = 0;
};

EditorCommand PendingCommand(const EditorLinkState& state) {
  return {state.PendingEditorCode.load(), state.PendingEditorValue.load()};
}

void PostAction(const EditorLink& link, WindowHandle window, std::uint8_t mode,
                const EditorCommand& command) {
  const EditorLinkState& state = *link.State;
  const auto& registry = *link.Registry;
  if (command.Code > 0) {
    registry.post(window, WM_EDITOR_LINK, command.Code, command.Value);
    return;
  }
  switch (mode) {
    case kEditorClose:
      registry.post(window, platform::gui::kWmClose, 0, 0);
      break;
    case kEditorShowAndJump:
      registry.bring_to_front(window);
      if (state.JumpParagraph.load() >= 1)
        registry.post(window, WM_EDITOR_LINK, EL_GOTO_PARAGRAPH, state.JumpParagraph.load());
      else if (state.JumpPage.load() > 0)
        registry.post(window, WM_EDITOR_LINK, EL_GOTO_PAGE, state.JumpPage.load());
      break;
    case kEditorSave:
      registry.post(window, WM_EDITOR_LINK, EL_SAVE_REQUEST, 0);
      break;
    default:
      break;
  }
}

bool FindAndAct(const EditorLink& link, const std::string& fileName, std::uint8_t mode,
                const EditorCommand& command) {
  if (!link.Registry || !link.State || !link.Registry->ok()) return false;
  for (const WindowHandle window : link.Registry->z_order()) {
    if (window == link.OwnMainWindow) continue;
    if (!EditorTitleMatches(link.Registry->window_title(window), fileName, mode)) continue;
    const WindowHandle child = link.Registry->first_child(window);
    // The message goes to the child, but it is the top-level window that comes to the front;
    // a pending command is all that happens.
    if (mode == kEditorShowAndJump && child != 0 && command.Code <= 0)
      link.Registry->bring_to_front(window);
    PostAction(link, child != 0 ? child : window, mode, command);
    return true;
  }
  return false;
}

}  // namespace

void PostToEditorWindow(const EditorLink& link, WindowHandle window, std::uint8_t mode) {
  PostAction(link, window, mode, PendingCommand(*link.State));
}

bool FindEditorWindow(const EditorLink& link, const std::string& fileName, std::uint8_t mode) {
  return link.State && FindAndAct(link, fileName, mode, PendingCommand(*link.State));
}

bool SyncEditorFile(const EditorLink& link, const std::string& kind, const FileContext& ctx) {
  if (!ctx.Settings || ctx.Settings->AutoSaveEditor == 0 || !link.State) return false;
  const std::string name = ChooseFileExtension(ctx.CurrentDocument, kind, ctx);
  // Cleared before the request goes out, so that an early answer is not lost.
  link.State->EditorSaved = 0;
  if (!FindEditorWindow(link, name, kEditorSave)) return false;
  for (int step = 0; step < kSaveWaitSteps; ++step) {
    if (link.State->EditorSaved.load()) return true;
    std::this_thread::sleep_for(kSaveWaitStep);
  }
  return link.State->EditorSaved.load() != 0;
}

bool SendEditorCommand(const EditorLink& link, std::int32_t code, std::int32_t value,
                       const FileContext& ctx, bool toFormatted) {
  if (!link.State) return false;
  // The command goes with this one search and is not left in the shared state, where the
  // job, preview or print thread's own search would take it for theirs.
  const std::string name =
      ChooseFileExtension(ctx.CurrentDocument, toFormatted ? "taf,fmt" : "ws", ctx);
  return FindAndAct(link, name, kEditorShowAndJump, EditorCommand{code, value});
}

bool SendEditorCommandPaced(const EditorLink& link, std::int32_t code, std::int32_t value,
                            const FileContext& ctx, bool toFormatted) {
  const bool found = SendEditorCommand(link, code, value, ctx, toFormatted);
  std::this_thread::sleep_for(kStreamPace);
  return found;
}

bool SendEditorString(const EditorLink& link, const std::string& text, std::int32_t charCode,
                      std::int32_t endCode, const FileContext& ctx, bool toFormatted) {
  bool found = true;
  const std::size_t length = std::min(text.size(), kEditorStringMax);
  for (std::size_t i = 0; i < length; ++i) {
    const bool sent = SendEditorCommandPaced(link, charCode, static_cast<unsigned char>(text[i]),
                                             ctx, toFormatted);
    if (i == 0) found = sent;
  }
  if (endCode >= 0) SendEditorCommandPaced(link, endCode, 0, ctx, toFormatted);
  return found;
}

namespace {

std::string WithParameter(const std::string& text, const std::string& parameter) {
  return parameter.empty() ? text : text + " " + parameter;
}

void Report(const EditorInsertion& where) {
  if (where.NoEditor) where.NoEditor();
}

}  // namespace

bool InsertTextIntoEditor(const EditorLink& link, const std::string& text,
                          const std::string& parameter, std::int32_t requestFlag,
                          const FileContext& ctx, const EditorInsertion& where) {
  if (!SendEditorCommandPaced(link, EL_TEXT_BEGIN, requestFlag, ctx, where.ToFormatted)) {
    Report(where);
    return false;
  }
  SendEditorString(link, WithParameter(text, parameter), EL_TEXT_CHAR, -1, ctx, where.ToFormatted);
  return true;
}

void SendHeaderTextToEditor(const EditorLink& link, const std::string& command,
                            const std::string& parameter, const FileContext& ctx,
                            const EditorInsertion& where) {
  if (!SendEditorString(link, command, EL_TEXT2_CHAR, EL_TEXT2_END, ctx, where.ToFormatted))
    Report(where);
  if (!parameter.empty())
    SendEditorString(link, " " + parameter, EL_TEXT_CHAR, -1, ctx, where.ToFormatted);
}

void SendMarkedTextToEditor(const EditorLink& link, const std::string& text, const FileContext& ctx,
                            const EditorInsertion& where) {
  if (!SendEditorString(link, text, EL_TEXT3_CHAR, EL_TEXT3_END, ctx, where.ToFormatted))
    Report(where);
}

std::optional<FontSampleRequest> DecodeFontSample(std::int32_t lParam,
                                                  const std::string& previousCaption) {
  if (lParam == 0) return std::nullopt;
  const auto byte = [lParam](int index) {
    return static_cast<char>((static_cast<std::uint32_t>(lParam) >> (8 * index)) & 0xff);
  };
  const auto upper = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; };
  const char kind0 = upper(byte(0)), kind1 = upper(byte(1));
  const char letter = byte(2), prefix = byte(3);
  struct KindCaption {
    char kind;
    const char* caption;
  };
  static constexpr KindCaption kCaptions[] = {{'A', "Alternate"},
                                              {'B', "Bold"},
                                              {'F', ""},
                                              {'N', "Normal"},
                                              {'H', "Sub/Superscript"},
                                              {'S', "Sub/Superscript"},
                                              {'X', "Bold-Italic"},
                                              {'Y', "Italic"}};
  std::string caption = previousCaption;
  if (kind0 == 'A') {
    caption = "Alternate";
  } else {
    for (const auto& row : kCaptions)
      if (row.kind == kind1) caption = row.caption;
  }
  FontSampleRequest request;
  if (letter == 0) {
    request.Caption = "Select default " + caption + " Font";
    request.Alternate = kind0 == 'A' || kind1 == 'A';
    return request;
  }
  // The letters come from another process: a number outside the fonts would index past the
  // printer's font table.
  const std::uint8_t number = FontCharToNumber(letter, prefix);
  if (number < 1 || number > kFontCount) return std::nullopt;
  request.Caption = "Select " + caption + " Font " + std::string(1, letter);
  if (prefix != 0) request.Caption += prefix;
  request.FontNumber = number;
  return request;
}

namespace {

using Receiver = EditorLinkReceiver;

void Call(const std::function<void()>& action) {
  if (action) action();
}

// Appends a character from the editor; a full buffer drops the rest and says so once.
void Append(Receiver& r, std::string& buffer, std::int32_t value) {
  if (buffer.size() < kEditorStringMax) {
    buffer.push_back(static_cast<char>(value & 0xff));
    return;
  }
  if (buffer.size() == kEditorStringMax && r.Actions.Warn) {
    r.Actions.Warn(r.English
                       ? "Text from the editor is longer than 255 characters: the rest is dropped."
                       : "Text vom Editor ist l\xe4nger als 255 Zeichen: der Rest entf\xe4llt.");
  }
  // One marker byte past the limit remembers that the warning was given.
  if (buffer.size() == kEditorStringMax) buffer.push_back('\0');
}

// The buffer as the editor sent it, without the overflow marker.
std::string Taken(const std::string& buffer) { return buffer.substr(0, kEditorStringMax); }

void Jump(Receiver& r, std::int32_t paragraph, const char* kind) {
  const std::string wanted = Taken(r.Buffers.DocumentNameBuffer);
  r.Buffers.DocumentNameBuffer.clear();
  std::string name = NamePart(r.Files.CurrentDocument);
  if (const auto dot = name.rfind('.'); dot != std::string::npos) name.resize(dot + 1);
  const bool switches = r.Files.Settings && r.Files.Settings->DoubleClickSwitchesFiles != 0;
  if (!switches || name.empty() || !Contains(MakeUpperCase(wanted), MakeUpperCase(name))) {
    Call(r.Actions.Beep);
    return;
  }
  if (r.Actions.OpenInEditor)
    r.Actions.OpenInEditor(ChooseFileExtension(r.Files.CurrentDocument, kind, r.Files), paragraph);
}

void OpenNamedFile(Receiver& r) {
  std::string name = DropOneLeadingBlank(Taken(r.Buffers.FileNameBuffer));
  if (name.empty()) return;
  const std::string asked = name;
  if (r.Actions.LocateFile && r.Actions.LocateFile(name)) {
    if (r.Actions.OpenInEditor) r.Actions.OpenInEditor(name, 0);
  } else if (r.Actions.ErrorBox) {
    r.Actions.ErrorBox(r.English ? "File " + asked + " not found."
                                 : "Datei " + asked + " nicht gefunden!");
  }
}

struct CodeRow {
  std::int32_t code;
  void (*run)(Receiver& r, std::int32_t value);
};

// A row per code the editor may post; codes without a row are ignored.
constexpr CodeRow kCodeTable[] = {
    {EL_FILE_RELEASED, [](Receiver& r, std::int32_t) { r.Link.State->EditorFileReleased = 1; }},
    {EL_FILE_SAVED, [](Receiver& r, std::int32_t) { r.Link.State->EditorSaved = 1; }},
    {EL_FONT_SAMPLE,
     [](Receiver& r, std::int32_t v) {
       if (v == 0) return Call(r.Actions.CloseFontSample);
       const auto request = DecodeFontSample(v, r.FontSampleCaption);
       if (!request) return;
       r.FontSampleCaption = request->Caption;
       if (r.Actions.ShowFontSample) r.Actions.ShowFontSample(*request);
     }},
    {EL_DOC_NAME_CHAR,
     [](Receiver& r, std::int32_t v) { Append(r, r.Buffers.DocumentNameBuffer, v); }},
    {EL_DOC_OPEN,
     [](Receiver& r, std::int32_t) {
       const std::string name = Taken(r.Buffers.DocumentNameBuffer);
       r.Buffers.DocumentNameBuffer.clear();
       if (!name.empty() && r.Actions.OpenDocument) r.Actions.OpenDocument(name);
     }},
    {EL_UNUSED_CHAR,
     [](Receiver& r, std::int32_t v) {
       if (r.Actions.AddUnusedCharacter)
         r.Actions.AddUnusedCharacter(static_cast<std::uint8_t>(v & 0xff));
     }},
    {EL_JUMP_TO_SOURCE, [](Receiver& r, std::int32_t v) { Jump(r, v, "ws"); }},
    {EL_JUMP_TO_FORMATTED, [](Receiver& r, std::int32_t v) { Jump(r, v, "taf,fmt"); }},
    {EL_PREVIEW_START_PAGE,
     [](Receiver& r, std::int32_t v) { r.Link.State->PreviewStartPage = v; }},
    {EL_HELLO,
     [](Receiver& r, std::int32_t v) {
       if (r.Link.Registry) r.Link.Registry->post(v, WM_EDITOR_LINK, EL_HELLO_ANSWER, 0);
     }},
    {EL_PICTURE_PERCENT, [](Receiver& r, std::int32_t v) { r.Link.State->PicturePercent = v; }},
    {EL_TEXT_WIDTH, [](Receiver& r, std::int32_t v) { r.Link.State->PictureTextWidth = v; }},
    {EL_LOAD_CLIPBOARD_GRAPHIC,
     [](Receiver& r, std::int32_t) {
       if (r.Link.State->PictureTextWidth.load() == 0 && r.Actions.TemplateRightMargin)
         r.Link.State->PictureTextWidth = r.Actions.TemplateRightMargin();
       if (r.Actions.ShowGraphics) r.Actions.ShowGraphics(false, 0, std::string());
     }},
    {EL_GRAPHIC_NAME_CLEAR, [](Receiver& r, std::int32_t) { r.Buffers.GraphicNameBuffer.clear(); }},
    {EL_GRAPHIC_NAME_CHAR,
     [](Receiver& r, std::int32_t v) { Append(r, r.Buffers.GraphicNameBuffer, v); }},
    {EL_LOAD_GRAPHIC_FILE,
     [](Receiver& r, std::int32_t v) {
       const std::string name = DropOneLeadingBlank(Taken(r.Buffers.GraphicNameBuffer));
       if (!name.empty() && r.Actions.ShowGraphics)
         r.Actions.ShowGraphics(true, static_cast<std::uint8_t>(v & 0xff), name);
     }},
    {EL_FILE_NAME_CLEAR, [](Receiver& r, std::int32_t) { r.Buffers.FileNameBuffer.clear(); }},
    {EL_FILE_NAME_CHAR,
     [](Receiver& r, std::int32_t v) { Append(r, r.Buffers.FileNameBuffer, v); }},
    {EL_OPEN_FILE_IN_EDITOR, [](Receiver& r, std::int32_t) { OpenNamedFile(r); }},
    {EL_HELP_TOPIC, [](Receiver& r, std::int32_t) { Call(r.Actions.ShowHelp); }},
    {EL_COMMAND_CLEAR, [](Receiver& r, std::int32_t) { r.Buffers.CommandBuffer.clear(); }},
    {EL_COMMAND_CHAR, [](Receiver& r, std::int32_t v) { Append(r, r.Buffers.CommandBuffer, v); }},
    {EL_SHOW_DOT_COMMANDS,
     [](Receiver& r, std::int32_t v) {
       if (r.Actions.ShowDotCommands)
         r.Actions.ShowDotCommands(static_cast<std::uint8_t>(v & 0xff),
                                   Taken(r.Buffers.CommandBuffer));
     }},
    {EL_ACTIVATE, [](Receiver& r, std::int32_t) { Call(r.Actions.Activate); }},
};

}  // namespace

void HandleEditorLinkMessage(EditorLinkReceiver& receiver, std::int32_t code, std::int32_t value) {
  if (!receiver.Link.State) return;
  for (const CodeRow& row : kCodeTable) {
    if (row.code == code) {
      row.run(receiver, value);
      return;
    }
  }
}

}  // namespace tavrel
