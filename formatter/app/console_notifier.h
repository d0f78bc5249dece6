// The main window's side of WM_MAIN_NOTIFY for a run without windows: progress goes to the
// console (only on a terminal, redrawn in one line), the requests that need an answer
// (write "Fonts.ini", stop formatting) are acted on at once, and a fatal output error is kept
// for the exit code. Sent and posted codes are handled alike, in the calling thread.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "formatter/common/notifications.h"
#include "platform/console.h"

namespace tavrel {

struct FormatRun;
struct PageEngineContext;

// What the handlers look at; the job sets the fields while it runs.
struct ConsoleJobView {
  std::uint8_t Language = 0;
  FormatRun* Run = nullptr;                   // the formatting run in work
  PageEngineContext* Page = nullptr;          // the page engine call in work
  std::string PrintFileName;                  // the formatted file being printed
  bool PrintToPostScriptFile = false;         // "Page n a.fmt --> a.ps" instead of "print page n"
  std::function<void()> WriteFontDefinition;  // code 83
};

class ConsoleNotifier final : public MainNotifier {
 public:
  ConsoleNotifier(platform::Console& console, ConsoleJobView& view, bool showProgress)
      : console_(console), view_(view), progress_(showProgress) {}

  void Send(std::int32_t code, std::int32_t value) override { Handle(code, value); }
  void Post(std::int32_t code, std::int32_t value) override { Handle(code, value); }

  // Ends a progress line so that the next output starts on a line of its own.
  void EndProgressLine();
  bool OutputFailed() const { return outputFailed_; }
  int PagesDone() const { return pagesDone_; }
  void ResetPages() { pagesDone_ = 0; }

 private:
  void Handle(std::int32_t code, std::int32_t value);
  void Progress(const std::string& text);

  void OnFormatPage(std::int32_t value);
  void OnPrintPage(std::int32_t value);
  void OnOutputStop(std::int32_t value);
  void OnWriteFontDefinition(std::int32_t value);
  void OnStopFormatting(std::int32_t value);

  struct Row {
    std::int32_t code;
    void (ConsoleNotifier::*handler)(std::int32_t value);
  };
  static const Row kRows[];

  platform::Console& console_;
  ConsoleJobView& view_;
  bool progress_;
  bool progressOpen_ = false;
  bool outputFailed_ = false;
  int pagesDone_ = 0;
};

}  // namespace tavrel
