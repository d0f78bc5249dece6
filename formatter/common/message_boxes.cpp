#include "formatter/common/message_boxes.h"

namespace tavrel {

void RecordingMessageBoxes::ShowMessageBox(const std::string& text, int kind) {
  std::lock_guard<std::mutex> lock(mutex_);
  boxes_.push_back({text, kind, false, BoxButtons::Ok, kAnswerOk});
}

int RecordingMessageBoxes::AskMessageBox(const std::string& text, int kind, BoxButtons buttons) {
  std::lock_guard<std::mutex> lock(mutex_);
  int answer = DefaultAnswer;
  if (!answers_.empty()) {
    answer = answers_.front();
    answers_.pop_front();
  }
  boxes_.push_back({text, kind, true, buttons, answer});
  return answer;
}

void RecordingMessageBoxes::ScriptAnswer(int answer) {
  std::lock_guard<std::mutex> lock(mutex_);
  answers_.push_back(answer);
}

std::vector<RecordingMessageBoxes::Box> RecordingMessageBoxes::Boxes() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return boxes_;
}

std::size_t RecordingMessageBoxes::UnusedAnswers() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return answers_.size();
}

void RecordingMessageList::Clear() {
  std::lock_guard<std::mutex> lock(mutex_);
  lines_.clear();
  ++clears_;
}

void RecordingMessageList::AddLine(const std::string& line, std::int32_t paragraph) {
  std::lock_guard<std::mutex> lock(mutex_);
  lines_.push_back({line, paragraph});
}

std::vector<RecordingMessageList::Line> RecordingMessageList::Lines() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return lines_;
}

int RecordingMessageList::ClearCount() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return clears_;
}

}  // namespace tavrel
