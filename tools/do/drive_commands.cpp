#include "tools/do/drive_commands.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <string>

#include "platform/files.h"
#include "tools/do/command_line.h"
#include "tools/do/file_walk.h"

namespace do_tool {

namespace {

constexpr unsigned kDriveWaitMs = 2000;
// A pause must fit a 32-bit count of milliseconds.
constexpr double kMaxWaitSeconds = 2147483.0;
constexpr std::size_t kMaxSetValue = 255;

char DriveLetter(int number) { return static_cast<char>('A' + number - 1); }

const platform::Drive* DriveOfNumber(const DoRun& run) {
  return platform::find_drive(run.Context.Drives, DriveLetter(run.DriveNumber));
}

bool DriveAvailable(const DoRun& run) {
  const platform::Drive* drive = DriveOfNumber(run);
  return drive && run.Context.DriveReady(*drive);
}

// The drive a word names by its first letter ("d:", "D:\x"), 0 when it names none.
int DriveNumberOfWord(const std::string& word) {
  if (word.empty()) return 0;
  char c = word[0];
  if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  return c >= 'A' && c <= 'Z' ? c - 'A' + 1 : 0;
}

long double Percent(long double part, long double whole) {
  // A file system that reports no size has no share to show.
  return whole > 0 ? std::round(part / whole * 100) : 0;
}

std::string PercentText(long double part, long double whole) {
  return std::to_string(static_cast<long long>(Percent(part, whole)));
}

}  // namespace

void ShowDriveReport(DoRun& run) {
  const std::string& path = run.StartPath;
  if (!path.empty() && path[0] == '?') {
    run.FreeSum = 0;
    run.SizeSum = 0;
    for (run.DriveNumber = 3; run.DriveNumber <= 26; ++run.DriveNumber)
      if (DriveAvailable(run)) ShowDriveSpace(run, false);
    ShowDriveTotals(run);
    return;
  }
  if (path.size() >= 2 && path[1] == ':') {
    run.DriveNumber = DriveNumberOfWord(path);
  } else {
    // A folder path: the drive whose folder holds it.
    std::string absolute =
        !path.empty() && path[0] == '/' ? path : run.Context.CurrentDirectory + "/" + path;
    const platform::Drive* drive = platform::drive_of_path(run.Context.Drives, absolute);
    run.DriveNumber = drive ? drive->letter - 'A' + 1 : 0;
  }
  ShowDriveSpace(run, true);
}

void ShowDriveSpace(DoRun& run, bool single) {
  const platform::Drive* drive = run.DriveNumber > 0 ? DriveOfNumber(run) : nullptr;
  std::optional<platform::DiskSpace> space;
  if (drive && run.Context.DriveReady(*drive)) space = run.Context.DiskSpace(*drive);
  run.DriveFree = space ? static_cast<long double>(space->free_bytes) : -1;
  run.DriveSize = space ? static_cast<long double>(space->total_bytes) : -1;
  if (!single && run.DriveFree == 0) return;
  if (run.DriveFree < 0) {
    if (single) {
      char shown = run.DriveNumber > 0 ? DriveLetter(run.DriveNumber)
                                       : UpperCaseText(run.StartPath.substr(0, 1))[0];
      run.Write(std::string("Drive ") + shown + ": is not available.");
      run.ExitCode = kExitFailed;
    }
    return;
  }
  run.FreeSum += run.DriveFree;
  run.SizeSum += run.DriveSize;
  if (!single) run.Write(std::string("Drive ") + DriveLetter(run.DriveNumber) + ": ");
  if (run.CommandWord == "DISKSIZE") {
    run.Write("Total disk space " + FormatByteSize(run.DriveSize));
    run.RuleWidth = 33;
  } else if (run.CommandWord == "DISKINFO") {
    run.Write(FormatByteSize(run.DriveFree) + " free (" +
              PercentText(run.DriveFree, run.DriveSize) + "%) of total " +
              FormatByteSize(run.DriveSize) + " disk space");
    run.RuleWidth = 55;
  } else {
    run.Write("Free disk space " + FormatByteSize(run.DriveFree));
    run.RuleWidth = 33;
  }
  if (!single) run.Write("\n");
}

void ShowDriveTotals(DoRun& run) {
  run.WriteLine(std::string(static_cast<std::size_t>(run.RuleWidth), '='));
  run.Write("Sum :    ");
  if (run.CommandWord == "DISKSIZE") {
    run.Write(std::string(17, ' ') + FormatByteSize(run.SizeSum));
  } else if (run.CommandWord == "DISKINFO") {
    run.Write(FormatByteSize(run.FreeSum) + " free (" + PercentText(run.FreeSum, run.SizeSum) +
              "%) of total " + FormatByteSize(run.SizeSum) + " disk space");
  } else {
    run.Write(std::string(16, ' ') + FormatByteSize(run.FreeSum));
  }
}

void FindOnPath(DoRun& run) {
  if (!run.Context.PathVariable) return;
  const std::string& path = *run.Context.PathVariable;
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = path.find(':', start);
    if (end == std::string::npos) end = path.size();
    std::string entry = path.substr(start, end - start);
    if (entry.size() > 1 && entry.back() == '/') entry.pop_back();
    if (!entry.empty()) ProcessMatchingFiles(run, entry + "/*.*");
    start = end + 1;
  }
}

void WaitSeconds(DoRun& run, std::size_t wordIndex) {
  const std::string& word = run.Word(wordIndex);
  char* end = nullptr;
  errno = 0;
  double value = std::strtod(word.c_str(), &end);
  if (word.empty() || *end != '\0' || errno != 0 || std::isnan(value)) {
    run.WriteLine(run.Word(2) + " is not a number");
    run.ExitCode = kExitFailed;
    return;
  }
  if (value < 0 || value > kMaxWaitSeconds) {
    run.WriteLine(word + " is out of range (0 to 2147483 seconds)");
    run.ExitCode = kExitFailed;
    return;
  }
  run.Context.System->sleep_ms(static_cast<unsigned>(std::lround(value * 1000)));
}

void WaitForDrive(DoRun& run) {
  run.DriveNumber = DriveNumberOfWord(run.Word(2));
  if (run.DriveNumber == 0 || !DriveOfNumber(run)) {
    // Nothing could ever make it ready: waiting would never end.
    run.WriteLine("DO ERROR: Drive " + run.Word(2).substr(0, 1) +
                  ": is not mapped (see CORVINA_DRIVES)");
    run.ExitCode = kExitFailed;
    return;
  }
  bool first = true;
  while (!DriveAvailable(run)) {
    if (first)
      run.Write(std::string("Waiting for drive ") + DriveLetter(run.DriveNumber) + ": ");
    else
      run.Write(".");
    std::fflush(run.Context.Out);
    first = false;
    run.Context.System->sleep_ms(kDriveWaitMs);
  }
  run.Write("\n");
}

void TestDriveReady(DoRun& run) {
  run.DriveNumber = DriveNumberOfWord(run.Word(2));
  run.ExitCode = run.DriveNumber > 0 && DriveAvailable(run) ? kExitDone : kExitNotReady;
}

void WriteSetFile(DoRun& run) {
  const std::string& name = run.Word(2);
  if (name.empty() || name.find_first_of("\"=%") != std::string::npos) {
    run.WriteLine("Usage: DO SET NAME");
    run.ExitCode = kExitFailed;
    return;
  }
  std::string value;
  int c;
  while ((c = std::fgetc(run.Context.In)) != EOF && c != '\n') value += static_cast<char>(c);
  if (!value.empty() && value.back() == '\r') value.pop_back();
  if (value.size() > kMaxSetValue) {
    run.WriteLine("DO ERROR: the value has more than 255 characters; temp.cmd is not written");
    run.ExitCode = kExitFailed;
    return;
  }
  // Quoted, so "&", "|", "<" and ">" in the value stay text; "%" doubled, so nothing expands.
  std::string line = "@set \"" + name + "=";
  for (char ch : value) line += ch == '%' ? std::string("%%") : std::string(1, ch);
  line += "\"\r\n";
  std::string file = run.Context.CurrentDirectory + "/temp.cmd";
  if (platform::replace_file_atomic(file, line) != platform::FileError::none) {
    run.WriteLine("DO ERROR: Could not write " + file);
    run.ExitCode = kExitFailed;
  }
}

void RunSoundCommand(DoRun& run) {
  int n = 1;
  if (run.ParamCount() == 2) {
    const std::string& word = run.Word(2);
    char* end = nullptr;
    long value = std::strtol(word.c_str(), &end, 10);
    // A number the 8-bit count cannot hold counts as unreadable, like letters.
    if (!word.empty() && *end == '\0' && value >= 0 && value <= 255) n = static_cast<int>(value);
  }
  unsigned duration = static_cast<unsigned>(n) * 10;
  static constexpr unsigned kRising[] = {523, 659, 784, 1047};
  static constexpr unsigned kFalling[] = {1047, 784, 659, 523};
  for (unsigned frequency : (n % 2 == 1 ? kRising : kFalling))
    run.Context.System->beep(frequency, duration);
}

}  // namespace do_tool
