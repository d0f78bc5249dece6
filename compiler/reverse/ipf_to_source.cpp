#include "compiler/reverse/ipf_to_source.h"

#include <string>
#include <vector>

#include "compiler/passes/compiler_run.h"
#include "compiler/reverse/rtf_reverse_run.h"
#include "platform/files.h"

namespace skeldon {

namespace {

constexpr char kCr = 13;
constexpr char kLf = 10;

struct SymbolRow {
  const char* Name;
  char Code;
};
// Code page 850 codes.
constexpr SymbolRow kSymbols[] = {
    {"per", '.'},   {"colon", ':'}, {"amp", '&'},     {"dot", '\xFA'},
    {"Ae", '\x8E'}, {"ae", '\x84'}, {"Oe", '\x99'},   {"oe", '\x94'},
    {"Ue", '\x9A'}, {"ue", '\x81'}, {"Beta", '\xE1'},
};

// Highlight digit 1..9 -> toggle positions (0-based in toggle order: 1 italic, 2 bold,
// 3 underlined, 4 red, 5 cyan, 6 blue), written in this order; -1 ends the row.
constexpr int kHighlightToggles[10][3] = {
    {-1, -1, -1}, {1, -1, -1}, {2, -1, -1}, {2, 1, -1},  {6, -1, -1},
    {3, -1, -1},  {3, 1, -1},  {3, 2, -1},  {4, -1, -1}, {5, -1, -1},
};

bool IsSentenceEnd(char c) {
  return c == '.' || c == '!' || c == '?' || c == ':' || c == ';' || c == '\xE3' || c == kCr;
}

class IpfConversion {
 public:
  IpfConversion(std::string_view input, const TIpfConversionSettings& settings,
                RtfConversionSink& sink)
      : in_(input), settings_(settings), sink_(sink) {
    for (char c : settings.ToggleChars) isToggle_[static_cast<std::uint8_t>(c)] = true;
  }

  TIpfConversionResult Run();

 private:
  bool AtEnd() const { return pos_ >= in_.size(); }
  char Next() { return in_[pos_++]; }
  void Say(std::string_view german, std::string_view english, bool error) {
    sink_.ReportConversionMessage(german, english, error);
  }
  void Line(std::string_view text) {
    out_ += text;
    out_ += "\r\n";
  }

  void WriteConvertedChar(char ch);
  void WriteConvertedText(std::string_view text) {
    for (char c : text) WriteConvertedChar(c);
  }
  void FlushIndexEntries();
  void EndSymbol();
  void UnknownSymbol();
  void HandleTag();
  void HandleControlLine();
  void HandleIndexTag();
  void WriteToggles(char digit);
  void HandleListItem();
  void HandleArtwork();

  std::string_view in_;
  std::size_t pos_ = 0;
  const TIpfConversionSettings& settings_;
  RtfConversionSink& sink_;
  std::array<bool, 256> isToggle_{};
  std::string out_;

  char curChar_ = 0, prevChar_ = 0, prevPrevChar_ = 0;
  char lastWritten_ = 0;
  int column_ = 0;
  bool inSymbol_ = false;
  std::string symbolName_;
  bool inTag_ = false;
  std::string tagText_;
  bool inQuotes_ = false;
  bool lineMode_ = false;
  bool ipfHeadingOpen_ = false;
  int listDepth_ = 0;
  bool orderedMode_ = false;
  bool flushing_ = false;
  std::vector<std::string> pendingIndexEntries_;
};

void IpfConversion::WriteConvertedChar(char ch) {
  if (ch != 0 && ch != kCr && ch != kLf) {
    ++column_;
    const auto code = static_cast<std::uint8_t>(ch);
    out_ += settings_.IsoSourceCodePage ? static_cast<char>(settings_.OemToAnsi[code]) : ch;
  }
  if (ch == kLf) {
    // The last character of the input line, whether lines end in CR LF or in LF alone.
    const char lineEnd = prevChar_ == kCr ? prevPrevChar_ : prevChar_;
    if (ipfHeadingOpen_) {
      FlushIndexEntries();
      FlushIndexEntries();
      ipfHeadingOpen_ = false;
      column_ = 0;
    } else if (lineMode_) {
      FlushIndexEntries();
      column_ = 0;
    } else if (lineEnd != ' ' && lineEnd != 0) {
      out_ += ' ';
    }
  }
  if (settings_.SoftLineEnds && ch == ' ' && column_ > 60 && !IsSentenceEnd(lastWritten_) &&
      !flushing_) {
    FlushIndexEntries();
    column_ = 0;
  }
  lastWritten_ = ch;
}

void IpfConversion::FlushIndexEntries() {
  // The ".IN" lines come out whole: no soft wrap, and no flush from inside the flush.
  flushing_ = true;
  out_ += "\r\n";
  for (const std::string& entry : pendingIndexEntries_) {
    out_ += ".IN ";
    WriteConvertedText(entry);
    out_ += "\r\n";
  }
  pendingIndexEntries_.clear();
  column_ = 0;
  flushing_ = false;
}

void IpfConversion::UnknownSymbol() {
  out_ += "??";
  Say("Unbekanntes &" + symbolName_ + ". Suchen Sie \"??\" !",
      "Unknown &" + symbolName_ + ". Search \"??\" !", true);
}

void IpfConversion::EndSymbol() {
  for (const SymbolRow& row : kSymbols)
    if (symbolName_ == row.Name) {
      WriteConvertedChar(row.Code);
      return;
    }
  UnknownSymbol();
}

void IpfConversion::WriteToggles(char digit) {
  for (int position : kHighlightToggles[digit - '0']) {
    if (position < 0) break;
    if (static_cast<std::size_t>(position) < settings_.ToggleChars.size())
      out_ += settings_.ToggleChars[static_cast<std::size_t>(position)];
  }
}

void IpfConversion::HandleListItem() {
  int level = listDepth_;
  if (level <= 0) {
    // An item outside every list has no list character of its own: the outer level's is taken.
    Say("Listenpunkt au\xE1"
        "erhalb einer Liste: Ebene 1 genommen",
        "List item outside a list: level 1 taken", true);
    level = 1;
  }
  if (static_cast<std::size_t>(level) > settings_.ListChars.size()) {
    Say("Sortierte/unsortierte Liste: nicht genug Listenzeichen in der INI-Datei definiert - "
        "INI-Datei bearbeiten!",
        "Sorted/unsorted list problem: not enough list chars in ini file defined - edit ini "
        "file!",
        true);
    throw TIpfConversionResult{false, {}, 31};
  }
  FlushIndexEntries();
  out_ += settings_.ListChars[static_cast<std::size_t>(level - 1)];
  out_ += ' ';
  column_ = 0;
}

void IpfConversion::HandleArtwork() {
  const std::size_t n = tagText_.find("NAME=");
  if (n == std::string::npos) {
    Say("kein Dateiname im Befehl " + tagText_, "no filename in command " + tagText_, true);
    return;
  }
  std::string name = n + 6 <= tagText_.size() ? tagText_.substr(n + 6, 199) : std::string();
  std::size_t cut = name.find('\'');
  if (cut == std::string::npos) cut = name.find('"');
  if (cut != std::string::npos) name.resize(cut);
  FlushIndexEntries();
  Line(".BM " + name);
  column_ = 0;
}

void IpfConversion::HandleIndexTag() {
  if (AtEnd()) return;
  std::string entry;
  while (!AtEnd()) {
    const char c = Next();
    if (c == kLf) break;
    if (c != kCr && entry.size() < kIndexEntryMax) entry += c;
  }
  // A full list is written out first rather than overrun.
  if (pendingIndexEntries_.size() >= kPendingIndexMax) FlushIndexEntries();
  pendingIndexEntries_.push_back(std::move(entry));
}

void IpfConversion::HandleTag() {
  const std::string& t = tagText_;
  const auto starts = [&](std::string_view lead) { return t.compare(0, lead.size(), lead) == 0; };
  const auto isDigit = [](char c, char low) { return c >= low && c <= '9'; };
  if (t == "P") {
    FlushIndexEntries();
    FlushIndexEntries();
    column_ = 0;
  } else if (t.size() >= 2 && t[0] == 'H' && t[1] >= '1' && t[1] <= '6') {
    FlushIndexEntries();
    FlushIndexEntries();
    column_ = 0;
    Line(std::string(".") + t[1]);
    ipfHeadingOpen_ = true;
  } else if (t.size() == 3 && starts("HP") && isDigit(t[2], '0')) {
    if (t[2] != '0') WriteToggles(t[2]);
  } else if (t.size() == 4 && starts("EHP") && isDigit(t[3], '1')) {
    WriteToggles(t[3]);
  } else if (t == "CGRAPHIC" || t == "XMP") {
    FlushIndexEntries();
    Line(".FM OFF");
    column_ = 0;
    lineMode_ = true;
  } else if (t == "ECGRAPHIC" || t == "EXMP") {
    FlushIndexEntries();
    Line(".FM ON");
    column_ = 0;
    lineMode_ = false;
  } else if (t == "LINES") {
    lineMode_ = true;
  } else if (t == "ELINES") {
    lineMode_ = false;
  } else if (starts("OL") || starts("UL")) {
    if (listDepth_ == 0) {
      FlushIndexEntries();
      column_ = 0;
    }
    const bool ordered = starts("OL");
    if (ordered != orderedMode_) {
      FlushIndexEntries();
      Line(ordered ? ".OL" : ".UL");
      orderedMode_ = ordered;
    }
    ++listDepth_;
  } else if (starts("EOL") || starts("EUL")) {
    --listDepth_;
  } else if (t == "LI") {
    HandleListItem();
  } else if (starts("ARTWORK")) {
    HandleArtwork();
  } else if (t == "TITLE") {
    Line(".TI");
    ipfHeadingOpen_ = true;
  } else if (starts("I1")) {
    HandleIndexTag();
  }
}

void IpfConversion::HandleControlLine() {
  std::string firstTwo;
  char c = 0;
  while (!AtEnd()) {
    c = Next();
    if (c == kLf) break;
    if (firstTwo.size() < 2) firstTwo += (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
  }
  curChar_ = c;
  if (firstTwo == "BR") {
    FlushIndexEntries();
    column_ = 0;
    curChar_ = 0;
  }
}

TIpfConversionResult IpfConversion::Run() {
  try {
    while (!AtEnd()) {
      prevPrevChar_ = prevChar_;
      prevChar_ = curChar_;
      curChar_ = Next();
      const char c = curChar_;
      if (inSymbol_) {
        if (c == '.') {
          inSymbol_ = false;
          EndSymbol();
          continue;
        }
        if (symbolName_.size() < kSymbolNameMax) {
          symbolName_ += c;
          continue;
        }
        // No symbol is this long: an "&" that is never closed. Its text is kept and marked.
        inSymbol_ = false;
        UnknownSymbol();
        WriteConvertedText(symbolName_);
      }
      if (inTag_) {
        if (c == '\'' || c == '"') inQuotes_ = !inQuotes_;
        if (c == '.' && !inQuotes_) {
          inQuotes_ = false;
          HandleTag();
          inTag_ = false;
          curChar_ = 0;
        } else if (tagText_.size() < kShortTextMax) {
          tagText_ += (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
        }
      } else if (c == '&') {
        inSymbol_ = true;
        symbolName_.clear();
      } else if (c == '.' && prevChar_ == kLf) {
        HandleControlLine();
      } else if (c == ':') {
        inTag_ = true;
        tagText_.clear();
      } else {
        WriteConvertedChar(c);
        if (isToggle_[static_cast<std::uint8_t>(c)]) WriteConvertedChar(c);
      }
    }
    if (inSymbol_) {
      UnknownSymbol();
      WriteConvertedText(symbolName_);
    }
    // Entries of the last lines would otherwise be lost.
    if (!pendingIndexEntries_.empty()) FlushIndexEntries();
  } catch (TIpfConversionResult& stop) {
    stop.Output = std::move(out_);
    return stop;
  }
  return {true, std::move(out_), 0};
}

}  // namespace

TIpfConversionResult ConvertIpfText(std::string_view input, const TIpfConversionSettings& settings,
                                    RtfConversionSink& sink) {
  IpfConversion conversion(input, settings, sink);
  return conversion.Run();
}

void ConvertIpfToSource(CompilerRun& run) {
  run.RunSuccess = true;
  ReporterConversionSink sink(run);
  sink.ReportConversionMessage(
      "R\x81"
      "ckw\x84rts-Konvertierung IPF nach Skeldon",
      "reverse conversion mode IPF to Skeldon", false);
  if (run.Switches.WordStarInput) {
    sink.ReportConversionMessage("IPF nach WordStar wird nicht unterst\x81tzt",
                                 "IPF to WordStar not supported", true);
    run.Reporter.Terminate(CompletedOrFailed(run, ExitCode::SourceNotCompilable));
  }
  const platform::ReadTextResult input = platform::read_text_file(run.Switches.IpfFileName);
  if (!input.ok()) {
    sink.ReportConversionMessage("IPF-Datei nicht gefunden.", "IPF file not found.", true);
    run.Reporter.Terminate(CompletedOrFailed(run, ExitCode::InputFailed));
  }
  const std::string name(kIpfOutputFileName);
  run.Reporter.WriteLine(run.Switches.IpfFileName + " --> " + name, false);
  TIpfConversionSettings settings;
  settings.ToggleChars = run.Ini.ToggleChars;
  settings.ListChars = run.Ini.ListChars;
  settings.SoftLineEnds = run.Switches.SoftLineEnds;
  settings.IsoSourceCodePage = run.Ini.SourceIsIso;
  settings.OemToAnsi = run.CharConversion.Tables.OemToAnsi;
  const TIpfConversionResult result = ConvertIpfText(input.text, settings, sink);
  if (!result.Succeeded)
    run.Reporter.Terminate(CompletedOrFailed(run, ExitCode::SourceStructureWrong));
  // Written whole or not at all: a failed write leaves the previous file as it was.
  if (platform::replace_file_atomic(name, result.Output) != platform::FileError::none) {
    sink.ReportConversionMessage("Die Datei " + name + " kann nicht geschrieben werden.",
                                 "The file " + name + " cannot be written.", true);
    run.Reporter.Terminate(CompletedOrFailed(run, ExitCode::OutputFileFailed));
  }
  run.RunCompleted = true;
}

}  // namespace skeldon
