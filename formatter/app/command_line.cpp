#include "formatter/app/command_line.h"

#include "formatter/common/bilingual_texts.h"
#include "platform/text.h"

namespace tavrel {

namespace {

using SwitchAction = void (*)(TavrelCommandLine& line);

struct SwitchRow {
  const char* name;  // upper case
  SwitchAction action;
};

constexpr SwitchRow kSwitches[] = {
    {"/F", [](TavrelCommandLine& line) { line.CloseAfterFormat = true; }},
    {"/P", [](TavrelCommandLine& line) { line.CloseAfterPrint = true; }},
};

void AppendCondition(TavrelCommandLine& line, const std::string& words) {
  line.AnyCondition = true;
  if (words.empty()) return;
  std::string text = line.Conditions;
  if (!text.empty()) text += ' ';
  text += words;
  if (text.size() > kConditionTextRoom) {
    // The condition string has a fixed room; the caller says that words were left out.
    text.resize(kConditionTextRoom);
    line.ConditionsCut = true;
  }
  line.Conditions = text;
}

}  // namespace

std::string ArgumentText(const std::string& arg) {
  if (!platform::is_valid_utf8(arg)) return arg;
  const std::string converted = platform::utf8_to_code_page(arg, platform::CodePage::cp1252, '\0');
  return converted.find('\0') == std::string::npos ? converted : arg;
}

TavrelCommandLine ParseTavrelCommandLine(const std::vector<std::string>& args,
                                         const std::function<bool(const std::string&)>& exists) {
  TavrelCommandLine line;
  line.Empty = args.empty();
  for (const std::string& arg : args) {
    const bool isName = exists && exists(arg);
    if (!isName) {
      const std::string upper = MakeUpperCase(arg);
      bool handled = false;
      for (const SwitchRow& row : kSwitches)
        if (upper == row.name) {
          row.action(line);
          handled = true;
          break;
        }
      if (handled) continue;
      if (!arg.empty() && arg[0] == '#') {
        AppendCondition(line, arg.substr(1));
        continue;
      }
    }
    if (line.Document.empty())
      line.Document = arg;
    else
      line.Ignored.push_back(arg);
  }
  return line;
}

}  // namespace tavrel
