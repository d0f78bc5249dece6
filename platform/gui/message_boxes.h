// Message and question boxes that any thread may show: a box asked from a worker is shown by
// the GUI thread, and the worker waits for the answer. A responder, when set, answers in place
// of the box (tests; runs without a screen, where the console answers).
#pragma once

#include <functional>
#include <string>

class QWidget;

namespace platform::gui {

enum class BoxIcon { warning, error, information, question };
enum class BoxChoice { ok, ok_cancel, yes_no, yes_no_cancel };

// Answers, numbered as the system numbers them.
inline constexpr int kBoxOk = 1;
inline constexpr int kBoxCancel = 2;
inline constexpr int kBoxYes = 6;
inline constexpr int kBoxNo = 7;

struct BoxRequest {
  std::string title;  // UTF-8
  std::string text;   // UTF-8
  BoxIcon icon = BoxIcon::information;
  BoxChoice choice = BoxChoice::ok;
};

using BoxResponder = std::function<int(const BoxRequest&)>;

// Shows the box modally (a nested event loop, so queued messages are still served) and gives
// the button pressed; a box closed without a button gives Cancel, or No where there is none.
int show_box(const BoxRequest& request, QWidget* parent = nullptr);

// Replaces the boxes for the whole process; an empty responder brings them back. The
// responder runs on the GUI thread.
void set_box_responder(BoxResponder responder);

}  // namespace platform::gui
