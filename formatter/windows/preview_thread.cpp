#include "formatter/windows/preview_thread.h"

#include <utility>

#include "formatter/common/notifications.h"
#include "formatter/pages/page_engine.h"

namespace tavrel {

PreviewThread::PreviewThread(PageEngineContext& ctx, PreviewFlags& flags, std::string fileName,
                             std::function<void(const std::string&)> syncEditor)
    : FileName(std::move(fileName)), ctx_(ctx), flags_(flags), syncEditor_(std::move(syncEditor)) {}

PreviewThread::~PreviewThread() { Join(); }

void PreviewThread::Start() {
  if (thread_.joinable()) return;
  finished_ = false;
  thread_ = std::thread([this] { Execute(); });
}

void PreviewThread::Join() {
  if (thread_.joinable()) thread_.join();
}

void PreviewThread::Execute() {
  if (syncEditor_) syncEditor_("taf,fmt");
  PreviewControl& ctl = *ctx_.PreviewCtl;
  // The stop and re-read bytes are cleared by the starter before Start: cleared here, a
  // window closed before the thread ran would leave it drawing for ever.
  ctl.PageCount = 0;
  for (;;) {
    RenderFormattedPages(ctx_, FileName, true, false);
    // A re-read request stops the engine and is taken by its next call.
    if (ctl.Stop.load() != 0 && ctl.Reread.load() == 0) break;
    // The engine returned on its own (it had no window or fonts to draw with): calling it
    // again would return again at once, for ever.
    if (ctl.Stop.load() == 0) break;
  }
  finished_ = true;
  if (ctx_.Notifier) ctx_.Notifier->Post(MN_PREVIEW_THREAD_DONE, 0);
}

}  // namespace tavrel
