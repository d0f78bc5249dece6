// The link to the text editor that runs beside Tavrel as its own process: finding the editor's
// window that shows a file (by its title), acting on it, waiting for its save, and the codes
// both sides post to each other as WM_EDITOR_LINK (wParam code, lParam value).
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "formatter/common/file_services.h"
#include "platform/gui/window_registry.h"

namespace tavrel {

inline constexpr std::uint32_t WM_EDITOR_LINK = 7777;

// Codes the editor posts to Tavrel's main window.
enum EditorToTavrel : std::int32_t {
  EL_FILE_RELEASED = 0,
  EL_FILE_SAVED = 1,
  EL_FONT_SAMPLE = 2,
  EL_DOC_NAME_CHAR = 3,
  EL_DOC_OPEN = 4,
  EL_UNUSED_CHAR = 5,
  EL_JUMP_TO_SOURCE = 7,
  EL_JUMP_TO_FORMATTED = 8,
  EL_PREVIEW_START_PAGE = 9,
  EL_HELLO = 10,
  EL_PICTURE_PERCENT = 11,
  EL_TEXT_WIDTH = 12,
  EL_LOAD_CLIPBOARD_GRAPHIC = 13,
  EL_GRAPHIC_NAME_CLEAR = 20,
  EL_GRAPHIC_NAME_CHAR = 21,
  EL_LOAD_GRAPHIC_FILE = 22,
  EL_FILE_NAME_CLEAR = 30,
  EL_FILE_NAME_CHAR = 31,
  EL_OPEN_FILE_IN_EDITOR = 32,
  EL_HELP_TOPIC = 50,
  EL_COMMAND_CLEAR = 60,
  EL_COMMAND_CHAR = 61,
  EL_SHOW_DOT_COMMANDS = 62,
  EL_ACTIVATE = 199,
};

// Codes Tavrel posts to an editor window.
enum TavrelToEditor : std::int32_t {
  EL_GOTO_PARAGRAPH = 1,
  EL_SAVE_REQUEST = 2,
  EL_REQUEST_UNUSED_CHARS = 4,
  EL_INSERT_COMMAND_5 = 5,
  EL_GOTO_PAGE = 6,
  EL_HELLO_ANSWER = 10,
  EL_TEXT_CHAR = 100,
  EL_TEXT_BEGIN = 101,
  EL_TEXT2_CHAR = 102,
  EL_TEXT2_END = 103,
  EL_TEXT3_CHAR = 104,
  EL_TEXT3_END = 105,
  EL_DIALOG_DONE = 199,
};

// Modes of FindEditorWindow.
enum EditorWindowMode : std::uint8_t { kEditorClose = 0, kEditorShowAndJump = 1, kEditorSave = 2 };

// What the main thread and the job, preview and print threads share about the editor. The
// flags are written by one thread and polled by another: atomics.
struct EditorLinkState {
  std::atomic<std::int32_t> JumpParagraph{0};
  std::atomic<std::int32_t> JumpPage{0};
  std::atomic<std::int32_t> PendingEditorCode{0};
  std::atomic<std::int32_t> PendingEditorValue{0};
  std::atomic<std::uint8_t> EditorSaved{0};
  std::atomic<std::uint8_t> EditorFileReleased{0};
  std::atomic<std::int32_t> PreviewStartPage{0};
  std::atomic<std::int32_t> PicturePercent{0};
  std::atomic<std::int32_t> PictureTextWidth{0};
};

// The desktop as the link sees it: the registry of windows, Tavrel's own main window (never
// taken for an editor) and the shared state.
struct EditorLink {
  const platform::gui::WindowRegistry* Registry = nullptr;
  platform::gui::WindowHandle OwnMainWindow = 0;
  EditorLinkState* State = nullptr;
};

// One of the title tests: the name occurs in the title (case of a-z ignored) and the title
// carries the editor's mark; in kEditorSave only a title with "*" (unsaved changes) matches.
bool EditorTitleMatches(const std::string& title, const std::string& fileName, std::uint8_t mode);
// The action on a found window; every message is posted.
void PostToEditorWindow(const EditorLink& link, platform::gui::WindowHandle window,
                        std::uint8_t mode);
// Walks the windows from the topmost; true when an editor window shows fileName and was acted on.
bool FindEditorWindow(const EditorLink& link, const std::string& fileName, std::uint8_t mode);

// Before a thread reads the document's file of kind: when AutoSaveEditor is on and a modified
// editor window holds it, asks for a save and waits up to 101 x 50 ms for the answer. True
// when the editor answered; false when no window needed it or the editor stayed silent (the
// caller goes on either way).
bool SyncEditorFile(const EditorLink& link, const std::string& kind, const FileContext& ctx);

// Posts (code, value) to the editor window of the current document's ".ws" file (or, with
// toFormatted, of its "taf,fmt" file); true when a window was found. The pair is not left in
// the shared state, so another thread's search meanwhile keeps its own action.
bool SendEditorCommand(const EditorLink& link, std::int32_t code, std::int32_t value,
                       const FileContext& ctx, bool toFormatted = false);
// The same, then 5 ms of pause, so that a stream arrives at most one message per 5 ms.
bool SendEditorCommandPaced(const EditorLink& link, std::int32_t code, std::int32_t value,
                            const FileContext& ctx, bool toFormatted);

// Longest string sent or received one character per message.
inline constexpr std::size_t kEditorStringMax = 255;

// One message per character (at most kEditorStringMax) with charCode, then endCode with 0 when
// endCode >= 0. Returns whether the first message found a window (true for an empty text).
bool SendEditorString(const EditorLink& link, const std::string& text, std::int32_t charCode,
                      std::int32_t endCode, const FileContext& ctx, bool toFormatted);

// Where an insertion goes and what is said when no editor window shows the document.
struct EditorInsertion {
  bool ToFormatted = false;  // the window of the formatted file, else of the ".ws" file
  std::function<void()> NoEditor;
};
// EL_TEXT_BEGIN with requestFlag, then text (and a blank and parameter when parameter is not
// empty) as EL_TEXT_CHAR; nothing after EL_TEXT_BEGIN found no window. True when sent.
bool InsertTextIntoEditor(const EditorLink& link, const std::string& text,
                          const std::string& parameter, std::int32_t requestFlag,
                          const FileContext& ctx, const EditorInsertion& where);
// The command as EL_TEXT2_CHAR and EL_TEXT2_END, then a blank and parameter as EL_TEXT_CHAR.
// Without a window the report is made once and sending goes on.
void SendHeaderTextToEditor(const EditorLink& link, const std::string& command,
                            const std::string& parameter, const FileContext& ctx,
                            const EditorInsertion& where);
// A prompt text to be shown marked: EL_TEXT3_CHAR messages and EL_TEXT3_END.
void SendMarkedTextToEditor(const EditorLink& link, const std::string& text, const FileContext& ctx,
                            const EditorInsertion& where);

// What a code-2 request asks to show: the caption and the font (0: the default font, normal or
// alternate by `Alternate`). Nothing for lParam 0 (close) or a font letter that names no font.
struct FontSampleRequest {
  std::string Caption;
  std::uint8_t FontNumber = 0;
  bool Alternate = false;
};
std::optional<FontSampleRequest> DecodeFontSample(std::int32_t lParam,
                                                  const std::string& previousCaption);

// The main window's side of the messages from the editor: the four character buffers and the
// actions the codes start. The buffers live on the main thread only.
struct EditorLinkBuffers {
  std::string DocumentNameBuffer;
  std::string GraphicNameBuffer;
  std::string FileNameBuffer;
  std::string CommandBuffer;
};

// What the main window does for the codes; a missing action does nothing.
struct EditorLinkActions {
  std::function<void(const std::string& name)> OpenDocument;       // code 4
  std::function<void(std::uint8_t character)> AddUnusedCharacter;  // code 5
  // Codes 7 and 8: the file to show and the paragraph the editor shall jump to.
  std::function<void(const std::string& file, std::int32_t paragraph)> OpenInEditor;
  std::function<void()> Beep;
  std::function<void()> CloseFontSample;                         // code 2, 0
  std::function<void(const FontSampleRequest&)> ShowFontSample;  // code 2
  // Code 13 (named false) and 22 (named true, with the selector and the file name).
  std::function<void(bool named, std::uint8_t selector, const std::string& name)> ShowGraphics;
  std::function<std::int32_t()> TemplateRightMargin;  // code 13
  std::function<void(std::uint8_t selector, const std::string& command)> ShowDotCommands;
  std::function<void()> ShowHelp;  // code 50
  std::function<void()> Activate;  // code 199
  std::function<void(const std::string& text)> ErrorBox;
  // Said when a buffer is full and a character is dropped.
  std::function<void(const std::string& text)> Warn;
  std::function<bool(std::string& name)> LocateFile;  // code 32
};

struct EditorLinkReceiver {
  EditorLink Link;
  EditorLinkBuffers Buffers;
  EditorLinkActions Actions;
  FileContext Files;
  bool English = true;
  std::string FontSampleCaption;
};

// Handles one WM_EDITOR_LINK message from the editor; unknown codes are ignored.
void HandleEditorLinkMessage(EditorLinkReceiver& receiver, std::int32_t code, std::int32_t value);

}  // namespace tavrel
