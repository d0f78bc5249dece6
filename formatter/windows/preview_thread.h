// The preview thread (tPreviewThread): drives the page engine in preview mode into the preview
// window until the main window stops it, so that the window stays responsive while pages are
// laid out and drawn.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>

#include "formatter/pages/page_state.h"

namespace tavrel {

// The bytes the preview window, the main window and the preview thread share besides the
// engine's own control bytes; each is written by one side and polled by the other.
struct PreviewFlags {
  std::atomic<std::uint8_t> Busy{0};       // a repaint is being drawn (PreviewBusy)
  std::atomic<std::uint8_t> Restart{0};    // the engine restarts; repaint areas add up
  std::atomic<std::uint8_t> Stopped{0};    // the main window has taken the preview's stop
  std::atomic<std::uint8_t> Rescan{0};     // the window changed size: lay the pages out anew
  std::atomic<std::uint8_t> ScanState{0};  // the engine is counting pages
  std::atomic<std::uint8_t> ClickSeen{0};  // a click arrived while it counted
};

class PreviewThread {
 public:
  // ctx must name the preview window, its control bytes and the notifier; it outlives the
  // thread. syncEditor asks an editor that holds the formatted file to save it first.
  PreviewThread(PageEngineContext& ctx, PreviewFlags& flags, std::string fileName,
                std::function<void(const std::string& kinds)> syncEditor = {});
  // Joins: whoever frees the thread has set the stop byte first.
  ~PreviewThread();
  PreviewThread(const PreviewThread&) = delete;
  PreviewThread& operator=(const PreviewThread&) = delete;

  // The caller clears the control's stop and re-read bytes and the stopped flag first.
  void Start();
  // Waits for the end of Execute; true when the thread has ended (or never started).
  void Join();
  bool Finished() const { return finished_.load(); }

  // The formatted file shown.
  const std::string FileName;
  // The thread body; public so that a test can run it on its own thread.
  void Execute();

 private:
  PageEngineContext& ctx_;
  PreviewFlags& flags_;
  std::function<void(const std::string&)> syncEditor_;
  std::thread thread_;
  std::atomic<bool> finished_{false};
};

}  // namespace tavrel
