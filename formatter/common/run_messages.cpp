#include "formatter/common/run_messages.h"

#include "formatter/common/message_boxes.h"
#include "formatter/common/notifications.h"
#include "formatter/common/settings_record.h"

namespace tavrel {

RunMessages::RunMessages(const TSettingsRecord* settings, MessageList* list, MessageBoxes* boxes,
                         MainNotifier* notifier) {
  Bind(settings, list, boxes, notifier);
}

void RunMessages::Bind(const TSettingsRecord* settings, MessageList* list, MessageBoxes* boxes,
                       MainNotifier* notifier) {
  settings_ = settings;
  list_ = list;
  boxes_ = boxes;
  notifier_ = notifier;
}

std::uint8_t RunMessages::Language() const { return settings_ ? settings_->Language : 0; }

std::string RunMessages::Text(MessageId id, MessageArgs args) const {
  return MessageText(Language(), id, args);
}

std::string RunMessages::Show(const MessageTexts& texts) const {
  return ShowMessage(Language(), texts);
}

void RunMessages::ClearMessageList() {
  if (list_) list_->Clear();
  MessagePrefix.clear();
  MessageListEmpty = 1;
}

void RunMessages::AddMessagePrefix(std::string_view text) { MessagePrefix += text; }

void RunMessages::ShowMessageListOnce() {
  if (!MessageListEmpty) return;
  MessageListEmpty = 0;
  if (notifier_) notifier_->Post(MN_SHOW_MESSAGES, 0);
}

void RunMessages::AddLine(std::string_view kind, std::string_view text) {
  ShowMessageListOnce();
  const std::string full = MessagePrefix + std::string(text);
  std::string location;
  if (ParagraphNumber != 0)
    location = " " + Text(MessageId::kParagraphAbbreviation) + std::to_string(ParagraphNumber);
  if (list_) list_->AddLine(std::string(kind) + location + ": " + full, ParagraphNumber);
  MessagePrefix.clear();
}

void RunMessages::ReportFormatError(std::string_view text) {
  AddLine("ERROR", text);
  ++ErrorCount;
  // Only the 51st error stops the run; errors reported while it winds down are listed, but the
  // box is not shown again.
  if (ErrorCount == kMaxErrorsBeforeStop + 1) {
    if (boxes_) boxes_->ShowMessageBox(Text(MessageId::kTooManyErrors), kBoxError);
    InterruptFormatJob();
  }
}

void RunMessages::ReportFormatInfo(std::string_view text) { AddLine("INFO", text); }

void RunMessages::RequestStopFormatting() {
  if (notifier_) notifier_->Send(MN_STOP_FORMATTING, 0);
}

void RunMessages::InterruptFormatJob() {
  if (BackupKept && boxes_)
    boxes_->ShowMessageBox(MessageSource(Language(), MessageId::kOldFileKeptAsBackup),
                           kBoxInformation);
  ReportFormatInfo(Text(MessageId::kFormatJobInterrupted));
  AbortRequested = 1;
  if (OnInterrupted) OnInterrupted();
}

bool RunMessages::CheckOutputOpened(int code, const std::string& name, bool failed, int errorCode) {
  (void)code;  // which kind of file it was; the message names the file itself
  if (!failed) return true;
  ReportFormatError(Text(MessageId::kErrorOpeningOutputFile, {std::to_string(errorCode), name}));
  InterruptFormatJob();
  return false;
}

bool RunMessages::PollStop() {
  const bool stop = UserStop != 0 || AbortRequested != 0;
  if (stop) RunStop = 1;
  return stop;
}

void LoadLayoutFromSettings(const TSettingsRecord& settings, std::int32_t columnUnit,
                            std::int32_t zoneUnit, LayoutValues& layout) {
  const TPageTemplate& t = CurrentPageTemplate(settings);
  layout.Gutter = settings.DefaultGU;
  layout.MinUnhyphenated = settings.DefaultHN;
  layout.LineWidth = (t.RM + layout.Gutter) * columnUnit;
  layout.PageLength = t.PL;
  layout.TopMargin = t.MT;
  layout.BottomMargin = t.MB;
  layout.HyphenationZone = (t.RM < 36 ? t.RM - 5 : 30) * zoneUnit;
  layout.TabStep = settings.DefaultTS < 10 ? settings.DefaultTS * 10 : settings.DefaultTS;
  layout.HyphenationMode = settings.HyphenationMode;
  layout.DefaultHyphenationMode = settings.HyphenationMode;
  ComputePageLimit(layout);
}

void ComputePageLimit(LayoutValues& layout) {
  layout.PageLimit = (layout.PageLength - layout.TopMargin - layout.BottomMargin) * 8;
}

void ResetPageState(PageState& pages, const LayoutValues& layout) {
  for (StreamPages& s : pages.Streams) s = StreamPages{};
  pages.PageLimit = layout.PageLimit;
}

static StreamPages& StreamOf(PageState& pages, int stream) {
  return pages.Streams[stream == kNotesStream ? kNotesStream : kTextStream];
}

bool IsPageFull(const PageState& pages, int stream, std::int32_t position) {
  (void)stream;
  return position >= pages.PageLimit;
}

void StartNewPage(PageState& pages, int stream, RunMessages& messages) {
  StreamPages& s = StreamOf(pages, stream);
  s.PagePosition = s.LineHeights[0];
  ++s.PageCount;
  s.LinesOnPage = 1;
  if (stream != kNotesStream && messages.Notifier())
    messages.Notifier()->Send(messages.IndexScanRun ? MN_INDEX_SCAN_PAGE : MN_FORMAT_PAGE,
                              s.PageCount);
}

bool AdvanceLine(PageState& pages, int stream, int heightIndex, RunMessages& messages) {
  StreamPages& s = StreamOf(pages, stream);
  if (IsPageFull(pages, stream, s.PagePosition)) {
    StartNewPage(pages, stream, messages);
  } else {
    s.PagePosition += s.LineHeights[heightIndex >= 0 && heightIndex < 3 ? heightIndex : 0];
    ++s.LinesOnPage;
  }
  return messages.PollStop();
}

std::int32_t NoteMarkWidth(const TSettingsRecord& settings) {
  const std::string mark = settings.NoteLinkInNoteArea.Str();
  std::int32_t width = static_cast<std::int32_t>(mark.size());
  for (char c : mark)
    if (c == '^') width -= 2;
  return width;
}

}  // namespace tavrel
