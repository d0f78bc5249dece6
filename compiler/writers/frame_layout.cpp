#include "compiler/writers/frame_layout.h"

#include <cstdint>
#include <string>

#include "compiler/passes/compiler_run.h"

namespace skeldon {

namespace {

// A whole number with an optional sign; huge values are kept as a large magnitude.
bool ReadWholeNumber(const std::string& word, long& value) {
  std::size_t i = 0;
  bool negative = false;
  if (i < word.size() && (word[i] == '+' || word[i] == '-')) negative = word[i++] == '-';
  if (i == word.size()) return false;
  long v = 0;
  for (; i < word.size(); ++i) {
    if (word[i] < '0' || word[i] > '9') return false;
    if (v < 100000) v = v * 10 + (word[i] - '0');
  }
  value = negative ? -v : v;
  return true;
}

TGroupWindow Window(int height, int width, bool left, bool top) {
  TGroupWindow w;
  w.HeightPercent = static_cast<std::uint8_t>(height);
  w.WidthPercent = static_cast<std::uint8_t>(width);
  w.Left = left;
  w.Top = top;
  return w;
}

}  // namespace

void HandleFrameCommand(CompilerRun& run) {
  TConsoleReporter& rep = run.Reporter;
  int hori = 0, verti = 0;
  bool horiPending = false, vertiPending = false, horiFirst = false;
  bool one = false, three = false;
  for (const std::string& word : run.CommandLine.WordList) {
    if (word.empty()) break;
    if (word == "I") {
      one = true;
    } else if (word == "III") {
      three = true;
    } else if (word == "hori") {
      horiPending = true;
      if (verti == 0) horiFirst = true;
    } else if (word == "verti") {
      vertiPending = true;
    } else {
      long n = 0;
      if (!ReadWholeNumber(word, n)) {
        rep.ReportSourceError({MessageId::UnknownFaParameter, word}, 0);
        return;
      }
      if (n < 10 || n > 90) rep.ReportSourceError(MessageId::FaPerCentRange, 0);
      // A frame needs room on both sides of the split: outside 1 to 99 the per cent fields
      // and the complements would wrap (reported above, kept inside the window here).
      if (n < 1) n = 1;
      if (n > 99) n = 99;
      if (horiPending || run.Ini.TargetFlags.HtmlHelp) {
        hori = static_cast<int>(n);
        horiPending = false;
      } else if (vertiPending) {
        verti = static_cast<int>(n);
        vertiPending = false;
      } else {
        rep.ReportSourceError(MessageId::FaHoriOrVertiWanted, 0);
        return;
      }
    }
  }
  if (hori == 0 && verti == 0) {
    rep.ReportSourceError(MessageId::FaTooFewParameters, 0);
    return;
  }
  TPassServices& ps = run.Passes;
  for (TGroupWindow& w : ps.GroupWindowTable) w = Window(0, 0, false, false);
  int levels = 3;
  if (verti == 0 || hori == 0) {
    levels = 2;
    if (verti == 0) verti = 100;
    if (hori == 0) hori = 100;
  }
  const bool vertiFirst = !horiFirst;
  ps.GroupWindowTable[1] =
      Window(vertiFirst && one ? 100 : hori, horiFirst && one ? 100 : verti, true, true);
  if (levels == 3) {
    if (vertiFirst != three)
      ps.GroupWindowTable[2] = Window(hori, 100 - verti, false, true);
    else
      ps.GroupWindowTable[2] = Window(100 - hori, verti, true, false);
  }
  const int lastWidth = (horiFirst && three) || verti == 100 ? 100 : 100 - verti;
  const int lastHeight = (vertiFirst && three) || hori == 100 ? 100 : 100 - hori;
  ps.GroupWindowTable[levels] = Window(lastHeight, lastWidth, false, false);
  ps.GroupWindowTable[4] = ps.GroupWindowTable[2];
  if (levels == 3 && one) {
    if (horiFirst)
      ps.GroupWindowTable[4].WidthPercent = 100;
    else
      ps.GroupWindowTable[4].HeightPercent = 100;
  }
  ps.GroupWindowCount = levels;
  run.LinkPass.FramePending = true;
}

}  // namespace skeldon
