#pragma once
// Message boxes, questions and the message-list window as the engine sees them. Library code
// reports through these interfaces only; tests use the recording versions with scripted answers.

#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

namespace tavrel {

// Dialog types of AskMessageBox; ShowMessageBox uses only error and information.
enum BoxKind : int { kBoxWarning = 0, kBoxError = 1, kBoxInformation = 2, kBoxConfirmation = 3 };

enum class BoxButtons { Ok, OkCancel, YesNo, YesNoCancel };

// Button results, numbered as the platform numbers them.
inline constexpr int kAnswerOk = 1;
inline constexpr int kAnswerCancel = 2;
inline constexpr int kAnswerYes = 6;
inline constexpr int kAnswerNo = 7;

class MessageBoxes {
 public:
  virtual ~MessageBoxes() = default;
  // Text is in the display code page (Windows-1252), as the message catalogue shows it.
  virtual void ShowMessageBox(const std::string& text, int kind) = 0;
  virtual int AskMessageBox(const std::string& text, int kind, BoxButtons buttons) = 0;
};

// The message-list window (error and information lines of a run, each with its paragraph).
class MessageList {
 public:
  virtual ~MessageList() = default;
  virtual void Clear() = 0;
  virtual void AddLine(const std::string& line, std::int32_t paragraph) = 0;
};

class RecordingMessageBoxes : public MessageBoxes {
 public:
  struct Box {
    std::string Text;
    int Kind = 0;
    bool Question = false;
    BoxButtons Buttons = BoxButtons::Ok;
    int Answer = kAnswerOk;
  };

  void ShowMessageBox(const std::string& text, int kind) override;
  // Takes the next scripted answer; without one, DefaultAnswer.
  int AskMessageBox(const std::string& text, int kind, BoxButtons buttons) override;

  void ScriptAnswer(int answer);
  std::vector<Box> Boxes() const;
  std::size_t UnusedAnswers() const;

  int DefaultAnswer = kAnswerNo;

 private:
  mutable std::mutex mutex_;
  std::vector<Box> boxes_;
  std::deque<int> answers_;
};

class RecordingMessageList : public MessageList {
 public:
  struct Line {
    std::string Text;
    std::int32_t Paragraph = 0;
    bool operator==(const Line&) const = default;
  };

  void Clear() override;
  void AddLine(const std::string& line, std::int32_t paragraph) override;

  std::vector<Line> Lines() const;
  int ClearCount() const;

 private:
  mutable std::mutex mutex_;
  std::vector<Line> lines_;
  int clears_ = 0;
};

}  // namespace tavrel
