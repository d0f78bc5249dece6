// Shared by the tests of the reverse conversions: a sink that records the messages, and the
// settings of a Skeldon run with the sample ini file's toggles.
#pragma once

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <string_view>
#include <vector>

#include "compiler/reverse/from_rtf.h"

namespace skeldon {

struct RecordedMessage {
  std::string English;
  bool Error = false;
};

class RecordingSink : public RtfConversionSink {
 public:
  void ReportConversionMessage(std::string_view, std::string_view english, bool error) override {
    Messages.push_back({std::string(english), error});
  }
  bool Has(std::string_view part) const {
    for (const RecordedMessage& m : Messages)
      if (m.English.find(part) != std::string::npos) return true;
    return false;
  }
  int CountOf(std::string_view part) const {
    int n = 0;
    for (const RecordedMessage& m : Messages)
      if (m.English.find(part) != std::string::npos) ++n;
    return n;
  }
  std::string All() const {
    std::string text;
    for (const RecordedMessage& m : Messages) text += m.English + "\n";
    return text;
  }
  std::vector<RecordedMessage> Messages;
};

// The toggles of the sample ini files: alternate "~", italic "_", bold "!", underlined "`".
inline constexpr const char* kSampleToggles = "~_!`%&@[]<>$";

inline TRtfConversionSettings SkeldonSettings(const std::string& popupDirectory,
                                              bool isText = false) {
  TRtfConversionSettings s;
  s.IsText = isText;
  s.ToggleChars = kSampleToggles;
  s.PopupDirectory = popupDirectory;
  s.OutputName = "SKSOURCE.TXT";
  return s;
}

// Printable form of bytes for failure output.
inline std::string Shown(std::string_view bytes) {
  std::string out;
  for (char c : bytes) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '\r')
      out += "\\r";
    else if (c == '\n')
      out += "\\n";
    else if (u < 32 || u > 126) {
      static const char* hex = "0123456789ABCDEF";
      out += "\\x";
      out += hex[u >> 4];
      out += hex[u & 15];
    } else
      out += c;
  }
  return out;
}

// Runs a program in a folder with no input, its output to log; the exit code, or -1 when it
// could not be started.
inline int RunIn(const std::string& folder, const std::vector<std::string>& argv,
                 const std::string& log) {
  const pid_t pid = ::fork();
  if (pid < 0) return -1;
  if (pid == 0) {
    const int in = ::open("/dev/null", O_RDONLY);
    const int out = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (in < 0 || out < 0 || ::chdir(folder.c_str()) != 0) ::_exit(127);
    ::dup2(in, 0);
    ::dup2(out, 1);
    ::dup2(out, 2);
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    ::execvp(args[0], args.data());
    ::_exit(127);
  }
  int status = 0;
  if (::waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

}  // namespace skeldon
