#include "formatter/common/help_lookup.h"

#include <charconv>

#include "formatter/common/bilingual_texts.h"
#include "formatter/common/message_boxes.h"
#include "formatter/common/messages.h"
#include "platform/files.h"

namespace tavrel {
namespace {

// The lines of a text file; a bare LF ends a line as CR LF does.
std::vector<std::string> ReadLines(const std::vector<std::uint8_t>& bytes) {
  std::vector<std::string> lines;
  std::string line;
  for (std::uint8_t b : bytes) {
    if (b == '\n') {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      lines.push_back(line);
      line.clear();
    } else if (b == 0x1A) {
      break;
    } else {
      line.push_back(static_cast<char>(b));
    }
  }
  if (!line.empty() && line.back() == '\r') line.pop_back();
  if (!line.empty()) lines.push_back(line);
  return lines;
}

std::int16_t WholeNumber(const std::string& text) {
  int value = 0;
  const char* first = text.data();
  const char* last = text.data() + text.size();
  if (first != last && *first == '+') ++first;
  const auto [end, error] = std::from_chars(first, last, value);
  if (error != std::errc() || end != last || value < INT16_MIN || value > INT16_MAX) return 0;
  return static_cast<std::int16_t>(value);
}

void ReadPanels(HelpFiles& help) {
  help.PanelsRead = true;
  const std::string name = platform::join_path(help.ProgramDirectory, "tavdoc-e.pan");
  const platform::ReadResult file = platform::read_file(name);
  if (!file.ok()) {
    if (help.Boxes)
      help.Boxes->ShowMessageBox(MessageText(help.Language, MessageId::kFileNotFound, {name}),
                                 kBoxError);
    return;
  }
  for (const std::string& line : ReadLines(file.bytes)) {
    const std::size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    HelpFiles::Panel panel;
    // The name runs from the third character to two before the "=", the number from two
    // after it to the last-but-one character ("  Name = 123;").
    if (eq >= 3) panel.Name = line.substr(2, std::min<std::size_t>(eq - 3, 30));
    if (line.size() >= eq + 3)
      panel.Number = WholeNumber(line.substr(eq + 2, line.size() - eq - 3));
    help.Panels.push_back(panel);
  }
}

void ReadDotHelp(HelpFiles& help) {
  help.DotHelpRead = true;
  const std::string name = platform::join_path(
      help.ProgramDirectory,
      "dothelp" + MessageText(help.Language, MessageId::kDotHelpLanguageLetter) + ".txt");
  const platform::ReadResult file = platform::read_file(name);
  if (!file.ok()) return;
  std::int16_t panel = 0;
  for (const std::string& line : ReadLines(file.bytes)) {
    if (line.rfind("***", 0) == 0) {
      panel = LookUpPanelNumber(help, line.substr(3, 199));
      continue;
    }
    const std::size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    HelpFiles::DotHelp entry;
    entry.Panel = panel;
    const std::string before = line.substr(0, eq);
    if (!line.empty() && line[0] == '.') {
      std::string command = before.substr(0, 5);
      while (command.size() > 3 &&
             (command.back() == ',' || (command.back() >= '0' && command.back() <= '9')))
        command.pop_back();
      entry.Command = command;
    }
    std::string text = before + " = " + line.substr(eq + 1);
    if (text.size() > 255) text.resize(255);
    entry.Text = ToDisplayText(text);
    help.DotHelpList.push_back(std::move(entry));
  }
}

}  // namespace

void FollowLanguage(HelpFiles& help, std::uint8_t language) {
  if (help.Language == language) return;
  help.Language = language;
  help.DotHelpRead = false;
  help.DotHelpList.clear();
}

std::int16_t LookUpPanelNumber(HelpFiles& help, const std::string& name) {
  if (!help.PanelsRead) ReadPanels(help);
  for (const HelpFiles::Panel& p : help.Panels)
    if (p.Name == name) return p.Number;
  return 0;
}

void LookUpDotCommandHelp(HelpFiles& help, const std::string& line, std::int16_t& panelNumber,
                          std::string& text) {
  text.clear();
  if (!help.DotHelpRead) ReadDotHelp(help);
  const std::string upper = MakeUpperCase(line);
  for (const HelpFiles::DotHelp& entry : help.DotHelpList) {
    if (entry.Command.empty()) continue;
    if (upper.compare(0, entry.Command.size(), MakeUpperCase(entry.Command)) == 0 &&
        upper.size() >= entry.Command.size()) {
      text = entry.Text;
      panelNumber = entry.Panel;
      return;
    }
  }
}

}  // namespace tavrel
