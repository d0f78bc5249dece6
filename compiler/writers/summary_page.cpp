#include "compiler/writers/summary_page.h"

#include <algorithm>
#include <ctime>
#include <string>
#include <string_view>

#include "compiler/foundation/char_conversion.h"
#include "compiler/passes/compiler_run.h"
#include "compiler/foundation/file_names.h"
#include "compiler/writers/source_text_output.h"
#include "compiler/writers/external_links.h"
#include "compiler/writers/help_project.h"
#include "compiler/writers/html_page.h"
#include "compiler/writers/output_files.h"

namespace skeldon {

namespace {

constexpr const char* kHomePageGerman = "https://www.skeldon.example/de/";
constexpr const char* kHomePageEnglish = "https://www.skeldon.example/en/";

std::string& Out(CompilerRun& run) { return run.passes.OutputFile; }

// German texts are code page 850; an ISO run converts them first so they come out the same.
void WriteLanguageText(CompilerRun& run, std::string_view german, std::string_view english) {
  std::string& out = Out(run);
  if (run.Language == 1) {
    if (run.ini.SourceIsIso) {
      for (unsigned char c : german) WriteTargetChar(run, out, run.charConversion.Tables.OemToAnsi[c]);
    } else {
      WriteTargetText(run, german, out);
    }
  } else if (run.Language == 0) {
    WriteTargetText(run, english, out);
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

void WriteSectionHead(CompilerRun& run, std::string_view german, std::string_view english) {
  Out(run) += "\r\n<h2>";
  WriteLanguageText(run, german, english);
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
  const TIniSettings& ini = run.ini;
  const std::string& project = run.switches.OutputDirectoryName;
  const std::string& pre = run.switches.PageNamePrefix;
  if (ini.TargetFlags.HtmlHelp) {
    WriteLanguageText(run, "HTML-Help Projektdatei: ", "HTML-Help Project File: ");
    // The project file is written after this page, so its name is formed here; like the other
    // entry links it is relative to this page with "/", so that a browser finds it.
    const std::string& known = run.helpProject.HhpFileName;
    WriteLink(run, known.empty() ? project + "/" + HhpBareFileName(run) : known);
  } else {
    if (run.iniValues.HomeButtonInFrame) {
      WriteLanguageText(run, "Homeframe (Start-Rahmen): ", "Homeframe: ");
      WriteLink(run, project + "/" + NormalizeFileName(run, pre + "INDXF" + run.fileNames.PageExtension));
    }
    if (ini.CreateContents && run.switches.ContentsDepth > 0) {
      WriteLanguageText(run, "Inhaltsverzeichnis: ", "Contents file: ");
      WriteLink(run, project + "/" + NormalizeFileName(run, pre + ContentsFileName(run)));
    }
    if (run.indexStore.IndexPageWanted) {
      WriteLanguageText(run, "Stichwortverzeichnis: ", "Index file: ");
      WriteLink(run, project + "/" + NormalizeFileName(run, pre + IndexFileName(run)));
    }
  }
  WriteLanguageText(run, "Erste Seite: ", "First page: ");
  const std::string keep = run.fileNames.LastPageIdName;
  const std::string first = MakeTopicFileName(run, 0, false, 0);
  run.fileNames.LastPageIdName = keep;
  WriteLink(run, project + "/" + first);
}

void WriteTechnicalReview(CompilerRun& run) {
  const TSummaryPageState& st = run.summaryPage;
  const TClockReading now = ReadClock(run);
  const std::string& ext = run.fileNames.PageExtension;
  WriteLanguageText(run, "HTML-Dateien ", "HTML files ");
  WriteGreen(run, run.switches.OutputDirectoryName + "\\" + NormalizeFileName(run, "*" + ext));
  WriteLanguageText(run, " erstellt am ", " created at ");
  WriteGreenFont(run);
  if (run.Language == 1)
    Out(run) += FormatTwoDigits(now.Day) + "." + FormatTwoDigits(now.Month) + "." +
                std::to_string(now.Year) + " ";
  else
    Out(run) += FormatTwoDigits(now.Month) + "-" + FormatTwoDigits(now.Day) + "-" +
                std::to_string(now.Year) + " ";
  Out(run) += FormatTwoDigits(st.RunStartTime.Hour) + ":" + FormatTwoDigits(st.RunStartTime.Minute) + " ";
  WriteFontEnd(run);
  WriteLanguageText(run, "mit ", "with ");
  Out(run) += "Skeldon ";
  WriteGreenFont(run);
  Out(run) += kSkeldonVersion;
  WriteLanguageText(run, " f\x81r ", " for ");
  Out(run) += "Win95-ME/NT-XP";
  WriteFontEnd(run);
  WriteBreakLine(run);

  WriteLanguageText(run, "Quelltext-Datei(en): ", "Source file(s): ");
  WriteGreenFont(run);
  bool firstName = true;
  for (const std::string& name : run.switches.SourceFiles) {
    if (!firstName) Out(run) += ", ";
    firstName = false;
    WriteTargetText(run, name, Out(run));
  }
  WriteFontEnd(run);
  WriteBreakLine(run);

  WriteLanguageText(run, "Ini-Datei: ", "Ini file: ");
  WriteGreenFont(run);
  WriteTargetText(run, run.switches.IniFileName, Out(run));
  WriteFontEnd(run);
  WriteBreakLine(run);

  WriteLanguageText(run, "L\x84nge der Quelltext-Datei(en): ", "Length of of source file(s): ");
  WriteGreen(run, KiloBytes(static_cast<std::int64_t>(run.source.Data.size())) + " kB");
  WriteBreakLine(run);

  WriteLanguageText(run, "Anzahl der erzeugten HTML-Dateien: ", "Number of generated HTML files: ");
  WriteGreen(run, std::to_string(run.htmlPage.HtmlPageCount));
  WriteBreakLine(run);

  WriteLanguageText(run, "Gesamtl\x84nge der erzeugten HTML-Dateien: ",
                    "Size of all generated HTML files: ");
  WriteGreen(run, KiloBytes(run.htmlPage.HtmlPageBytes) + " kB");
  WriteBreakLine(run);

  // A run across midnight counts on into the next day instead of going negative.
  std::int64_t elapsed = Hundredths(now.Time) - Hundredths(st.RunStartTime);
  if (elapsed < 0) elapsed += 24LL * 360000;
  WriteLanguageText(run, "Kompilierzeit: ", "Compile time: ");
  WriteGreenFont(run);
  Out(run) += OneDecimal(elapsed, 100);
  WriteLanguageText(run, " sek ", " sec ");
  WriteFontEnd(run);
  WriteBreakLine(run);

  WriteLanguageText(run, "Automatisch gezogene Links (ohne Buttons und \x9A" "berschriften): ",
                    "Automatically generated links (without buttons and headings): ");
  WriteBreakLine(run);
  WriteLanguageText(run, "- Intern: ", "- internal: ");
  WriteGreen(run, std::to_string(run.linkWriter.InternalLinkCount));
  WriteBreakLine(run);
  WriteLanguageText(run, "- Extern: ", "- external: ");
  WriteGreen(run, std::to_string(run.linkWriter.ExternalLinkCount));
  WriteBreakLine(run);
}

void WriteReservations(CompilerRun& run) {
  const auto& list = run.numbering.ReservationList;
  if (list.empty()) return;
  WriteSectionHead(run, "Numerierung", "Enumeration");
  for (const TNumberReservation& r : list) {
    const bool exceeded = r.ReservedValue < r.NaturalNumber;
    if (exceeded) WriteRedFont(run);
    WriteLanguageText(run, "Bei ", "At ");
    Out(run) += std::string(r.Kind == 1 ? ".NR" : ".HD") + std::to_string(r.ReservedValue) + " ";
    WriteLanguageText(run, "(Zeile ", "(line ");
    Out(run) += std::to_string(r.SourceLine) + ") ";
    if (exceeded) {
      WriteLanguageText(run, "\x9A" "berschreitung um ", "exceeding by ");
      Out(run) += std::to_string(r.NaturalNumber - r.ReservedValue) + " ";
    } else {
      WriteLanguageText(run, "Platz f\x81r weitere ", "room for additional ");
      Out(run) += std::to_string(r.ReservedValue - r.NaturalNumber) + " ";
    }
    if (r.Kind == 1) WriteLanguageText(run, "Dateien", "files");
    else WriteLanguageText(run, "\x9A" "berschriften", "headings");
    if (exceeded) WriteFontEnd(run);
    WriteBreakLine(run);
  }
}

}  // namespace

TClockReading ReadClock(const CompilerRun& run) {
  if (run.summaryPage.Clock) return run.summaryPage.Clock();
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
  TSummaryPageState& st = run.summaryPage;
  const bool search = run.graphics.SearchGraphicFiles;
  if (search && st.BitmapDirectoryUsed) {
    WriteRedFont(run);
    WriteLanguageText(run,
                      "Die automatische Kontrolle von Grafik-Dateien (Ini- oder SKJ-Datei \"graphic "
                      "path\") wurde abgeschaltet, da die Verwendung zusammen mit .BD Bitmap "
                      "Directory nicht m\x94glich ist. Es liegen daher keine Daten vor.",
                      "Control graphics files (ini or skj file \"graphic path\") was disabled, "
                      "because the usage of .BD Bitmap Directory is not possible with this "
                      "setting. There is no graphic files data available.");
    WriteFontEnd(run);
    WriteBreakLine(run);
    return;
  }
  if (!search) {
    WriteLanguageText(run,
                      "Die automatische Kontrolle von Grafik-Dateien (Ini- oder SKJ-Datei \"graphic "
                      "path\") ist ausgeschaltet. Es liegen daher keine Daten vor.",
                      "Control graphics files (ini or skj file \"graphic path\") is disabled. There "
                      "is no graphic files data available.");
    WriteBreakLine(run);
    return;
  }
  bool missing = false;
  for (const TGraphicFileInfo& g : st.GraphicFiles) {
    if (g.Found) continue;
    if (!missing) {
      missing = true;
      const auto& dirs = run.graphics.GraphicDirectoryList;
      if (dirs.empty()) {
        WriteRedFont(run);
        WriteLanguageText(run,
                          "Es sind unter \"graphic path\" keine Verzeichnisse angegeben, deshalb "
                          "konnten die Grafik-Dateien nicht gefunden werden.",
                          "There are no \"graphic path\" entries, so graphics files coudln't be found.");
        WriteFontEnd(run);
        WriteBreakLine(run);
        WriteBreakLine(run);
      } else {
        WriteLanguageText(run, "Es wurden folgende Verzeichnisse nach Grafikdateien durchsucht:",
                          "The graphic files were searched in the following directories:");
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
      WriteLanguageText(run, "Warnung:", "Warning:");
      WriteBreakLine(run);
    }
    WriteLanguageText(run, "Grafik-Datei " + g.Name + " ist noch nicht vorhanden.",
                      "graphics file " + g.Name + " missing.");
    WriteBreakLine(run);
  }
  if (!missing) {
    WriteLanguageText(run, "Alle erforderlichen Grafiken befinden sich im Zielverzeichnis.",
                      "All necessary graphics files are available in the target directory.");
    WriteBreakLine(run);
  } else {
    WriteFontEnd(run);
    WriteBreakLine(run);
  }
  WriteLanguageText(run, "Anzahl der verwendeten Grafik-Dateien: ", "Number of used graphic files: ");
  WriteGreen(run, std::to_string(st.UsedGraphicFileCount));
  WriteBreakLine(run);
  WriteBreakLine(run);
  if (st.GraphicFiles.empty()) return;
  WriteLanguageText(run, "Liste verwendeter Grafik-Dateien (Download-Zeit bei 7 kB/sec)",
                    "List of used graphic files (download time at 7 kB/sec)");
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
      Out(run) += "<a href=\"" + run.switches.OutputDirectoryName + "/" + g.Name + "\">" + g.Name +
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
  const TIniSettings& ini = run.ini;
  const std::string& project = run.switches.OutputDirectoryName;
  Out(run) += "<HTML><BODY><title>";
  WriteLanguageText(run, "Projekt ", "Project ");
  WriteTargetText(run, project, Out(run));
  Out(run) += "</title>\r\n<h1>";
  WriteTargetText(run, ini.TargetFlags.HtmlHelp ? "MS HTML-Help" : "HTML", Out(run));
  WriteLanguageText(run, " Projekt ", " Project ");
  WriteGreenFont(run);
  WriteTargetText(run, project, Out(run));
  WriteFontEnd(run);
  Out(run) += "</h1>\r\n";
  Out(run) += std::string("<a href=\"") + (run.Language == 1 ? kHomePageGerman : kHomePageEnglish) + "\">";
  WriteLanguageText(run, "Zur", "To");
  Out(run) += " Skeldon Homepage</a>";
  WriteBreakLine(run);
  WriteBreakLine(run);
  if (!ini.TargetFlags.HtmlHelp && ini.FootnotesPopup) {
    WriteRedFont(run);
    WriteLanguageText(run, "Diese HTML-Dateien eignen sich nicht zur Ver\x94" "ffentlichung im Web, ",
                      "These HTML pages shouldn't be published in the Web, ");
    WriteLanguageText(run,
                      "weil die Einstellung \"footnotes = activex\" nur von Microsoft Produkten "
                      "gelesen werden kann.",
                      "because the setting \"footnotes = activex\" can only be used together with "
                      "Microsoft products.");
    WriteFontEnd(run);
    WriteBreakLine(run);
    WriteBreakLine(run);
  }
  if (ini.TargetFlags.HtmlHelp && !ini.FootnotesPopup) {
    WriteLanguageText(run,
                      "Tip: Microsoft HTML-Help verf\x81gt \x81" "ber Popup-Fu\xE1noten, die Sie "
                      "\x81" "ber \"footnotes = activex\" erstellen k\x94nnen.",
                      "Hint: Microsoft HTML-Help offers popup footnotes which you can create with "
                      "\"footnotes = activex\".");
    WriteBreakLine(run);
    WriteBreakLine(run);
  }
  WriteSectionHead(run, "Links zum erzeugten HTML-Text", "Links to generated HTML text");
  WriteEntryLinks(run);
  WriteSectionHead(run, "Technische Angaben", "Technical review");
  WriteTechnicalReview(run);
  WriteSectionHead(run, "Grafiken", "Graphics");
  WriteGraphicsCheck(run);
  WriteReservations(run);
  if (run.linkWriter.ExternalLinkCount > 0) {
    WriteSectionHead(run, "Verwendete Externe Links", "Used external links");
    WriteLanguageText(run, "Hier k\x94nnen Sie die externen Links \x81" "berpr\x81" "fen.",
                      "Here you can test the exteral links.");
    WriteBreakLine(run);
    WriteBreakLine(run);
    WriteExternalLinkList(run);
  }
  Out(run) += "</BODY></HTML>";
  CloseOutputFile(run);
}

}  // namespace skeldon
