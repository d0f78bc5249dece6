// Shared by the tests of the reverse conversions: a sink that records the messages, and the
// settings of a Skeldon run with the sample ini file's toggles.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "compiler/reverse/from_rtf.h"
#include "tests/support/program_runner.h"

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

// Runs a program in a folder with no input, its output to log.
inline int RunIn(const std::string& folder, const std::vector<std::string>& argv,
                 const std::string& log) {
  return corvina_test::RunProgramIn(folder, argv, log);
}

}  // namespace skeldon
