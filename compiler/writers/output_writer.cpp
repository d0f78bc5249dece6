#include "compiler/writers/output_writer.h"

#include <utility>

#include "platform/files.h"

namespace skeldon {

namespace {

// Enough to keep the writer busy; more would only raise the run's peak memory.
constexpr std::size_t kMaxWaitingBytes = std::size_t{32} << 20;
constexpr std::size_t kWakeFiles = 8;
constexpr std::size_t kWakeBytes = std::size_t{256} << 10;

}  // namespace

TOutputFailure WriteOutputFileNow(const std::string& name, const std::string& text) {
  // Pages are made again by the next run: they are written in place, without a temporary file
  // or a flush; a page that could not be written whole is removed and the run fails.
  switch (platform::write_derived_file(name, text)) {
    case platform::FileError::none:
      return TOutputFailure::None;
    // The file could not be opened: the folder is gone or takes no new files.
    case platform::FileError::missing:
    case platform::FileError::unwritable:
      return TOutputFailure::Create;
    default:
      return TOutputFailure::Write;
  }
}

TOutputWriter::TOutputWriter() : Thread([this] { Work(); }) {}

TOutputWriter::~TOutputWriter() {
  {
    std::lock_guard<std::mutex> guard(Lock);
    Ending = true;
  }
  Wake.notify_one();
  Thread.join();
}

void TOutputWriter::Put(std::string name, std::string text) {
  std::unique_lock<std::mutex> guard(Lock);
  Done.wait(guard, [this] { return WaitingBytes < kMaxWaitingBytes || Jobs.empty(); });
  WaitingBytes += text.size();
  Jobs.push_back({std::move(name), std::move(text)});
  // An idle writer is woken for a handful of files at a time, not for each page.
  const bool wake = Idle && (Jobs.size() >= kWakeFiles || WaitingBytes >= kWakeBytes);
  guard.unlock();
  if (wake) Wake.notify_one();
}

void TOutputWriter::Drain() {
  std::unique_lock<std::mutex> guard(Lock);
  Wake.notify_one();
  Done.wait(guard, [this] { return Jobs.empty() && !Busy; });
}

TOutputFailure TOutputWriter::Failure(std::string& name) {
  std::lock_guard<std::mutex> guard(Lock);
  name = FailedName;
  return FirstFailure;
}

void TOutputWriter::Work() {
  std::unique_lock<std::mutex> guard(Lock);
  for (;;) {
    Idle = true;
    Wake.wait(guard, [this] { return Ending || !Jobs.empty(); });
    Idle = false;
    if (Jobs.empty()) return;  // ending, and nothing is left
    TJob job = std::move(Jobs.front());
    Jobs.pop_front();
    Busy = true;
    // After a failure the run stops: later files are not written, as they would not have been
    // had the run stopped at once.
    const bool skip = FirstFailure != TOutputFailure::None;
    guard.unlock();
    const TOutputFailure result =
        skip ? TOutputFailure::None : WriteOutputFileNow(job.Name, job.Text);
    guard.lock();
    WaitingBytes -= job.Text.size();
    if (result != TOutputFailure::None && FirstFailure == TOutputFailure::None) {
      FirstFailure = result;
      FailedName = job.Name;
    }
    Busy = false;
    Done.notify_all();
  }
}

}  // namespace skeldon
