#include "formatter/common/file_services.h"

#include <algorithm>
#include <cstdlib>
#include <ctime>

#include "formatter/common/bilingual_texts.h"
#include "formatter/common/help_lookup.h"
#include "formatter/common/help_viewer.h"
#include "formatter/common/settings_record.h"
#include "platform/files.h"
#include "platform/process.h"
#include "platform/text.h"

namespace tavrel {
namespace {

std::size_t LastSeparator(const std::string& path) { return path.find_last_of("\\/"); }

bool HasSeparator(const std::string& path) { return LastSeparator(path) != std::string::npos; }

// The "." that starts the extension: the last one of the file-name part.
std::size_t ExtensionDot(const std::string& name) {
  const std::size_t dot = name.find_last_of('.');
  const std::size_t sep = LastSeparator(name);
  if (dot == std::string::npos || (sep != std::string::npos && dot < sep)) return std::string::npos;
  return dot;
}

}  // namespace

namespace {

bool HasHighBytes(const std::string& text) {
  return std::any_of(text.begin(), text.end(), [](char c) { return (c & 0x80) != 0; });
}

// Kept in UTF-8 by NameFromSystem: valid UTF-8 with letters above 127.
bool KeptInUtf8(const std::string& name) {
  return HasHighBytes(name) && platform::is_valid_utf8(name);
}

}  // namespace

std::string NameFromSystem(const std::string& name) {
  if (!KeptInUtf8(name)) return name;
  const std::string converted = platform::utf8_to_code_page(name, platform::CodePage::cp1252, '\0');
  return converted.find('\0') == std::string::npos ? converted : name;
}

std::string JoinPath(const std::string& directory, const std::string& name) {
  // Either part may come from the system in UTF-8 (the current folder, a dropped file) and the
  // other from the suite: both are brought into the suite's set when they fit it, else both
  // into UTF-8, so that the name is found and shown as named, never a mix of the two.
  std::string d = NameFromSystem(directory), n = NameFromSystem(name);
  if (KeptInUtf8(d) || KeptInUtf8(n)) {
    const auto toUtf8 = [](std::string& part) {
      if (HasHighBytes(part) && !platform::is_valid_utf8(part))
        part = platform::code_page_to_utf8(part, platform::CodePage::cp1252);
    };
    toUtf8(d);
    toUtf8(n);
  }
  return platform::join_path(d, n);
}

std::string ExtractFileNamePart(const std::string& path) {
  const std::size_t p = LastSeparator(path);
  std::string part = p == std::string::npos ? path : path.substr(p + 1);
  if (part.size() > 199) part.resize(199);
  return part;
}

std::string ExtractDirectoryPart(const std::string& path) {
  const std::size_t p = LastSeparator(path);
  return p == std::string::npos ? std::string() : path.substr(0, p);
}

std::string ChangeFileExtension(const std::string& name, const std::string& ext) {
  const std::size_t dot = ExtensionDot(name);
  if (dot == std::string::npos) return name + "." + ext;
  return name.substr(0, dot + 1) + ext;
}

bool HasExtension(const std::string& name, const std::string& ext) {
  const std::string upper = MakeUpperCase(name);
  const std::string wanted = "." + MakeUpperCase(ext);
  const std::size_t p = upper.find(wanted);
  return p != std::string::npos && p + wanted.size() == upper.size();
}

bool IsGraphicsFileName(const std::string& name) {
  const std::string upper = MakeUpperCase(name);
  for (const char* ext : kGraphicsExtensions)
    if (upper.find(std::string(".") + ext) != std::string::npos) return true;
  return false;
}

bool FileExistsByOpen(const std::string& name) {
  return !name.empty() && platform::file_exists(name);
}

bool GraphicsFileExists(const std::string& name) {
  for (const char* ext : kGraphicsExtensions)
    if (FileExistsByOpen(ChangeFileExtension(name, ext))) return true;
  return false;
}

bool LocateFile(std::string& name, const FileContext& ctx) {
  // A path given in full that exists is taken as it is.
  if (HasSeparator(name) && FileExistsByOpen(name)) return true;
  const bool result = !HasSeparator(name);
  const std::string part = ExtractFileNamePart(name);

  name = JoinPath(ExtractDirectoryPart(ctx.CurrentDocument), part);
  if (FileExistsByOpen(name)) return result;

  if (ctx.Settings) {
    std::string dirs = ctx.Settings->SearchDirectories.Str();
    while (!dirs.empty() && dirs.back() == ' ') dirs.pop_back();
    if (!dirs.empty() && dirs.back() != ';') dirs.push_back(';');
    while (dirs.size() > 1) {
      const std::size_t semi = dirs.find(';');
      const std::string dir = dirs.substr(0, semi);
      dirs.erase(0, semi + 1);
      name = JoinPath(dir, part);
      if (FileExistsByOpen(name)) return result;
    }
  }

  name = JoinPath(ctx.ProgramDirectory, part);
  if (FileExistsByOpen(name)) return result;
  return false;
}

std::optional<std::int64_t> GetFileDate(const std::string& name) {
  const auto t = platform::get_file_time(name);
  if (!t) return std::nullopt;
  const auto seconds = platform::time_t_from_local(*t);
  if (!seconds) return std::nullopt;
  return static_cast<std::int64_t>(*seconds);
}

void SetFileDate(const std::string& name, std::int64_t secondsSinceEpoch) {
  if (!FileExistsByOpen(name)) return;
  platform::set_file_time(name,
                          platform::local_from_time_t(static_cast<std::time_t>(secondsSinceEpoch)));
}

std::string GetEnvironmentText(const std::string& name) {
  const char* value = std::getenv(name.c_str());
  return value ? std::string(value) : std::string();
}

std::string MakePostScriptFileName(const std::string& name, const FileContext& ctx) {
  const std::string part = ExtractFileNamePart(name);
  if (!ctx.Settings || ctx.Settings->PsFileLocation == 0) {
    const std::string dir = ExtractDirectoryPart(ctx.CurrentDocument);
    return dir.empty() ? part : JoinPath(dir, part);
  }
  std::string temp = GetEnvironmentText("TEMP");
  if (temp.empty()) temp = GetEnvironmentText("TMP");
  if (temp.empty()) return name;
  return JoinPath(temp, part);
}

std::string ChooseFileExtension(const std::string& name, const std::string& kind,
                                const FileContext& ctx) {
  std::string result = name;
  const bool autoCorrect = !ctx.Settings || ctx.Settings->AutoCorrectExtension != 0;
  if (autoCorrect) {
    if (kind == "taf,fmt") {
      result = ChangeFileExtension(name, "taf");
      if (!FileExistsByOpen(result)) result = ChangeFileExtension(name, "fmt");
    } else if (kind == "ws") {
      result = ChangeFileExtension(name, "skt");
      if (!FileExistsByOpen(result)) {
        result = ChangeFileExtension(name, "txt");
        if (!FileExistsByOpen(result)) result = ChangeFileExtension(name, "ws");
      }
    } else {
      result = ChangeFileExtension(name, kind);
    }
  }
  if (ctx.Settings && ctx.Settings->PrintUnformattedFiles != 0 &&
      kind.find("fmt") != std::string::npos && !FileExistsByOpen(result))
    result = ChangeFileExtension(name, "ws");
  return result;
}

std::optional<std::string> MakeGraphicsFileName(const std::string& ext,
                                                const std::string& currentDocument) {
  std::string base = "Gra";
  if (!currentDocument.empty()) {
    const std::size_t dot = ExtensionDot(currentDocument);
    base = (dot == std::string::npos ? currentDocument : currentDocument.substr(0, dot)) + "_gra";
  }
  for (int n = 1; n <= 499; ++n) {
    const std::string candidate = base + (n < 10 ? "0" : "") + std::to_string(n) + "." + ext;
    if (!GraphicsFileExists(candidate)) return candidate;
  }
  return std::nullopt;
}

bool StartProgram(const std::string& program, const std::string& parameters) {
  return platform::start_program(program, platform::split_command_line(parameters)).ok();
}

std::string ShowHelpTopic(HelpFiles& help, int number, std::ostream& out) {
  LookUpPanelNumber(help, std::string());  // reads the panel table on first use
  std::string title = "?";
  for (const HelpFiles::Panel& panel : help.Panels) {
    if (panel.Number == number && number != 0) {
      title = panel.Name;
      break;
    }
  }
  const std::string line = "Help topic " + std::to_string(number) + ": " + title;
  if (DesktopPresent()) {
    const std::string page = HelpTopicPage(help, number);
    if (FileExistsByOpen(page) && OpenHelpPage(page)) return std::string();
  }
  out << line << '\n';
  return line;
}

}  // namespace tavrel
