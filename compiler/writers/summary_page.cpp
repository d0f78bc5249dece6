#include "compiler/writers/summary_page.h"

#include <algorithm>
#include <ctime>
#include <string>
#include <string_view>

#include "compiler/foundation/char_conversion.h"
#include "compiler/foundation/file_names.h"
#include "compiler/passes/compiler_run.h"
#include "compiler/writers/external_links.h"
#include "compiler/writers/help_project.h"
#include "compiler/writers/html_page.h"
#include "compiler/writers/output_files.h"
#include "compiler/writers/source_text_output.h"

namespace skeldon {

namespace {

constexpr const char* kHomePageGerman = "https://www.skeldon.example/de/";
constexpr const char* kHomePageEnglish = "https://www.skeldon.example/en/";

std::string& Out(CompilerRun& run) { return run.Passes.OutputFile; }

// German texts are code page 850; an ISO run converts them first so they come out the same.
void WriteLanguageText(CompilerRun& run, const Message& message) {
  if (!LanguageHasMessages(run.Language)) return;
  std::string& out = Out(run);
  const std::string text = MessageText(run.Language, message);
  if (run.Language == 1 && run.Ini.SourceIsIso) {
    for (unsigned char c : text) WriteTargetChar(run, out, run.CharConversion.Tables.OemToAnsi[c]);
  } else {
    WriteTargetText(run, text, out);
  }
}

void WriteGreenFont(CompilerRun& run) { Out(run) += "<font color=green>"; }
void WriteRedFont(CompilerRun& run) { Out(run) += "<font color=red>"; }
void WriteFontEnd(CompilerRun& run) { Out(run) += "</font>"; }
void WriteBreakLine(CompilerRun& run) { Out(run) += "<br>\r\n"; }

std::string FormatTwoDigits(std::uint16_t value) {
  return (value < 10 ? "0" : "") + std::to_string(value);
}

void WriteGreen(CompilerRun& run, const std::string& text) {
  WriteGreenFont(run);
  Out(run) += text;
  WriteFontEnd(run);
}

void WriteLink(CompilerRun& run, const std::string& target) {
  Out(run) += "<a href=\"" + target + "\">";
  WriteTargetText(run, target, Out(run));
  Out(run) += "</a><br>\r\n";
}

void WriteSectionHead(CompilerRun& run, MessageId head) {
  Out(run) += "\r\n<h2>";
  WriteLanguageText(run, head);
  Out(run) += "</h2>\r\n\r\n";
}

// Whole kB, rounded to the nearest.
std::string KiloBytes(std::int64_t bytes) { return std::to_string((bytes + 512) / 1024); }

// value / divisor with one decimal, rounded to the nearest tenth.
std::string OneDecimal(std::int64_t value, std::int64_t divisor) {
  const std::int64_t tenths = (value * 10 + divisor / 2) / divisor;
  return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10);
}

std::int64_t Hundredths(const TTimeOfDay& t) {
  return t.Hour * 360000LL + t.Minute * 6000LL + t.Second * 100LL + t.Hundredths;
}

void WriteEntryLinks(CompilerRun& run) {
  const TIniSettings& ini = run.Ini;
  const std::string& project = run.Switches.OutputDirectoryName;
  const std::string& pre = run.Switches.PageNamePrefix;
  if (ini.TargetFlags.HtmlHelp) {
    WriteLanguageText(run, MessageId::SummaryHtmlHelpProject);
    // The project file is written after this page, so its name is formed here; like the other
    // entry links it is relative to this page with "/", so that a browser finds it.
    const std::string& known = run.HelpProject.HhpFileName;
    WriteLink(run, known.empty() ? project + "/" + HhpBareFileName(run) : known);
  } else {
    if (run.IniValues.HomeButtonInFrame) {
      WriteLanguageText(run, MessageId::SummaryHomeFrame);
      WriteLink(
          run, project + "/" + NormalizeFileName(run, pre + "INDXF" + run.FileNames.PageExtension));
    }
    if (ini.CreateContents && run.Switches.ContentsDepth > 0) {
      WriteLanguageText(run, MessageId::SummaryContents);
      WriteLink(run, project + "/" + NormalizeFileName(run, pre + ContentsFileName(run)));
    }
    if (run.IndexStore.IndexPageWanted) {
      WriteLanguageText(run, MessageId::SummaryIndex);
      WriteLink(run, project + "/" + NormalizeFileName(run, pre + IndexFileName(run)));
    }
  }
  WriteLanguageText(run, MessageId::SummaryFirstPage);
  const std::string keep = run.FileNames.LastPageIdName;
  const std::string first = MakeTopicFileName(run, 0, false, 0);
  run.FileNames.LastPageIdName = keep;
  WriteLink(run, project + "/" + first);
}

void WriteTechnicalReview(CompilerRun& run) {
  const TSummaryPageState& st = run.SummaryPage;
  const TClockReading now = ReadClock(run);
  const std::string& ext = run.FileNames.PageExtension;
  WriteLanguageText(run, MessageId::SummaryHtmlFiles);
  WriteGreen(run, run.Switches.OutputDirectoryName + "\\" + NormalizeFileName(run, "*" + ext));
  WriteLanguageText(run, MessageId::SummaryCreatedAt);
  WriteGreenFont(run);
  if (run.Language == 1)
    Out(run) += FormatTwoDigits(now.Day) + "." + FormatTwoDigits(now.Month) + "." +
                std::to_string(now.Year) + " ";
  else
    Out(run) += FormatTwoDigits(now.Month) + "-" + FormatTwoDigits(now.Day) + "-" +
                std::to_string(now.Year) + " ";
  Out(run) +=
      FormatTwoDigits(st.RunStartTime.Hour) + ":" + FormatTwoDigits(st.RunStartTime.Minute) + " ";
  WriteFontEnd(run);
  WriteLanguageText(run, MessageId::SummaryWith);
  Out(run) += "Skeldon ";
  WriteGreenFont(run);
  Out(run) += kSkeldonVersion;
  WriteLanguageText(run, MessageId::SummaryFor);
  Out(run) += "Win95-ME/NT-XP";
  WriteFontEnd(run);
  WriteBreakLine(run);

  WriteLanguageText(run, MessageId::SummarySourceFiles);
  WriteGreenFont(run);
  bool firstName = true;
  for (const std::string& name : run.Switches.SourceFiles) {
    if (!firstName) Out(run) += ", ";
    firstName = false;
    WriteTargetText(run, name, Out(run));
  }
  WriteFontEnd(run);
  WriteBreakLine(run);

  WriteLanguageText(run, MessageId::SummaryIniFile);
  WriteGreenFont(run);
  WriteTargetText(run, run.Switches.IniFileName, Out(run));
  WriteFontEnd(run);
  WriteBreakLine(run);

  WriteLanguageText(run, MessageId::SummarySourceLength);
  WriteGreen(run, KiloBytes(static_cast<std::int64_t>(run.Source.Data.size())) + " kB");
  WriteBreakLine(run);

  WriteLanguageText(run, MessageId::SummaryHtmlFileCount);
  WriteGreen(run, std::to_string(run.HtmlPage.HtmlPageCount));
  WriteBreakLine(run);

  WriteLanguageText(run, MessageId::SummaryHtmlFileSize);
  WriteGreen(run, KiloBytes(run.HtmlPage.HtmlPageBytes) + " kB");
  WriteBreakLine(run);

  // A run across midnight counts on into the next day instead of going negative.
  std::int64_t elapsed = Hundredths(now.Time) - Hundredths(st.RunStartTime);
  if (elapsed < 0) elapsed += 24LL * 360000;
  WriteLanguageText(run, MessageId::SummaryCompileTime);
  WriteGreenFont(run);
  Out(run) += OneDecimal(elapsed, 100);
  WriteLanguageText(run, MessageId::SummarySeconds);
  WriteFontEnd(run);
  WriteBreakLine(run);

  WriteLanguageText(run, MessageId::SummaryAutomaticLinks);
  WriteBreakLine(run);
  WriteLanguageText(run, MessageId::SummaryInternalLinks);
  WriteGreen(run, std::to_string(run.LinkWriter.InternalLinkCount));
  WriteBreakLine(run);
  WriteLanguageText(run, MessageId::SummaryExternalLinks);
  WriteGreen(run, std::to_string(run.LinkWriter.ExternalLinkCount));
  WriteBreakLine(run);
}

void WriteReservations(CompilerRun& run) {
  const auto& list = run.Numbering.ReservationList;
  if (list.empty()) return;
  WriteSectionHead(run, MessageId::SummaryEnumerationHead);
  for (const TNumberReservation& r : list) {
    const bool exceeded = r.ReservedValue < r.NaturalNumber;
    if (exceeded) WriteRedFont(run);
    WriteLanguageText(run, MessageId::SummaryAt);
    Out(run) += std::string(r.Kind == 1 ? ".NR" : ".HD") + std::to_string(r.ReservedValue) + " ";
    WriteLanguageText(run, MessageId::SummaryLine);
    Out(run) += std::to_string(r.SourceLine) + ") ";
    if (exceeded) {
      WriteLanguageText(run, MessageId::SummaryExceedingBy);
      Out(run) += std::to_string(r.NaturalNumber - r.ReservedValue) + " ";
    } else {
      WriteLanguageText(run, MessageId::SummaryRoomFor);
      Out(run) += std::to_string(r.ReservedValue - r.NaturalNumber) + " ";
    }
    if (r.Kind == 1)
      WriteLanguageText(run, MessageId::SummaryFiles);
    else
      WriteLanguageText(run, MessageId::SummaryHeadings);
    if (exceeded) WriteFontEnd(run);
    WriteBreakLine(run);
  }
}

}  // namespace

TClockReading ReadClock(const CompilerRun& run) {
  if (run.SummaryPage.Clock) return run.SummaryPage.Clock();
  TClockReading r;
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  r.Year = static_cast<std::uint16_t>(local.tm_year + 1900);
  r.Month = static_cast<std::uint16_t>(local.tm_mon + 1);
  r.Day = static_cast<std::uint16_t>(local.tm_mday);
  r.Time.Hour = static_cast<std::uint16_t>(local.tm_hour);
  r.Time.Minute = static_cast<std::uint16_t>(local.tm_min);
  r.Time.Second = static_cast<std::uint16_t>(local.tm_sec);
  return r;
}

void WriteGraphicsCheck(CompilerRun& run) {
  TSummaryPageState& st = run.SummaryPage;
  const bool search = run.Graphics.SearchGraphicFiles;
  if (search && st.BitmapDirectoryUsed) {
    WriteRedFont(run);
    WriteLanguageText(run, MessageId::SummaryGraphicsCheckOffWithBd);
    WriteFontEnd(run);
    WriteBreakLine(run);
    return;
  }
  if (!search) {
    WriteLanguageText(run, MessageId::SummaryGraphicsCheckOff);
    WriteBreakLine(run);
    return;
  }
  bool missing = false;
  for (const TGraphicFileInfo& g : st.GraphicFiles) {
    if (g.Found) continue;
    if (!missing) {
      missing = true;
      const auto& dirs = run.Graphics.GraphicDirectoryList;
      if (dirs.empty()) {
        WriteRedFont(run);
        WriteLanguageText(run, MessageId::SummaryNoGraphicPath);
        WriteFontEnd(run);
        WriteBreakLine(run);
        WriteBreakLine(run);
      } else {
        WriteLanguageText(run, MessageId::SummarySearchedDirectories);
        WriteBreakLine(run);
        WriteGreenFont(run);
        for (const std::string& d : dirs) {
          WriteTargetText(run, d, Out(run));
          WriteBreakLine(run);
        }
        WriteFontEnd(run);
        WriteBreakLine(run);
      }
      WriteRedFont(run);
      WriteLanguageText(run, MessageId::Warning);
      WriteBreakLine(run);
    }
    WriteLanguageText(run, {MessageId::GraphicsFileMissing, g.Name});
    WriteBreakLine(run);
  }
  if (!missing) {
    WriteLanguageText(run, MessageId::SummaryAllGraphicsThere);
    WriteBreakLine(run);
  } else {
    WriteFontEnd(run);
    WriteBreakLine(run);
  }
  WriteLanguageText(run, MessageId::SummaryUsedGraphicsCount);
  WriteGreen(run, std::to_string(st.UsedGraphicFileCount));
  WriteBreakLine(run);
  WriteBreakLine(run);
  if (st.GraphicFiles.empty()) return;
  WriteLanguageText(run, MessageId::SummaryGraphicsList);
  WriteBreakLine(run);
  // Largest first; equal sizes keep the order of first reference, missing files (-1) come last.
  std::vector<std::size_t> order(st.GraphicFiles.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
    return st.GraphicFiles[a].Size > st.GraphicFiles[b].Size;
  });
  for (std::size_t i : order) {
    TGraphicFileInfo& g = st.GraphicFiles[i];
    g.Printed = true;
    if (g.Found) {
      // The page lies beside the output directory: its links start with the directory's name.
      Out(run) += "<a href=\"" + run.Switches.OutputDirectoryName + "/" + g.Name + "\">" + g.Name +
                  "</a> " + OneDecimal(g.Size, 1024) + " kB (" + OneDecimal(g.Size, 1024 * 7) +
                  " sec)";
    } else {
      Out(run) += g.Name;
    }
    WriteBreakLine(run);
  }
  WriteBreakLine(run);
}

void WriteProjectSummary(CompilerRun& run) {
  const TIniSettings& ini = run.Ini;
  const std::string& project = run.Switches.OutputDirectoryName;
  Out(run) += "<HTML><BODY><title>";
  WriteLanguageText(run, MessageId::SummaryProject);
  WriteTargetText(run, project, Out(run));
  Out(run) += "</title>\r\n<h1>";
  WriteTargetText(run, ini.TargetFlags.HtmlHelp ? "MS HTML-Help" : "HTML", Out(run));
  WriteLanguageText(run, MessageId::SummaryProjectAfterTarget);
  WriteGreenFont(run);
  WriteTargetText(run, project, Out(run));
  WriteFontEnd(run);
  Out(run) += "</h1>\r\n";
  Out(run) +=
      std::string("<a href=\"") + (run.Language == 1 ? kHomePageGerman : kHomePageEnglish) + "\">";
  WriteLanguageText(run, MessageId::SummaryTo);
  Out(run) += " Skeldon Homepage</a>";
  WriteBreakLine(run);
  WriteBreakLine(run);
  if (!ini.TargetFlags.HtmlHelp && ini.FootnotesPopup) {
    WriteRedFont(run);
    WriteLanguageText(run, MessageId::SummaryNotForWeb);
    WriteLanguageText(run, MessageId::SummaryActivexOnly);
    WriteFontEnd(run);
    WriteBreakLine(run);
    WriteBreakLine(run);
  }
  if (ini.TargetFlags.HtmlHelp && !ini.FootnotesPopup) {
    WriteLanguageText(run, MessageId::SummaryPopupFootnotesTip);
    WriteBreakLine(run);
    WriteBreakLine(run);
  }
  WriteSectionHead(run, MessageId::SummaryLinksHead);
  WriteEntryLinks(run);
  WriteSectionHead(run, MessageId::SummaryTechnicalHead);
  WriteTechnicalReview(run);
  WriteSectionHead(run, MessageId::SummaryGraphicsHead);
  WriteGraphicsCheck(run);
  WriteReservations(run);
  if (run.LinkWriter.ExternalLinkCount > 0) {
    WriteSectionHead(run, MessageId::SummaryExternalLinksHead);
    WriteLanguageText(run, MessageId::SummaryTestExternalLinks);
    WriteBreakLine(run);
    WriteBreakLine(run);
    WriteExternalLinkList(run);
  }
  Out(run) += "</BODY></HTML>";
  CloseOutputFile(run);
}

}  // namespace skeldon
