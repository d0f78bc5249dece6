#include "compiler/passes/reservations.h"

#include <string>

#include "compiler/foundation/console_reporter.h"
#include "compiler/passes/compiler_run.h"

namespace skeldon {

namespace {

[[noreturn]] void TooManyNumbers(CompilerRun& run, bool headings) {
  if (headings)
    run.Reporter.ReportSourceError(MessageId::TooManyHeadings, 0);
  else
    run.Reporter.ReportSourceError(MessageId::TooManyOutputFiles, 0);
  run.Reporter.Terminate(ExitCode::RunFailed);
}

void WarnTooLow(CompilerRun& run, const char* command, std::uint16_t value) {
  WriteMessage(run, {MessageId::ReservationTooLow, command, std::to_string(value)}, true);
}

}  // namespace

TNumberReservation& AppendNumberReservation(CompilerRun& run) {
  TReservationState& st = run.Numbering;
  TNumberReservation& r = st.ReservationList.emplace_back();
  r.NaturalNumber = st.NaturalNumber;
  r.SourceLine = run.Lines.CurrentSourceLine;
  return r;
}

void NumberNextHeading(CompilerRun& run) {
  TReservationState& st = run.Numbering;
  std::uint16_t& pending = run.Reader.PendingHeadingNumber;
  if (st.HeadingCounter >= kMaxHeadingNumber) TooManyNumbers(run, true);
  ++st.HeadingCounter;
  st.NaturalNumber = st.HeadingCounter;
  if (pending != 0) {
    if (pending >= st.HeadingCounter)
      st.HeadingCounter = pending;
    else if (!run.Reader.PrePassRunning)
      WarnTooLow(run, "HD", pending);
    if (!run.Reader.PrePassRunning) {
      TNumberReservation& r = AppendNumberReservation(run);
      r.UsedNumber = st.HeadingCounter;
      r.ReservedValue = pending;
      r.Kind = 0;
    }
  }
  pending = 0;
}

void NumberNextFile(CompilerRun& run) {
  TReservationState& st = run.Numbering;
  std::uint16_t& pending = run.Reader.PendingFileNumber;
  if (st.FileCounter >= kMaxFileNumber) TooManyNumbers(run, false);
  ++st.FileCounter;
  st.NaturalNumber = static_cast<std::uint16_t>(st.FileCounter);
  if (pending != 0) {
    if (static_cast<std::int32_t>(pending) >= st.FileCounter) {
      if (pending > kMaxFileNumber) TooManyNumbers(run, false);
      st.FileCounter = pending;
    } else if (!run.Reader.PrePassRunning) {
      WarnTooLow(run, "NR", pending);
    }
    if (!run.Reader.PrePassRunning) {
      TNumberReservation& r = AppendNumberReservation(run);
      r.UsedNumber = static_cast<std::uint16_t>(st.FileCounter);
      r.ReservedValue = pending;
      r.Kind = 1;
    }
  }
  pending = 0;
}

}  // namespace skeldon
