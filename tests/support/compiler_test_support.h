// Helpers the compiler tests share beside the run builder: bytes made printable, a readable
// dump of what the passes collected, golden-file comparison (with CORVINA_UPDATE_GOLDEN set, a
// missing or differing golden file is written, to be checked by hand before it is kept), and a
// whole compile run in memory with what it left.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "compiler/foundation/file_names.h"
#include "compiler/passes/compile_hypertext.h"
#include "compiler/passes/compiler_run.h"
#include "compiler/passes/heading_pass.h"
#include "compiler/passes/index_store.h"
#include "compiler/passes/link_pass.h"
#include "compiler/passes/pass_services.h"
#include "compiler/passes/reservations.h"
#include "compiler/writers/external_links.h"
#include "compiler/writers/index_markers.h"
#include "tests/support/compiler_test_run.h"
#include "tests/support/test_support.h"

namespace skeldon {

// A file of the generation tests' data.
inline std::string DataFile(const std::string& name) {
  return TestDataPath("compiler_generate/" + name);
}

// Source text with CR LF line ends from lines joined by "\n".
inline std::string Crlf(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c == '\n')
      out += "\r\n";
    else
      out.push_back(c);
  }
  return out;
}

// The heading pass and the link pass over the loaded source, as the compile run makes them
// before its output pass.
inline void RunPrepasses(CompilerRun& run) {
  run.Reader.PrePassRunning = true;
  ResetIndexChar(run);
  run.Navigation.ButtonTargets.fill(nullptr);
  IndexHeadings(run);
  run.Compile.FootnoteMarkersSet = false;
  run.IndexStore.IndexPageWanted = false;
  run.LinkPass.GraphicsDirGiven = false;
  ResetIndexChar(run);
  CollectIndexAndLinks(run);
}

// What a whole compile run in memory left.
struct TRunResult {
  int ExitCode = -1;                         // -1: the run came back without a stop (ordinary end)
  std::map<std::string, std::string> Files;  // path as created -> bytes
  std::string Console;
  bool RunCompleted = false;
  bool RunSuccess = false;
};

// Compiles the source text as a whole run does (a run started with RunStart::kWholeRun).
inline TRunResult CompileText(TestRun& run, const std::string& source) {
  TRunResult result;
  result.ExitCode = ExitCodeOf([&] { CompileHypertextText(*run, source); });
  result.Files = run.Files();
  result.Console = run.Text();
  result.RunCompleted = run->RunCompleted;
  result.RunSuccess = run->RunSuccess;
  return result;
}

inline bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// True when some output file of the run holds the part.
inline bool AnyFileHas(const TRunResult& r, const std::string& part) {
  for (const auto& [name, text] : r.Files)
    if (Contains(text, part)) return true;
  return false;
}

// The bytes of an output file of the run; empty when there is none.
inline const std::string& FileOf(const TRunResult& r, const std::string& name) {
  static const std::string none;
  auto it = r.Files.find(name);
  return it == r.Files.end() ? none : it->second;
}

// Running-text characters go to the output file raw, so that the markup of a writer stands out.
inline void EmitRaw(CompilerRun& run) {
  run.OutputFilter.EmitSourceChar = [](CompilerRun& r, std::uint8_t c) {
    if (c != 0) r.Passes.OutputFile.push_back(static_cast<char>(c));
  };
}

// The bytes with backslashes, controls and high bytes as \xNN.
inline std::string Printable(std::string_view s) {
  std::string r;
  for (unsigned char c : s) {
    if (c >= 0x20 && c < 0x7F && c != '\\')
      r.push_back(static_cast<char>(c));
    else {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\x%02X", c);
      r += buf;
    }
  }
  return r;
}

inline std::string DescribeNode(const THeadingNode* n) {
  if (!n) return "none";
  return "hd" + std::to_string(n->HeadingNumber);
}

// A readable dump of what the passes collected.
inline std::string DumpPasses(CompilerRun& run) {
  std::ostringstream o;
  o << "== headings\n";
  struct Walk {
    static void Go(CompilerRun& run, std::ostringstream& o, const THeadingNode* n, int depth) {
      for (; n; n = n->NextSibling) {
        std::string title;
        CopyHeadingTitle(run, title, n->SourcePosition, false, true, false);
        o << std::string(static_cast<std::size_t>(depth) * 2, ' ') << "level " << depth + 1 << " hd"
          << n->HeadingNumber << " file " << n->FileNumber << (n->GroupFlag ? " group" : "")
          << (n->OwnString ? " id=" + *n->OwnString : "") << " \"" << Printable(title) << "\"\n";
        Go(run, o, n->FirstChild, depth + 1);
      }
    }
  };
  Walk::Go(run, o, run.Passes.HeadingTreeRoot, 0);
  o << "== .ID pages\n";
  for (const TIdMark& m : run.FileNames.IdMarkList)
    o << "file " << m.FileNumber << " \"" << Printable(m.Name) << "\" page "
      << MakeTopicFileName(run, m.FileNumber, false, 0) << " frameset "
      << MakeTopicFileName(run, m.FileNumber, true, 0) << "\n";
  o << "== reservations\n";
  for (const TNumberReservation& r : run.Numbering.ReservationList)
    o << (r.Kind ? ".NR" : ".HD") << " natural " << r.NaturalNumber << " used " << r.UsedNumber
      << " reserved " << r.ReservedValue << " line " << r.SourceLine << "\n";
  o << "== index store (" << run.IndexStore.EntryNumberCounter << " numbers)\n";
  for (int b = 0; b < 256; ++b) {
    const TIndexEntry* e = run.IndexStore.IndexBuckets[b];
    if (!e) continue;
    char buf[16];
    std::snprintf(buf, sizeof buf, "bucket %3d:\n", b);
    o << buf;
    for (; e; e = e->NextInBucket) {
      o << "  #" << e->EntryNumber << " \"" << Printable(e->Word) << "\"";
      for (const TIndexWordLink* l = e->WordLinks; l; l = l->Next)
        o << " + \"" << Printable(l->Word) << "\"";
      o << " orig=" << Printable(std::string(1, static_cast<char>(e->OriginalFirstChar)));
      if (e->IndexOnly) o << " index-only";
      if (e->Unlisted) o << " unlisted";
      if (e->Inverted) o << " inverted";
      if (e->IsUrl) o << " url";
      if (e->LinkTarget) {
        o << " -> \"" << Printable(*e->LinkTarget) << "\"";
        if (e->ContextId) o << " ctx=\"" << Printable(*e->ContextId) << "\"";
        if (e->HeadingNumber) o << " panel " << e->HeadingNumber;
      } else {
        o << " -> hd" << e->HeadingNumber << " file " << e->FileNumber << " node "
          << DescribeNode(e->HeadingNode);
        if (e->OpensFrameGroup) o << " opens-group";
        if (e->ContextId) o << " ctx=" << Printable(*e->ContextId);
      }
      if (e->GroupFileNumber != -99) o << " groupfile " << e->GroupFileNumber;
      o << "\n";
    }
  }
  o << "== keywords per topic\n";
  const TTargetFlags saved = run.Ini.TargetFlags;
  for (std::uint32_t h = 0; h < run.IndexStore.HeadingFirstEntry.size(); ++h) {
    if (!run.IndexStore.HeadingFirstEntry[h]) continue;
    SetTarget(run, "html");
    run.Passes.OutputFile.clear();
    WriteTopicKeywords(run, static_cast<std::uint16_t>(h));
    o << "hd" << h << (HasTopicKeywords(run, static_cast<std::uint16_t>(h)) ? "" : " (none listed)")
      << ": " << Printable(run.Passes.OutputFile) << "\n";
  }
  run.Ini.TargetFlags = saved;
  run.Passes.OutputFile.clear();
  const TLinkPassState& lp = run.LinkPass;
  o << "== state\n";
  o << "title \"" << Printable(lp.DocumentTitle) << "\" index char "
    << Printable(std::string(1, static_cast<char>(lp.IndexChar))) << " case-free "
    << lp.CaseFreeIndex << " panel-id-file " << lp.PanelIdFileWanted << " graphics-dir "
    << lp.GraphicsDirGiven << " index-page " << run.IndexStore.IndexPageWanted << " frame-groups "
    << run.IndexStore.FrameGroupsUsed << "\n";
  for (int level = 1; level <= 6; ++level) {
    const THeadingLevelStyle& s = lp.HeadingLevelStyles[level];
    if (!s.IndexMark && !s.LetterGiven && !s.Comma) continue;
    o << "level " << level << " style:" << (s.LetterGiven ? std::string(" letter ") + s.Letter : "")
      << (s.IndexMark ? " index" : "") << (s.SecondIndexMark ? " keywords" : "")
      << (s.Comma ? " comma" : "") << "\n";
  }
  for (std::size_t code = 1; code < lp.ButtonUrls.size(); ++code)
    if (lp.ButtonUrls[code]) o << "button " << code << " -> " << *lp.ButtonUrls[code] << "\n";
  o << "== messages\n";
  if (auto* c = dynamic_cast<TCapturingConsole*>(&run.Reporter.Console())) {
    std::string line;
    for (char ch : c->Text) {
      if (ch == '\r') continue;
      if (ch == '\n') {
        o << Printable(line) << "\n";
        line.clear();
      } else {
        line.push_back(ch);
      }
    }
    if (!line.empty()) o << Printable(line) << "\n";
  }
  return o.str();
}

// One line with its control and high bytes made visible, so CR LF and code-page bytes show.
inline std::string VisibleLine(const std::string& text, std::size_t from, std::size_t to) {
  static const char* hex = "0123456789ABCDEF";
  std::string out;
  for (std::size_t i = from; i < to && i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c == '\r')
      out += "\\r";
    else if (c == '\n')
      out += "\\n";
    else if (c == '\t')
      out += "\\t";
    else if (c < 0x20 || c >= 0x7F)
      out += std::string("\\x") + hex[c >> 4] + hex[c & 15];
    else
      out.push_back(static_cast<char>(c));
  }
  return out;
}

inline std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  for (std::size_t from = 0; from < text.size();) {
    const std::size_t end = text.find('\n', from);
    const std::size_t to = end == std::string::npos ? text.size() : end + 1;
    lines.push_back(text.substr(from, to - from));
    from = to;
  }
  return lines;
}

// The first differing line, numbered, with the line before it, as the golden file and the
// output have it. In a dump the "=== file (n bytes)" headers name the file; a header that
// differs only because the file's size changed is reported with the first line that differs
// after it.
inline std::string FirstDifference(const std::string& want, const std::string& got) {
  const std::vector<std::string> a = SplitLines(want), b = SplitLines(got);
  const auto isHeader = [](const std::string& l) { return l.rfind("=== ", 0) == 0; };
  std::string out = "\n", section;
  for (std::size_t k = 0; k < a.size() || k < b.size(); ++k) {
    const std::string* x = k < a.size() ? &a[k] : nullptr;
    const std::string* y = k < b.size() ? &b[k] : nullptr;
    if (x && isHeader(*x)) section = " in \"" + VisibleLine(*x, 0, x->find('\r')) + "\"";
    if (x && y && *x == *y) continue;
    if (x && y && isHeader(*x) && isHeader(*y) &&
        x->substr(0, x->find(" (")) == y->substr(0, y->find(" ("))) {
      out += "header line " + std::to_string(k + 1) + ": golden " + VisibleLine(*x, 0, x->size()) +
             ", got " + VisibleLine(*y, 0, y->size()) + "\n";
      continue;
    }
    out += "line " + std::to_string(k + 1) + section + "\n";
    if (k > 0 && k - 1 < a.size())
      out += "  (before)  " + VisibleLine(a[k - 1], 0, a[k - 1].size()) + "\n";
    out +=
        "  golden:   " + (x ? VisibleLine(*x, 0, x->size()) : std::string("<end of file>")) + "\n";
    out +=
        "  got:      " + (y ? VisibleLine(*y, 0, y->size()) : std::string("<end of file>")) + "\n";
    break;
  }
  return out + "  (sizes: golden " + std::to_string(want.size()) + ", got " +
         std::to_string(got.size()) + " bytes)";
}

inline void ExpectGolden(const std::string& name, const std::string& got) {
  const std::string path = SourceDir() + "/tests/golden/compiler_generate/" + name;
  const std::string want = corvina_test::ReadFile(path);
  if (want != got && std::getenv("CORVINA_UPDATE_GOLDEN")) {
    std::ofstream(path, std::ios::binary) << got;
    return;
  }
  EXPECT_TRUE(want == got) << name << " differs " << FirstDifference(want, got);
}

}  // namespace skeldon
