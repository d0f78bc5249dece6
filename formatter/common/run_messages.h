#pragma once
// Messages of a formatting run (error and information lines with the paragraph, the stop after
// 50 errors, the interruption), the layout each file starts from, and the page accounting of the
// two output streams (0 notes, 1 text).

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "formatter/common/messages.h"

namespace tavrel {

struct TSettingsRecord;
class MessageList;
class MessageBoxes;
class MainNotifier;

inline constexpr int kNotesStream = 0;  // the ".fun" notes file
inline constexpr int kTextStream = 1;   // the ".fmt" formatted file
inline constexpr int kMaxErrorsBeforeStop = 50;

// Default-constructed inside the run's state and bound to the run's settings and outlets before
// use; an unbound outlet drops what goes to it.
class RunMessages {
 public:
  RunMessages() = default;
  RunMessages(const TSettingsRecord* settings, MessageList* list, MessageBoxes* boxes,
              MainNotifier* notifier);
  RunMessages(const TSettingsRecord& settings, MessageList& list, MessageBoxes& boxes,
              MainNotifier& notifier)
      : RunMessages(&settings, &list, &boxes, &notifier) {}
  void Bind(const TSettingsRecord* settings, MessageList* list, MessageBoxes* boxes,
            MainNotifier* notifier);

  // The catalogue's text in the run's language (English while unbound).
  std::string Text(MessageId id, MessageArgs args = {}) const;
  std::string Show(const MessageTexts& texts) const;

  void ClearMessageList();
  void AddMessagePrefix(std::string_view text);
  void ShowMessageListOnce();
  // "ERROR[ Par n]: " + prefix + text; counted; the 51st interrupts the run.
  void ReportFormatError(std::string_view text);
  // The same line with "INFO"; not counted.
  void ReportFormatInfo(std::string_view text);
  // Sends code 100 (the main window stops the run) and waits for it.
  void RequestStopFormatting();
  void InterruptFormatJob();
  // When failed: the error line with errorCode and name, then the interruption. Returns !failed.
  bool CheckOutputOpened(int code, const std::string& name, bool failed, int errorCode);
  // Stop := user stop or abort; sets RunStop when so.
  bool PollStop();

  std::uint8_t Language() const;
  MessageBoxes* Boxes() { return boxes_; }
  MainNotifier* Notifier() { return notifier_; }

  std::string MessagePrefix;
  std::uint8_t MessageListEmpty = 1;
  std::int32_t ParagraphNumber = 0;
  std::int32_t ErrorCount = 0;
  std::uint8_t BackupKept = 0;
  std::uint8_t IndexScanRun = 0;
  std::atomic<std::uint8_t> AbortRequested{0};
  std::atomic<std::uint8_t> RunStop{0};
  std::atomic<std::uint8_t> UserStop{0};  // written by the main thread's stop button
  // The end-of-run step of learned hyphenations, run by the interruption.
  std::function<void()> OnInterrupted;

 private:
  void AddLine(std::string_view kind, std::string_view text);

  const TSettingsRecord* settings_ = nullptr;
  MessageList* list_ = nullptr;
  MessageBoxes* boxes_ = nullptr;
  MainNotifier* notifier_ = nullptr;
};

// Layout values each file of a run starts from.
struct LayoutValues {
  std::int32_t PageLength = 0;  // lines
  std::int32_t TopMargin = 0;
  std::int32_t BottomMargin = 0;
  std::int32_t Gutter = 0;     // columns
  std::int32_t LineWidth = 0;  // (RM + gutter) x column unit
  std::int32_t HyphenationZone = 0;
  std::int32_t TabStep = 0;  // percent
  std::uint8_t HyphenationMode = 0;
  std::uint8_t DefaultHyphenationMode = 0;
  std::uint8_t MinUnhyphenated = 0;  // .HN
  std::int32_t PageLimit = 0;        // 1/48 inch
};

// The current page template; index beyond 9 falls back to template 0.
void LoadLayoutFromSettings(const TSettingsRecord& settings, std::int32_t columnUnit,
                            std::int32_t zoneUnit, LayoutValues& layout);
void ComputePageLimit(LayoutValues& layout);

struct StreamPages {
  std::int32_t PageCount = 1;
  std::int32_t PagePosition = 8;
  std::int32_t LinesOnPage = 1;
  std::uint8_t LineHeights[3] = {8, 8, 8};  // slots of .HH, .EH, .SH
};

struct PageState {
  StreamPages Streams[2];
  std::int32_t PageLimit = 0;
};

// Both streams back to their first page; the limit from the layout.
void ResetPageState(PageState& pages, const LayoutValues& layout);
bool IsPageFull(const PageState& pages, int stream, std::int32_t position);
// Stream 1 sends code 28 (index scan) or 29 with the new page count; stream 0 sends nothing.
void StartNewPage(PageState& pages, int stream, RunMessages& messages);
// New page when full, else advance by the slot's height; returns true when the run must stop.
bool AdvanceLine(PageState& pages, int stream, int heightIndex, RunMessages& messages);

// The width of the note mark in the note area: its length less 2 for each "^".
std::int32_t NoteMarkWidth(const TSettingsRecord& settings);

}  // namespace tavrel
