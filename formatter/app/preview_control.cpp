#include "formatter/app/preview_control.h"

#include <chrono>
#include <mutex>
#include <thread>
#include <utility>

#include "formatter/common/file_services.h"
#include "formatter/windows/preview_window.h"
#include "platform/gui/window_messages.h"

namespace tavrel {

namespace {

// How long the engine's idle call sleeps between its looks at the request slot.
constexpr auto kIdleStep = std::chrono::milliseconds(20);

}  // namespace

PreviewSession::PreviewSession(MainNotifier& notifier, TSettingsRecord& settings)
    : notifier_(notifier), settings_(settings) {
  Control.Idle = [this] { Idle(); };
}

// The window is not closed here: its close reports to the main window, which may be gone.
PreviewSession::~PreviewSession() { StopAndJoin(std::chrono::milliseconds(5000)); }

PreviewForm& PreviewSession::Form() {
  if (!form_)
    form_ =
        std::make_unique<PreviewForm>(notifier_, Control, Flags, &settings_, settings_.Language);
  return *form_;
}

void PreviewSession::Raise() {
  PreviewForm& form = Form();
  form.show();
  form.raise();
  form.activateWindow();
}

void PreviewSession::Start(PreviewStart start, PrinterSetup& setup) {
  thread_.reset();
  snapshot_ = settings_;
  shown_ = settings_;
  {
    std::lock_guard<std::mutex> lock(settingsMutex_);
    pending_.reset();
  }
  cache_ = FormattedFileCache{};
  ctx_ = PageEngineContext{};
  ctx_.Settings = &snapshot_;
  ctx_.Fonts = {setup.Fonts.PrinterFonts.get(), setup.Fonts.PreviewFonts.get(),
                setup.PrinterData.get(), &setup.Fonts.AutoVariant};
  ctx_.Cache = &cache_;
  ctx_.Notifier = &notifier_;
  ctx_.Files = start.Files;
  ctx_.Files.Settings = &snapshot_;
  ctx_.Preview = &Form();
  ctx_.PreviewCtl = &Control;
  fileDate_ = GetFileDate(start.File);

  Control.Stop = 0;
  Control.Reread = 0;
  Control.GotoPage = 0;
  Control.BackFlag = 0;
  Control.SameFlag = 0;
  Control.PageCount = 0;
  Control.ScreenFirstPage = 1;
  Control.SetCaption("");
  // Busy until the engine first waits: a request made before then waits in the slot.
  Control.RenderRequest = 1;
  engineWaiting_ = false;
  {
    std::lock_guard<std::mutex> lock(Control.PendingMutex);
    Control.PendingUsed = start.StartPage > 1;
    Control.PendingCode = MN_PREVIEW_GOTO_PAGE;
    Control.PendingValue = start.StartPage;
  }
  Control.PendingResend = 0;
  Flags.Stopped = 0;
  Flags.Busy = 0;
  Flags.Restart = 0;

  Raise();
  thread_ = std::make_unique<PreviewThread>(ctx_, Flags, std::move(start.File),
                                            std::move(start.SyncEditor));
  thread_->Start();
}

// Runs on the preview thread while the engine waits for a request: a request that reached
// the slot just as the engine finished its screen is re-sent, so it is not left there.
void PreviewSession::Idle() {
  {
    std::lock_guard<std::mutex> lock(settingsMutex_);
    if (pending_) {
      snapshot_ = *pending_;
      pending_.reset();
      Control.Reread = 1;
      Control.Stop = 1;
      return;
    }
  }
  bool resend = false;
  std::int32_t code = 0, value = 0;
  {
    std::lock_guard<std::mutex> lock(Control.PendingMutex);
    if (Control.PendingUsed) {
      Control.PendingUsed = false;
      Control.PendingResend = 1;
      resend = true;
      code = Control.PendingCode;
      value = Control.PendingValue;
    }
  }
  if (resend) {
    notifier_.Send(code, value);
    Control.PendingResend = 0;
    return;
  }
  // The screen is done: clicks count again, and a new paint asks for its own area only.
  Flags.Restart = 0;
  engineWaiting_ = true;
  std::this_thread::sleep_for(kIdleStep);
}

bool PreviewSession::CanHandleRequest(std::int32_t code, std::int32_t value) {
  std::lock_guard<std::mutex> lock(Control.PendingMutex);
  // While the engine re-sends the slot only that request passes. Another one served while
  // the engine waits on its send is dropped: acted on, it would overwrite the request fields,
  // and stored, it would overwrite the code that identifies the re-sent one.
  if (Control.PendingResend.load())
    return code == Control.PendingCode && value == Control.PendingValue;
  if (Control.PendingUsed) return false;
  if (thread_ && engineWaiting_.load()) return true;
  Control.PendingUsed = true;
  Control.PendingCode = code;
  Control.PendingValue = value;
  return false;
}

void PreviewSession::ApplySettings(const TSettingsRecord& settings) {
  shown_ = settings;
  if (!thread_) return;
  std::lock_guard<std::mutex> lock(settingsMutex_);
  pending_ = settings;
}

bool PreviewSession::WaitsForWork() {
  std::lock_guard<std::mutex> lock(Control.PendingMutex);
  return thread_ && engineWaiting_.load() && !Control.PendingUsed;
}

void PreviewSession::Request(std::int32_t gotoPage, bool back, bool same) {
  Control.GotoPage = gotoPage;
  Control.BackFlag = back ? 1 : 0;
  Control.SameFlag = same ? 1 : 0;
  Flags.Restart = 1;
  engineWaiting_ = false;
  Control.RenderRequest = 1;
}

bool PreviewSession::NextPageAvailable() const {
  const std::int32_t count = Control.PageCount.load();
  if (count == 0) return true;
  const int perScreen = form_ ? form_->NewMatrixColumns.load() * form_->NewMatrixRows.load() : 1;
  return Control.ScreenFirstPage.load() + perScreen - 1 < count;
}

void PreviewSession::Stop() {
  Control.Stop = 1;
  Flags.Stopped = 1;
}

void PreviewSession::CloseWindow() {
  if (form_ && form_->isVisible()) form_->close();
}

void PreviewSession::CheckFileChanged() {
  if (!thread_ || thread_->Finished()) return;
  const std::optional<std::int64_t> date = GetFileDate(thread_->FileName);
  if (!date || date == fileDate_) return;
  fileDate_ = date;
  Flags.Busy = 0;
  Control.Reread = 1;
  Control.Stop = 1;
  Flags.Restart = 1;
}

void PreviewSession::ShowCaption() {
  if (!form_) return;
  form_->setWindowTitle(QString::fromStdString(form_->HintText() + Control.GetCaption()));
}

void PreviewSession::ThreadEnded() {
  if (thread_ && thread_->Finished()) thread_.reset();
}

bool PreviewSession::StopAndJoin(std::chrono::milliseconds limit) {
  if (!thread_) return true;
  Stop();
  // The thread's end (code 4) may be served while waiting, and forgets the thread.
  if (!platform::gui::wait_serving_messages([this] { return !thread_ || thread_->Finished(); },
                                            limit))
    return false;
  thread_.reset();
  return true;
}

}  // namespace tavrel
