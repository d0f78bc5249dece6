// Message boxes and the message list of Tavrel on the console, for the runs started from the
// command line without windows. Texts arrive in the display code page (Windows-1252).
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

#include "formatter/common/message_boxes.h"
#include "formatter/fonts/printer_measure.h"
#include "platform/console.h"

namespace tavrel {

// Answers a question: the text (display code page) and its buttons; returns kAnswerYes, ...
using QuestionAnswerer = std::function<int(const std::string& text, BoxButtons buttons)>;

// Reads y/n from standard input when it is a terminal; otherwise the default answer (No, or
// Cancel where there is no No), which the console is told about.
QuestionAnswerer TerminalAnswerer(platform::Console& console);

class ConsoleMessageBoxes final : public MessageBoxes {
 public:
  ConsoleMessageBoxes(platform::Console& console, QuestionAnswerer answer)
      : console_(console), answer_(std::move(answer)) {}
  void ShowMessageBox(const std::string& text, int kind) override;
  int AskMessageBox(const std::string& text, int kind, BoxButtons buttons) override;

  int Errors() const { return errors_; }
  // Called before each box is written (ends a progress line).
  std::function<void()> BeforeWrite;

 private:
  platform::Console& console_;
  QuestionAnswerer answer_;
  std::atomic<int> errors_{0};
};

// Every line is written as it arrives: errors to the error stream, the rest to the output.
class ConsoleMessageList final : public MessageList {
 public:
  explicit ConsoleMessageList(platform::Console& console) : console_(console) {}
  void Clear() override {}
  void AddLine(const std::string& line, std::int32_t paragraph) override;

  int ErrorLines() const { return errors_; }
  std::function<void()> BeforeWrite;

 private:
  platform::Console& console_;
  std::atomic<int> errors_{0};
};

// One line when the measuring starts, so a long first measurement does not look like a hang.
class ConsoleMeasureProgress final : public FontMeasureProgress {
 public:
  ConsoleMeasureProgress(platform::Console& console, std::uint8_t language)
      : console_(console), language_(language) {}
  void Start(int total) override;
  void Step(const std::string&) override {}
  void Finish() override {}

 private:
  platform::Console& console_;
  std::uint8_t language_;
};

}  // namespace tavrel
