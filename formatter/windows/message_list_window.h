// The message list (Form8): the error and information lines of a run. Lines may be added
// from any thread; they reach the list on the GUI thread in order. A double click on a line
// opens the source in the editor at the line's paragraph.
#pragma once

#include <QListWidget>
#include <QPushButton>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "formatter/common/message_boxes.h"
#include "formatter/windows/secondary_form.h"
#include "platform/gui/window_messages.h"

namespace tavrel {

// Lines whose paragraph is kept for the jump.
inline constexpr int kKeptMessageParagraphs = 201;

class MessageListWindow : public SecondaryForm, public MessageList {
  Q_OBJECT
 public:
  explicit MessageListWindow(MainNotifier* mainWindow, QWidget* parent = nullptr);

  void Clear() override;
  // Text in the display code page.
  void AddLine(const std::string& line, std::int32_t paragraph) override;

  // The lines added so far (display code page), from any thread.
  std::vector<std::string> Lines() const;
  // The paragraph to jump to for a line: 0 when the line has none kept.
  std::int32_t ParagraphOf(int index) const;

  // Opens the editor; paragraph 0 means no jump. The main window sets it.
  std::function<void(std::int32_t paragraph)> GotoMessagePlace;
  // The help topic of the "?" button.
  std::function<void()> ShowHelp;

  QListWidget* ListBox1;
  QPushButton* Button1;

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void OnDoubleClick();

  mutable std::mutex mutex_;
  platform::gui::CallQueue calls_{this};  // lines from other threads
  std::vector<std::string> lines_;
  std::vector<std::int32_t> paragraphs_;
};

}  // namespace tavrel
