#include "compiler/writers/index_markers.h"

#include <string>

#include "compiler/foundation/console_reporter.h"
#include "compiler/passes/compiler_run.h"
#include "compiler/passes/index_store.h"
#include "compiler/passes/link_pass.h"
#include "compiler/passes/pass_services.h"
#include "compiler/writers/link_writer.h"
#include "compiler/writers/source_text_output.h"

namespace skeldon {

namespace {

constexpr std::size_t kPartMax = 199;
constexpr std::size_t kKeywordRestMax = 99;

void WritePart(CompilerRun& run, std::string_view text) {
  WriteSourceText(run, RemoveIndexFilterChars(run, text), run.Passes.OutputFile);
}

void WriteIpfMarker(CompilerRun& run, TIndexEntry& e, bool several, bool inverted,
                    const std::string& first, const std::string& second) {
  std::string& out = run.Passes.OutputFile;
  const std::string n = std::to_string(e.EntryNumber);
  if (several) {
    if (e.IpfIdWritten) {
      out += ":i2 refid=i" + n + ".";
    } else if (HasLaterIndexEntry(run, e, first)) {
      out += ":i1 id=i" + n + ".";
      WritePart(run, first);
      out += "\r\n";
      e.IpfIdWritten = 1;
      out += ":i2 refid=i" + n + ".";
    } else {
      out += ":i1.";
      WritePart(run, first);
      out += inverted ? ", " : " ";
    }
    WritePart(run, second);
    out += "\r\n";
    return;
  }
  if (e.IpfIdWritten) {
    out += ":i1.";
  } else {
    out += ":i1 id=i" + n + ".";
    e.IpfIdWritten = 1;
  }
  WritePart(run, first);
  out += "\r\n";
}

}  // namespace

void WriteIndexMarker(CompilerRun& run, bool inverted, bool insertIfMissing) {
  TLinkWriterState& lw = run.LinkWriter;
  const TLinkPassState& lp = run.LinkPass;
  const std::string expr = lw.MarkedExpression;
  if (lp.LocalLinks || lp.ExternalBlock) {
    const bool several = lw.MarkedExpressionWords && expr.find(' ') != std::string::npos;
    std::string first, second;
    if (several && inverted) {
      const std::size_t b = expr.rfind(' ');
      first = expr.substr(b + 1);
      second = expr.substr(0, b);
    } else if (several) {
      const std::size_t b = expr.find(' ');
      first = expr.substr(0, b);
      second = expr.substr(b + 1);
    } else {
      first = expr;
    }
    if (first.size() > kPartMax) first.resize(kPartMax);
    if (second.size() > kPartMax) second.resize(kPartMax);
    if (run.Passes.InFootnote)
      run.Reporter.ReportSourceError({MessageId::IndexMarkerInFootnote, expr}, 0);
    TIndexEntry* e = FindIndexEntry(run, first, nullptr, true);
    bool ok = true;
    if (!e) {
      if (!inverted && !insertIfMissing) {
        run.Reporter.ReportSourceError({MessageId::IndexMarkerUnknown, expr}, 0);
        ok = false;
      } else {
        InsertIndexEntry(run, first, true, inverted, false);
        e = FindIndexEntry(run, first, nullptr, true);
        if (!e) {
          run.Reporter.ReportSourceError({MessageId::IndexMarkerNotInserted, expr}, 0);
          ok = false;
        }
      }
    }
    if (ok && !lp.ExternalBlock && run.Ini.TargetFlags.Ipf)
      WriteIpfMarker(run, *e, several, inverted, first, second);
  }
  lw.InIndexExpression = false;
  lw.MarkedExpression.clear();
}

bool HasTopicKeywords(const CompilerRun& run, std::uint16_t headingNumber) {
  for (const TIndexEntry* e = FirstEntryOfHeading(run, headingNumber);
       e && e->HeadingNumber == headingNumber; e = e->NextInserted)
    if (!e->Unlisted) return true;
  return false;
}

void WriteKeywordWord(CompilerRun& run, std::uint8_t firstChar, std::string_view word) {
  if (word.empty()) return;
  std::string& out = run.Passes.OutputFile;
  WriteSourceChar(run, firstChar, out);
  std::string_view rest = word.substr(1);
  if (rest.size() > kKeywordRestMax) rest = rest.substr(0, kKeywordRestMax);
  WriteSourceText(run, RemoveIndexFilterChars(run, rest), out);
}

void WriteTopicKeywords(CompilerRun& run, std::uint16_t headingNumber) {
  const TTargetFlags& t = run.Ini.TargetFlags;
  if (t.RtfText) return;
  std::string& out = run.Passes.OutputFile;
  bool any = false;
  for (const TIndexEntry* e = FirstEntryOfHeading(run, headingNumber);
       e && e->HeadingNumber == headingNumber; e = e->NextInserted) {
    if (e->Unlisted) continue;
    if (t.RtfFamily)
      out += any ? ";" : "K{\\footnote  ";
    else if (any)
      out += ", ";
    if (t.RtfFamily && e->Inverted) {
      if (!e->WordLinks) {
        WriteMessage(run, MessageId::IndexProgramFault, true);
        run.Reporter.Terminate(CompletedOrFailed(run, ExitCode::IndexFault));
      }
      const TIndexWordLink* last = e->WordLinks;
      while (last->Next) last = last->Next;
      WriteKeywordWord(run, last->OriginalFirstChar, last->Word);
      out += ", ";
      WriteKeywordWord(run, e->OriginalFirstChar, e->Word);
      for (const TIndexWordLink* l = e->WordLinks; l != last; l = l->Next) {
        out += " ";
        WriteKeywordWord(run, l->OriginalFirstChar, l->Word);
      }
    } else {
      WriteKeywordWord(run, e->OriginalFirstChar, e->Word);
      for (const TIndexWordLink* l = e->WordLinks; l; l = l->Next) {
        out += " ";
        WriteKeywordWord(run, l->OriginalFirstChar, l->Word);
      }
    }
    any = true;
  }
  if (t.RtfFamily && any) out += "}\r\n";
}

}  // namespace skeldon
