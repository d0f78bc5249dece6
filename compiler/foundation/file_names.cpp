#include "compiler/foundation/file_names.h"

#include <algorithm>

#include "compiler/foundation/foundation_run.h"

namespace skeldon {

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// Position after the last path separator (0 when there is none).
std::size_t FilePartStart(std::string_view path) {
  for (std::size_t i = path.size(); i > 0; --i) {
    if (IsSeparator(path[i - 1])) return i;
  }
  return 0;
}

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

}  // namespace

bool IsUsablePageName(std::string_view word) {
  if (word.empty() || word.find("..") != std::string_view::npos) return false;
  for (char c : word) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || std::string_view("\"*/:<>?\\|").find(c) != std::string_view::npos) return false;
  }
  return true;
}

bool IsUsablePrefixPattern(std::string_view pattern) {
  if (!pattern.empty() && pattern.back() == '*') pattern.remove_suffix(1);
  return pattern.empty() || IsUsablePageName(pattern);
}

std::string CutText(std::string_view text, std::size_t max) {
  return std::string(text.substr(0, std::min(text.size(), max)));
}

std::string SetFileExtension(std::string_view name, std::string_view extension) {
  const std::size_t filePart = FilePartStart(name);
  const std::size_t dot = name.rfind('.');
  std::string result;
  if (dot == std::string_view::npos || dot < filePart) {
    result.assign(name);
    result += '.';
  } else {
    result.assign(name.substr(0, dot + 1));
  }
  result += extension;
  // Not cut: a cut name ("BOOK.I" for "BOOK.INI") would silently name another file.
  return result;
}

std::string FileNamePart(std::string_view path) {
  return CutText(path.substr(FilePartStart(path)), kFileNamePartMax);
}

bool IsNetworkUrl(std::string_view text) {
  static constexpr std::string_view kSchemes[] = {
      "http:", "https:", "ftp:", "gopher:", "wais:", "news:"};
  return std::any_of(std::begin(kSchemes), std::end(kSchemes),
                     [&](std::string_view s) { return StartsWith(text, s); });
}

bool IsSpecialUrl(std::string_view text) {
  static constexpr std::string_view kSchemes[] = {"file:", "mailto:", "javascript:"};
  return std::any_of(std::begin(kSchemes), std::end(kSchemes),
                     [&](std::string_view s) { return StartsWith(text, s); });
}

namespace {

void IdentityWithAscii(TByteMap& table) {
  for (int c = 0; c < 256; ++c) table[c] = static_cast<std::uint8_t>(c);
  for (int c = 'A'; c <= 'Z'; ++c) table[c] = static_cast<std::uint8_t>(c + 0x20);
}

// Capital -> small letter pairs of code page 850 beyond ASCII.
constexpr std::uint8_t kIbmCasePairs[][2] = {
    {0x8E, 0x84}, {0x8F, 0x86}, {0x90, 0x82}, {0x92, 0x91}, {0x99, 0x94}, {0x9A, 0x81},
    {0x9D, 0x9B}, {0xA5, 0xA4}, {0xB5, 0xA0}, {0xB6, 0x83}, {0xB7, 0x85}, {0xC7, 0xC6},
    {0xD2, 0x88}, {0xD3, 0x89}, {0xD4, 0x8A}, {0xD6, 0xA1}, {0xD7, 0x8C}, {0xD8, 0x8B},
    {0xE0, 0xA2}, {0xE2, 0x93}, {0xE3, 0x95}, {0xE5, 0xE4}, {0xE9, 0xA3}, {0xEA, 0x96},
    {0xEB, 0x97}, {0xED, 0xEC},
};

}  // namespace

void BuildIbmLowerCaseTable(TByteMap& table) {
  IdentityWithAscii(table);
  for (const auto& pair : kIbmCasePairs) table[pair[0]] = pair[1];
}

void BuildIsoLowerCaseTable(TByteMap& table) {
  IdentityWithAscii(table);
  for (int c = 0xC0; c <= 0xDE; ++c) table[c] = static_cast<std::uint8_t>(c + 0x20);
}

std::string LowerCaseText(const TByteMap& table, std::string_view text) {
  std::string result(text);
  for (char& c : result) c = static_cast<char>(table[static_cast<std::uint8_t>(c)]);
  return result;
}

void WriteOutputChar(std::string& out, std::uint8_t c) {
  if (c != 0x1A) out += static_cast<char>(c);
}

void WriteCodePageText(const FoundationRun& run, std::string& out, std::string_view text,
                       bool quotes) {
  if (run.Ini.SourceIsIso) {
    out += text;
    return;
  }
  const TCodePageTable& oemToAnsi = run.CharConversion.Tables.OemToAnsi;
  for (char c : text) {
    if (c == '"' && quotes) {
      out += '\'';
    } else {
      out += static_cast<char>(oemToAnsi[static_cast<std::uint8_t>(c)]);
    }
  }
}

std::string NormalizeFileName(FoundationRun& run, std::string_view name) {
  // Every scheme ends with a colon: a name without one is no address (the common case).
  if (name.find(':') != std::string_view::npos && (IsNetworkUrl(name) || IsSpecialUrl(name)))
    return std::string(name);
  std::string result = CutText(name, kShortStringMax);
  if (result.size() < 2) return result;
  const TIniSettings& ini = run.Ini;
  const bool fat = run.Switches.FatFileNames;
  const TByteMap& lower = run.FileNames.LowerCaseTable;
  auto convert = [&](char c, bool capitals) {
    return capitals ? AsciiUpper(c) : static_cast<char>(lower[static_cast<std::uint8_t>(c)]);
  };
  result[0] = convert(result[0], ini.CapitalFirstLetter || fat);
  for (std::size_t i = 1; i < result.size(); ++i) {
    result[i] = convert(result[i], ini.CapitalOtherLetters || fat);
  }
  if (run.FileNames.PageExtension.size() == 4 && result.size() > 12 && (ini.DosFileNames || fat)) {
    run.Reporter.ReportSourceError({MessageId::FileNameTooLongForDos, name}, 0);
  }
  return result;
}

namespace {

std::string MakeTopicFileNameNow(FoundationRun& run, std::int16_t number, bool frame,
                                 std::uint8_t kind) {
  TFileNameState& names = run.FileNames;
  const TIdMark* mark = nullptr;
  for (const TIdMark& m : names.IdMarkList) {
    if (m.FileNumber == number) {
      mark = &m;
      break;
    }
  }
  std::string base;
  if (mark != nullptr && !frame && kind == 0 && IsUsablePageName(mark->Name)) {
    base = CutText(run.Switches.PageNamePrefix + mark->Name, kPageBaseMax);
    names.LastPageIdName = mark->Name;
  } else {
    // Built in one string: page names are made for every link of the text.
    const std::string& prefix = run.Switches.PageNamePrefix;
    base.reserve(prefix.size() + 8 + names.PageExtension.size());
    base = prefix;
    base += 'N';
    const std::string digits = std::to_string(number);
    if (number <= 99) base.append(number <= 9 ? 2 : 1, '0');
    base += digits;
    if (base.size() > kPageBaseMax) base.resize(kPageBaseMax);
    names.LastPageIdName.clear();
  }
  if (frame) {
    base += 'F';
  } else if (kind == 1) {
    base += 'T';
  } else if (kind == 2) {
    base += 'N';
  }
  return NormalizeFileName(run, base + names.PageExtension);
}

// Whether NormalizeFileName reports this name as too long for DOS: such a name is made anew
// each time, so that each use still reports it.
bool ReportsLongName(const FoundationRun& run, const std::string& name) {
  return run.FileNames.PageExtension.size() == 4 && name.size() > 12 &&
         (run.Ini.DosFileNames || run.Switches.FatFileNames);
}

}  // namespace

std::string MakeTopicFileName(FoundationRun& run, std::int16_t number, bool frame,
                              std::uint8_t kind) {
  if (frame || kind != 0 || number < 0) return MakeTopicFileNameNow(run, number, frame, kind);
  TFileNameState& names = run.FileNames;
  TTopicNameMemo& memo = names.TopicNames;
  const unsigned flags = (run.Ini.CapitalFirstLetter ? 1u : 0u) |
                         (run.Ini.CapitalOtherLetters ? 2u : 0u) |
                         (run.Ini.DosFileNames ? 4u : 0u) | (run.Switches.FatFileNames ? 8u : 0u);
  if (memo.Marks != names.IdMarkList.size() || memo.Flags != flags ||
      memo.Extension != names.PageExtension || memo.Prefix != run.Switches.PageNamePrefix) {
    memo.Slots.clear();
    memo.Marks = names.IdMarkList.size();
    memo.Flags = flags;
    memo.Extension = names.PageExtension;
    memo.Prefix = run.Switches.PageNamePrefix;
  }
  const auto at = static_cast<std::size_t>(number);
  if (at < memo.Slots.size() && memo.Slots[at].Made) {
    const TTopicNameMemo::TSlot& slot = memo.Slots[at];
    names.LastPageIdName = slot.IdName;
    return slot.Name;
  }
  std::string name = MakeTopicFileNameNow(run, number, frame, kind);
  if (!ReportsLongName(run, name)) {
    if (at >= memo.Slots.size()) memo.Slots.resize(at + 1);
    memo.Slots[at] = {true, name, names.LastPageIdName};
  }
  return name;
}

std::string ContentsFileName(const FoundationRun& run) {
  if (run.Ini.TargetFlags.HtmlHelp) return SetFileExtension(run.Switches.SourceFileName, "HHC");
  return "INDEX" + run.FileNames.PageExtension;
}

std::string ContentsTreeFileName(const FoundationRun& run) {
  if (run.Ini.TargetFlags.HtmlHelp) return SetFileExtension(run.Switches.SourceFileName, "HHC");
  if (run.Ini.ContentsTreeOn) return "INDXA" + run.FileNames.PageExtension;
  return "INDEX" + run.FileNames.PageExtension;
}

std::string IndexFileName(const FoundationRun& run) {
  if (run.Ini.TargetFlags.HtmlHelp) return SetFileExtension(run.Switches.SourceFileName, "HHK");
  return "IDX_W" + run.FileNames.PageExtension;
}

std::string ChoosePageExtension(const FoundationRun& run) {
  const bool fat = run.Switches.FatFileNames;
  const bool shortExtension = fat || run.Ini.ExtensionLength == 4;
  const bool capitals = fat || run.Ini.CapitalOtherLetters;
  if (shortExtension) return capitals ? ".HTM" : ".htm";
  return capitals ? ".HTML" : ".html";
}

}  // namespace skeldon
