// The skeldon program: one run context, the main program, and its exit code.
#include <atomic>
#include <csignal>
#include <memory>
#include <string>
#include <vector>

#include "compiler/passes/compiler_run.h"
#include "compiler/program/main_program.h"
#include "platform/memory.h"

namespace {

// Ctrl+C only raises this flag; the run stops at its next heading with its own message and
// exit code. A lock-free atomic store is all a signal handler may safely do here.
std::atomic<bool> gUserBreakRequested{false};
static_assert(std::atomic<bool>::is_always_lock_free);

extern "C" void RequestUserBreak(int) { gUserBreakRequested.store(true); }

void InstallUserBreakHandler() {
  struct sigaction action {};
  action.sa_handler = RequestUserBreak;
  sigemptyset(&action.sa_mask);
  // A second Ctrl+C ends the program at once, for a run that reaches no further heading.
  action.sa_flags = SA_RESETHAND | SA_RESTART;
  sigaction(SIGINT, &action, nullptr);
}

}  // namespace

int main(int argc, char** argv) {
  // A run of a few megabytes of source builds about as much again on the heap.
  platform::keep_heap_for_run(std::size_t{32} << 20);
  const std::vector<std::string> words(argv, argv + argc);
  // The run's state is large; it lives on the heap, not on the stack.
  auto run = std::make_unique<skeldon::CompilerRun>();
  run->UserBreakRequested = &gUserBreakRequested;
  InstallUserBreakHandler();
  return skeldon::RunCompiler(words, *run);
}
