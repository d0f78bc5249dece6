#include "compiler/passes/target_selection.h"

#include <array>

#include "compiler/passes/compiler_run.h"

namespace skeldon {

namespace {

struct TTargetRow {
  TTargetRequest Request;
  TTargetRequest OrRequest;  // a second word that selects the same row
  TTargetFlags Flags;
};

TTargetFlags Flags(bool html, bool help, bool ipf, bool rtf, bool wh3, bool wh4, bool text) {
  return TTargetFlags{html, help, ipf, rtf, wh3, wh4, text};
}

// In the order in which the words are tried: the first one given decides.
const std::array<TTargetRow, 6>& TargetRows() {
  static const std::array<TTargetRow, 6> rows{{
      {kRequestHtml, kRequestHtml, Flags(true, false, false, false, false, false, false)},
      {kRequestHtmlHelp, kRequestHtmlHelp, Flags(true, true, false, false, false, false, false)},
      {kRequestIpf, kRequestIpf, Flags(false, false, true, false, false, false, false)},
      {kRequestWinHelp3, kRequestWinHelp3, Flags(false, false, false, true, true, false, false)},
      {kRequestWinHelp4, kRequestWinHelp4, Flags(false, false, false, true, false, true, false)},
      {kRequestRtfText, kRequestRtfTextCc, Flags(false, false, false, true, false, false, true)},
  }};
  return rows;
}

}  // namespace

void ApplyTargetOverride(CompilerRun& run) {
  TSwitches& sw = run.Switches;
  if (!sw.TargetOverride) return;
  for (const TTargetRow& row : TargetRows()) {
    if (!sw.TargetRequests[row.Request] && !sw.TargetRequests[row.OrRequest]) continue;
    run.Ini.TargetFlags = row.Flags;
    if (row.Request == kRequestRtfText)
      run.Ini.ColorCorrection = sw.TargetRequests[kRequestRtfTextCc];
    if (sw.InternalContents) {
      run.Ini.ContentsInternal = true;
      run.Ini.ContentsCntFile = false;
    }
    return;
  }
}

}  // namespace skeldon
