#pragma once
// The main window's notification channel (WM_MAIN_NOTIFY): workers report progress and ask for
// work with a code and a value. The engine sees it only as this interface so that it runs
// headless in tests; the application shell supplies the real window behind it.

#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

namespace tavrel {

inline constexpr std::uint32_t WM_MAIN_NOTIFY = 7771;

// Codes of WM_MAIN_NOTIFY; 231..255 are commands to the main window itself.
enum MainNotifyCode : std::int32_t {
  MN_PREVIEW_NEXT = 1,
  MN_PREVIEW_REDRAW = 2,
  MN_PREVIEW_STOP = 3,
  MN_PREVIEW_THREAD_DONE = 4,
  MN_PREVIEW_GOTO_PAGE = 5,
  MN_PREVIEW_RESIZED = 6,
  MN_PREVIEW_TIMER = 7,
  MN_PREVIEW_REFRESH = 8,
  MN_PREVIEW_PAGE_DONE = 9,
  MN_PREVIEW_CLOSED = 10,
  MN_PRINT_PAGES = 11,
  MN_PRINT_DONE = 13,
  MN_PREVIEW_CAPTION = 15,
  MN_PRINT_PAGE_DONE = 19,
  MN_APPENDING_PDFMARKS = 20,
  MN_FORMAT_JOB_DONE = 23,
  MN_INDEX_SCAN_PAGE = 28,
  MN_FORMAT_PAGE = 29,
  MN_HEADINGS_SCAN_PAGE = 39,
  MN_FOOTNOTE_PAGE = 49,
  MN_INDEX_MERGE = 59,
  MN_UPDATE_CAPTION = 82,
  MN_WRITE_FONT_DEFINITION = 83,
  MN_REFRESH_BUTTONS = 84,
  MN_PREPARE_FONTS = 85,
  MN_OPEN_INDEX_IN_EDITOR = 86,
  MN_SHOW_MESSAGES = 87,
  MN_GOTO_MESSAGE_PLACE = 88,
  MN_OPEN_CONVERTED = 89,
  MN_JOB_LED_ON = 97,
  MN_JOB_LED_OFF = 98,
  MN_JOB_STATUS_TEXT = 99,
  MN_STOP_FORMATTING = 100,
  MN_PREVIEW_MATRIX = 202,
  MN_PREVIEW_MATRIX_GOTO = 205,
  MN_START_FORMAT = 231,
  MN_START_PRINT = 232,
  MN_STARTED = 240,
  MN_OPEN_TUTORIAL = 241,
  MN_CLOSE_PROGRAM = 249,
  MN_TRANSLATE_FORM = 250,
  MN_WRITE_LANGUAGE_TEMPLATE = 255,
};

// Send waits until the main thread has handled the code; Post returns at once.
class MainNotifier {
 public:
  virtual ~MainNotifier() = default;
  virtual void Send(std::int32_t code, std::int32_t value) = 0;
  virtual void Post(std::int32_t code, std::int32_t value) = 0;
};

// Keeps every notification in order; OnSend lets a test act as the main window (for example
// set the stop flag when code 100 arrives) before the sender goes on.
class RecordingNotifier : public MainNotifier {
 public:
  struct Entry {
    bool Sent = false;  // false: posted
    std::int32_t Code = 0;
    std::int32_t Value = 0;
    bool operator==(const Entry&) const = default;
  };

  void Send(std::int32_t code, std::int32_t value) override;
  void Post(std::int32_t code, std::int32_t value) override;

  std::vector<Entry> Entries() const;
  // The entries with this code, in order.
  std::vector<Entry> WithCode(std::int32_t code) const;
  void Clear();

  std::function<void(std::int32_t code, std::int32_t value)> OnSend;

 private:
  mutable std::mutex mutex_;
  std::vector<Entry> entries_;
};

// Drops everything: for callers that have no main window (command-line tools, benchmarks).
class NullNotifier : public MainNotifier {
 public:
  void Send(std::int32_t, std::int32_t) override {}
  void Post(std::int32_t, std::int32_t) override {}
};

}  // namespace tavrel
