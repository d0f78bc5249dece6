// The main window's side of the preview: the preview window (one for the program's life, shown
// again for each preview), the preview thread of the open preview, and the request gate that
// hands the window's requests to the page engine only while it waits for work.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "formatter/common/notifications.h"
#include "formatter/common/settings_record.h"
#include "formatter/fonts/printer_measure.h"
#include "formatter/pages/page_state.h"
#include "formatter/windows/preview_thread.h"

namespace tavrel {

class PreviewForm;

// What one preview shows and draws with.
struct PreviewStart {
  std::string File;  // the formatted file, by its name on disk
  FileContext Files;
  std::int32_t StartPage = 0;  // 0: page 1
  std::function<void(const std::string& kinds)> SyncEditor;
};

class PreviewSession {
 public:
  // settings: the live record; the window keeps its bounds there and takes its language.
  PreviewSession(MainNotifier& notifier, TSettingsRecord& settings);
  // Stops a running preview thread, serving its messages, and closes the window.
  ~PreviewSession();
  PreviewSession(const PreviewSession&) = delete;
  PreviewSession& operator=(const PreviewSession&) = delete;

  PreviewForm& Form();
  bool ThreadExists() const { return thread_ != nullptr; }
  // The window to the front (it is shown when hidden).
  void Raise();
  // Shows the window and starts the thread on `start`; setup must stay unchanged until the
  // thread has ended.
  void Start(PreviewStart start, PrinterSetup& setup);

  // The gate: true when the request is to be acted on now; else it is kept in the one slot
  // (or dropped when the slot is full) and re-sent when the engine next waits.
  bool CanHandleRequest(std::int32_t code, std::int32_t value);
  // The engine waits for work and no request waits in the slot: a request now is taken.
  bool WaitsForWork();
  // Hands the request fields to the engine and wakes it.
  void Request(std::int32_t gotoPage, bool back, bool same);
  // Whether a screen follows the one shown (true while the pages are still being counted).
  bool NextPageAvailable() const;
  // Code 3: the engine stops, and the window's close learns that its stop was taken.
  void Stop();
  // Closes a shown window (its close reports code 3 with value 1 when the stop is not taken).
  void CloseWindow();
  // The stop of the running preview was taken: a later close of the window is no new stop.
  bool StopTaken() const { return Flags.Stopped.load() != 0; }
  // Code 7: a formatted file changed on disk since it was read is read again.
  void CheckFileChanged();
  // Code 15: the window's caption from its hint and the engine's page text.
  void ShowCaption();
  // Code 4: the thread has ended; it is joined and forgotten.
  void ThreadEnded();
  // Stops the thread and waits for it, serving its messages; false when the limit passed.
  bool StopAndJoin(std::chrono::milliseconds limit);
  // The fatal error the engine left before it sent code 3 with value 2 (read while it waits
  // on that code).
  const std::string& ErrorText() const { return ctx_.ThreadErrorText; }
  // Code 9 while the thread runs (GUI thread): the page the preview drew last, where "edit" on
  // the formatted file jumps to; 0 once the window has closed.
  void SetLastPage(std::int32_t page) { lastPage_ = page; }
  std::int32_t LastPage() const { return lastPage_; }
  // The settings the preview shows (GUI thread); the notebook compares the record with them.
  const TSettingsRecord& ShownSettings() const { return shown_; }
  // The preview is laid out anew with the record as it is now: the engine takes the copy when
  // it next waits, on its own thread, so it never reads a record being replaced.
  void ApplySettings(const TSettingsRecord& settings);

  PreviewControl Control;
  PreviewFlags Flags;

 private:
  void Idle();

  MainNotifier& notifier_;
  TSettingsRecord& settings_;
  std::unique_ptr<PreviewForm> form_;
  TSettingsRecord snapshot_{};  // what the engine reads while the thread runs
  TSettingsRecord shown_{};
  std::mutex settingsMutex_;  // guards pending_
  std::optional<TSettingsRecord> pending_;
  FormattedFileCache cache_;
  PageEngineContext ctx_;
  std::unique_ptr<PreviewThread> thread_;
  std::optional<std::int64_t> fileDate_;
  std::int32_t lastPage_ = 0;
  // Set by the engine's idle call, cleared by the gate when it hands over a request: the
  // render request byte alone cannot tell a waiting engine from one that has not yet waited.
  std::atomic<bool> engineWaiting_{false};
};

}  // namespace tavrel
