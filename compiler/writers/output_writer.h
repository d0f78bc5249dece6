// The writer of output files: a thread of its own creates the pages on disk while the compile
// run goes on, since creating hundreds of files costs the file system more than making their
// text costs the run. The run hands each finished file over; the first failure is kept and the
// run reports it at its next hand-over or when it waits for the writer at the end.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <string>
#include <thread>

namespace skeldon {

enum class TOutputFailure { None, Create, Write };

// Writes one file at once, in place and without a flush to disk; a file that could not be
// written whole is removed, so a failed run leaves no page cut short. `name` is resolved like
// every file name of the run. Create: the file could not be made; Write: writing it failed.
TOutputFailure WriteOutputFileNow(const std::string& name, const std::string& text);

class TOutputWriter {
 public:
  TOutputWriter();
  // Writes what is still waiting, then ends the thread.
  ~TOutputWriter();
  TOutputWriter(const TOutputWriter&) = delete;
  TOutputWriter& operator=(const TOutputWriter&) = delete;

  // Hands a finished file over; waits while too much text is waiting already.
  void Put(std::string name, std::string text);
  // Waits until every file handed over is written.
  void Drain();
  // The first failure and the name it happened with.
  TOutputFailure Failure(std::string& name);

 private:
  struct TJob {
    std::string Name;
    std::string Text;
  };
  void Work();

  std::mutex Lock;
  std::condition_variable Wake;  // a job came, or the writer is asked to end
  std::condition_variable Done;  // a job was written
  std::deque<TJob> Jobs;
  std::size_t WaitingBytes = 0;
  bool Busy = false;
  bool Idle = false;  // the writer waits for work
  bool Ending = false;
  TOutputFailure FirstFailure = TOutputFailure::None;
  std::string FailedName;
  std::thread Thread;
};

}  // namespace skeldon
