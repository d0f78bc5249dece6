#include "compiler/passes/reservations.h"

#include <string>

#include "compiler/passes/compiler_run.h"
#include "compiler/foundation/console_reporter.h"

namespace skeldon {

namespace {

[[noreturn]] void TooManyNumbers(CompilerRun& run, bool headings) {
  if (headings)
    run.reporter.ReportSourceError("Zu viele \x9A" "berschriften (h\x94" "chstens 65535)",
                                   "too many headings (at most 65535)", 0);
  else
    run.reporter.ReportSourceError("Zu viele Ausgabedateien (h\x94" "chstens 32767)",
                                   "too many output files (at most 32767)", 0);
  run.reporter.Terminate(2);
}

void WarnTooLow(CompilerRun& run, const char* command, std::uint16_t value) {
  const std::string v = std::to_string(value);
  WriteBilingualMessage(run, std::string("Warnung: .") + command + v + " nicht hoch genug gesetzt",
                        std::string("Warning: .") + command + v + " value too low", true);
}

}  // namespace

TNumberReservation& AppendNumberReservation(CompilerRun& run) {
  TReservationState& st = run.numbering;
  TNumberReservation& r = st.ReservationList.emplace_back();
  r.NaturalNumber = st.NaturalNumber;
  r.SourceLine = run.lines.CurrentSourceLine;
  return r;
}

void NumberNextHeading(CompilerRun& run) {
  TReservationState& st = run.numbering;
  std::uint16_t& pending = run.reader.PendingHeadingNumber;
  if (st.HeadingCounter >= kMaxHeadingNumber) TooManyNumbers(run, true);
  ++st.HeadingCounter;
  st.NaturalNumber = st.HeadingCounter;
  if (pending != 0) {
    if (pending >= st.HeadingCounter)
      st.HeadingCounter = pending;
    else if (!run.reader.PrePassRunning)
      WarnTooLow(run, "HD", pending);
    if (!run.reader.PrePassRunning) {
      TNumberReservation& r = AppendNumberReservation(run);
      r.UsedNumber = st.HeadingCounter;
      r.ReservedValue = pending;
      r.Kind = 0;
    }
  }
  pending = 0;
}

void NumberNextFile(CompilerRun& run) {
  TReservationState& st = run.numbering;
  std::uint16_t& pending = run.reader.PendingFileNumber;
  if (st.FileCounter >= kMaxFileNumber) TooManyNumbers(run, false);
  ++st.FileCounter;
  st.NaturalNumber = static_cast<std::uint16_t>(st.FileCounter);
  if (pending != 0) {
    if (static_cast<std::int32_t>(pending) >= st.FileCounter) {
      if (pending > kMaxFileNumber) TooManyNumbers(run, false);
      st.FileCounter = pending;
    } else if (!run.reader.PrePassRunning) {
      WarnTooLow(run, "NR", pending);
    }
    if (!run.reader.PrePassRunning) {
      TNumberReservation& r = AppendNumberReservation(run);
      r.UsedNumber = static_cast<std::uint16_t>(st.FileCounter);
      r.ReservedValue = pending;
      r.Kind = 1;
    }
  }
  pending = 0;
}

}  // namespace skeldon
