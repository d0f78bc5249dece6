#include "formatter/formatting/formatting_run.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "formatter/common/bilingual_texts.h"
#include "formatter/common/file_services.h"
#include "formatter/common/font_numbers.h"
#include "formatter/common/formatted_file.h"
#include "formatter/common/messages.h"
#include "formatter/formatting/contents_template.h"
#include "formatter/formatting/dot_commands.h"
#include "formatter/formatting/format_run.h"
#include "formatter/formatting/line_ends.h"
#include "formatter/formatting/word_breaking.h"
#include "formatter/formatting/wordstar_reader.h"
#include "platform/files.h"

namespace tavrel {

namespace {

std::string Upper(std::string s) { return MakeUpperCase(s); }

bool Stopped(const FormatRun& run) {
  return run.Run.Stop || run.Messages.AbortRequested.load() != 0 ||
         run.Messages.RunStop.load() != 0 || run.Messages.UserStop.load() != 0;
}

bool OpenInputFile(const std::string& name, InputSource& input, int& error) {
  const std::string path = platform::resolve_path(name);
  std::error_code ec;
  // A device or pipe is no document (and /dev/zero would never end).
  if (std::filesystem::exists(path, ec) && !std::filesystem::is_regular_file(path, ec)) {
    error = 5;
    return false;
  }
  platform::FileError e = platform::FileError::none;
  if (!input.OpenFile(name, e)) {
    error = static_cast<int>(e);
    return false;
  }
  error = 0;
  return true;
}

// The output would overwrite the input being read (a link, or another name for the same file):
// the input is then read whole first.
bool OutputIsInput(const std::string& input, const std::string& output) {
  std::error_code ec;
  return std::filesystem::equivalent(platform::resolve_path(input), platform::resolve_path(output),
                                     ec) &&
         !ec;
}

// The first of the run's output names that is the document under another name (a link),
// empty when none: writing it would replace the document.
std::string OutputNamingTheInput(const RunState& rs) {
  std::vector<std::string> names;
  if (!rs.IndexScan && !rs.OutputInMemory && !rs.SameName) names.push_back(rs.OutputName);
  names.push_back(rs.NotesName);
  for (int v = 1; v <= kMaxIndexVolumes; ++v) names.push_back(rs.IndexName + std::to_string(v));
  for (const std::string& name : names)
    if (OutputIsInput(rs.InputName, name)) return name;
  return std::string();
}

void WriteLine(FormatRun& run, const std::string& text) { run.Writer.WriteOutputLine(text); }

std::string FontSpec(uint8_t font) { return FontNumberToSpec(font); }

}  // namespace

void AppendConditionWord(FormatRun& run, const std::string& word) {
  std::string& text = run.Run.ConditionText;
  if (text.empty())
    text = word;
  else
    text += " " + word;
}

void FormatFile(FormatRun& run, const std::string& file_name) {
  if (!run.Run.Jobs) run.Run.Jobs = std::make_unique<TJobListNode>();
  run.Run.Jobs->FileName = file_name.substr(0, 255);
  run.Run.Jobs->Next.reset();
  RunFormattingJob(run);
}

void RunFormattingJob(FormatRun& run) {
  RunState& rs = run.Run;
  AppendConditionWord(run, "TAVREL");
  rs.ConditionWords = SplitConditionWords(rs.ConditionText);
  rs.ColumnUnit = run.Printer && run.Printer->DotsPerColumn > 0 ? run.Printer->DotsPerColumn : 1;
  BuildCharacterClasses(run.Writer.Classes);
  run.Headings.HeadingsTemplateName = GetHeadingsTemplateName(run.Settings.Language);
  run.Headings.HeadingsTemplateReload = 1;
  run.Messages.IndexScanRun = rs.IndexScan ? 1 : 0;
  if (run.Hyphenator) run.Hyphenator->BeginRun(run);

  for (TJobListNode* node = rs.Jobs.get(); node && !Stopped(run); node = node->Next.get()) {
    rs.InputName = rs.ContentsMode ? ChangeFileExtension(node->FileName, "toc") : node->FileName;
    DeriveOutputNames(run);
    FormatOneFile(run);
  }

  if (run.Hyphenator) run.Hyphenator->EndRun(run, run.Messages.AbortRequested.load() != 0);
  rs.SameName = false;
}

void DeriveOutputNames(FormatRun& run) {
  RunState& rs = run.Run;
  rs.OutputName = rs.ContentsMode ? rs.InputName : ChangeFileExtension(rs.InputName, "fmt");
  rs.NotesName = ChangeFileExtension(rs.InputName, "fun");
  rs.IndexName = ChangeFileExtension(rs.InputName, "IX");
  if (!rs.IndexScan && !rs.InputFromMemory)
    rs.SameName = rs.ContentsMode || Upper(rs.InputName) == Upper(rs.OutputName);
  if (!rs.SameName) return;

  const std::string backup = ChangeFileExtension(rs.InputName, "$$$");
  if (platform::erase_file(backup) && !rs.ContentsMode)
    ReportInfo(run, MessageId::kDeletingFile, {backup});
  if (platform::file_exists(rs.OutputName) && platform::rename_file(rs.OutputName, backup)) {
    run.Messages.BackupKept = 1;
    if (!rs.ContentsMode) ReportInfo(run, MessageId::kRenamingFile, {rs.OutputName, backup});
  }
  rs.InputName = backup;
}

void ResetFileState(FormatRun& run) {
  const TSettingsRecord& st = run.Settings;
  const int32_t cu = run.Run.ColumnUnit;
  LoadLayoutFromSettings(st, cu, cu, run.Layout);
  ResetPageState(run.Pages, run.Layout);
  AdjustCharacterClassesForFile(run.Writer.Classes);
  run.Writer.ResetForFile();
  run.IndexVolumes.Reset();
  run.Notes = NotesState{};

  const std::array<uint8_t, 256> input_table = run.Writer.Classes.InputTable;
  const int mode = run.Reader.InputMode;
  run.Reader = ReaderState{};
  run.Reader.InputTable = input_table;
  run.Reader.InputTable[kSoftLineEndByte] = kSoftLineEnd;
  run.Reader.InputTable[kColumnMarkByte] = kColumnMark;
  run.Reader.InputMode = mode;

  DotState fresh;
  fresh.Macros.clear();
  fresh.HeadingNumbers = run.Dot.HeadingNumbers;  // numbering goes on over the files of a job
  fresh.HeadingLevel = run.Dot.HeadingLevel;
  run.Dot = std::move(fresh);
  DotState& d = run.Dot;
  d.Gutter = st.DefaultGU;
  d.IndentScale = run.Layout.TabStep > 0 ? run.Layout.TabStep : 60;
  d.HyphenationMode = st.HyphenationMode;
  d.SavedHyphenationMode = st.HyphenationMode;
  d.MinimumUnhyphenated = st.DefaultHN;
  d.NormalFont = st.NormalFont;
  d.AlternateFont = st.AlternateFont;

  for (LineStream& s : run.Streams) s = LineStream{};
  const TPageTemplate& t = st.PageTemplates[st.PageTemplateIndex < 10 ? st.PageTemplateIndex : 0];
  LineStream& text = run.Streams[kTextStream];
  text.RightMargin = (t.RM + d.Gutter) * cu;
  text.ZoneWidth = ZoneColumns(t.RM) * cu;
  LineStream& notes = run.Streams[kNotesStream];
  notes.RightMargin = text.RightMargin;
  notes.ZoneWidth = text.ZoneWidth;

  run.CurrentStream = kTextStream;
  run.Writer.CurrentStream = kTextStream;
  run.Run.LastWritten = kLineFeed;
}

void FormatOneFile(FormatRun& run) {
  RunState& rs = run.Run;
  const TSettingsRecord& st = run.Settings;

  ResetFileState(run);
  if (run.Hyphenator) run.Hyphenator->BeginFile(run);
  // Slot 0 the normal font; 1 to 3 its bold, italic and bold italic variants.
  const std::string normal = FontSpec(st.NormalFont);
  const char letter = normal.empty() ? 'C' : normal[0];
  SetFontSlot(run, 0, st.NormalFont);
  run.Dot.FontSlots[1] = FontCharToNumber(letter, '"');
  run.Dot.FontSlots[2] = FontCharToNumber(letter, '\'');
  run.Dot.FontSlots[3] = FontCharToNumber(letter, '&');
  for (int slot = 1; slot < 4; ++slot) run.Dot.font_used[run.Dot.FontSlots[slot]] = true;
  run.Dot.AlternateFont = st.AlternateFont;
  run.Dot.Macros.clear();

  run.Messages.Notifier()->Send(MN_FORMAT_PAGE, run.Pages.Streams[kTextStream].PageCount);

  int error = 0;
  bool read_ok = true;
  if (rs.InputFromMemory)
    run.Reader.Input.OpenView(rs.InputBytes);
  else
    read_ok = OpenInputFile(rs.InputName, run.Reader.Input, error);
  if (!run.Messages.CheckOutputOpened(1, rs.InputName, !read_ok, error)) {
    rs.Stop = true;
    return;
  }

  if (!rs.InputFromMemory) {
    if (const std::string clash = OutputNamingTheInput(rs); !clash.empty()) {
      run.Messages.ReportFormatError(
          run.Messages.Text(MessageId::kOutputIsInput, {clash, rs.InputName}));
      run.Messages.InterruptFormatJob();
      rs.Stop = true;
      return;
    }
  }

  if (!rs.IndexScan && !rs.OutputInMemory) {
    // Only a file formatted into its own name is replaced on purpose (its backup is the input).
    if (!rs.InputFromMemory && OutputIsInput(rs.InputName, rs.OutputName))
      run.Reader.Input.ReadAll();
    WriterStream& out = run.Writer.Streams[kTextStream];
    const bool created = out.File.Create(rs.OutputName);
    if (!run.Messages.CheckOutputOpened(1, rs.OutputName, !created, out.File.ErrorCode())) {
      rs.Stop = true;
      return;
    }
  } else {
    run.Writer.Streams[kTextStream].File.OpenInMemory();
  }

  if (!rs.ContentsMode) WriteFormattedFileHeader(run);

  const std::string upper = Upper(rs.InputName);
  run.Reader.InputMode =
      (upper.find(".TXT") != std::string::npos || upper.find(".SKT") != std::string::npos) ? 2 : 0;
  StartInput(run);

  try {
    FormatLineLoop(run, true);
    FinishFormattingRun(run);
  } catch (const OutputWriteError& e) {
    ReportError(run, MessageId::kWriteError, {e.what()});
    rs.Stop = true;
    run.Writer.Streams[kTextStream].File.Close();
    run.Writer.Streams[kNotesStream].File.Close();
    run.IndexVolumes.CloseAll();
  }

  // The rest of the document could not be read: the output lacks it, and the run says so.
  if (run.Reader.Input.Failed() && !rs.Stop) {
    run.Messages.CheckOutputOpened(1, rs.InputName, true,
                                   static_cast<int>(platform::FileError::io_error));
    rs.Stop = true;
  }
  run.Reader.Input = InputSource{};  // closed before the backup is deleted

  if (!rs.IndexScan && !rs.OutputInMemory && !rs.InputFromMemory) {
    if (const auto date = GetFileDate(rs.InputName)) SetFileDate(rs.OutputName, *date);
  }

  if (!rs.ContentsMode) {
    rs.StatusName = rs.OutputName.substr(0, 20);
    rs.StatusPages = run.Pages.Streams[kTextStream].PageCount;
  }
  for (int v = 1; v <= run.IndexVolumes.Count && v <= kMaxIndexVolumes; ++v) {
    const std::string volume = rs.IndexName + std::to_string(v);
    if (rs.IndexScan) {
      const std::string count = std::to_string(run.Dot.IndexEntries[v - 1]);
      ReportInfo(run, MessageId::kIndexEntryCount, {count, volume});
    } else {
      platform::erase_file(volume);
    }
  }
  // The backup is the only copy of the old file until a run has completed: any stop (errors,
  // the user, a write error) keeps it.
  if (rs.SameName && rs.InputName.find('$') != std::string::npos && !Stopped(run)) {
    if (platform::erase_file(rs.InputName) && !rs.ContentsMode)
      ReportInfo(run, MessageId::kDeletingFile, {rs.InputName});
  }
}

void WriteFormattedFileHeader(FormatRun& run) {
  if (run.Run.IndexScan) return;
  const TSettingsRecord& st = run.Settings;
  const TPageTemplate& t = st.PageTemplates[st.PageTemplateIndex < 10 ? st.PageTemplateIndex : 0];
  const int cu = run.Run.ColumnUnit;
  const std::string rm =
      ".RM" + std::to_string(cu > 0 ? run.Streams[kTextStream].RightMargin / cu : 0);
  if (!st.SettingsIntoHeader) {
    run.Writer.Streams[kTextStream].File.Write(rm + "\r\n");
    return;
  }
  WriteLine(run, LanguageText(run, MessageId::kHeaderSettingsStart));
  WriteLine(run, ".LH " + std::to_string(st.DefaultLH));
  WriteLine(run, LanguageText(run, MessageId::kHeaderPageLayout, {t.Name.Str()}));
  WriteLine(run, ".PO " + std::to_string(t.PO));
  run.Writer.Streams[kTextStream].File.Write(rm + "\r\n");
  WriteLine(run, ".PL " + std::to_string(t.PL));
  WriteLine(run, ".MT " + std::to_string(t.MT));
  WriteLine(run, ".MB " + std::to_string(t.MB));
  WriteLine(run, ".HM " + std::to_string(t.HM));
  WriteLine(run, ".FM " + std::to_string(t.FM));
  WriteLine(run, "..Default fonts:");
  WriteLine(run, ".SF" + FontSpec(st.NormalFont));
  WriteLine(run, ".SA" + FontSpec(st.AlternateFont));
  WriteLine(run, "..Line drawing:");
  WriteLine(run, ".LS " + std::to_string(st.DefaultLS));
  WriteLine(run, ".LW " + std::to_string(st.DefaultLW));
  WriteLine(run, "..Tabulator:");
  WriteLine(run, ".DE " + std::to_string(st.DefaultTS));
  WriteLine(run, LanguageText(run, MessageId::kHeaderSettingsEnd));
}

void WriteUsedFontList(FormatRun& run) {
  if (run.Run.IndexScan || !run.Settings.SettingsIntoHeader) return;
  WriteLine(run, "..");
  WriteLine(run, "..Used fonts in this document");
  for (int f = 1; f <= kMaxFontNumber; ++f) {
    if (!run.Dot.font_used[f]) continue;
    std::string face;
    double size = 0;
    if (run.Printer) {
      face = run.Printer->Fonts[f - 1].FaceName.Str();
      size = run.Printer->Fonts[f - 1].Size;
    }
    WriteLine(run, ".FD " + FontSpec(static_cast<uint8_t>(f)) + " = " + face + " " +
                       std::to_string(static_cast<long long>(std::llround(size))));
  }
}

void FormatLineLoop(FormatRun& run, bool top_level) {
  ReaderState& r = run.Reader;
  if (run.Settings.DefaultLH != 8 && top_level) {
    for (int slot = 0; slot < 3; ++slot) {
      run.Pages.Streams[kTextStream].LineHeights[slot] =
          run.Settings.DefaultLH ? run.Settings.DefaultLH : 8;
      run.Dot.TypedHeights[slot] = run.Settings.DefaultLH;
    }
  }
  if (!AtInputEnd(run)) {
    ResetLineCounters(run);
    run.Cur().Line.Position = 0;
    StartLine(run);
    WriteLineIndent(run, 0);
  }
  while ((r.Pushed || !AtInputEnd(run)) && !Stopped(run)) {
    if (r.Pushed) {
      r.Pushed = false;
      r.Current = r.PushedChar;
    } else {
      NextSourceChar(run);
      if (r.EofRead) break;
    }
    if (run.Dot.ConditionalOutput && r.ParagraphStyle) {
      r.ParagraphStyle = false;
      while ((r.Current == ' ' || r.Current == kColumnMark) && !AtInputEnd(run))
        NextSourceChar(run);
      const uint8_t after = r.Current;
      FormatHeading(run, std::string(), true);
      r.Current = after;
    }
    ProcessCharacter(run);
  }
  if (Stopped(run)) run.Run.Stop = true;
}

void FinishNotesStream(FormatRun& run) {
  if (!run.Notes.InUse) return;
  const int saved = run.CurrentStream;
  SelectNotesStream(run);
  if (run.Cur().HeldLen > 0) ForceLineBreak(run, kNotesStream, false);
  FlushPendingLine(run);
  if (saved == kTextStream) SelectTextStream(run);
  OutputFile& f = run.Writer.Streams[kNotesStream].File;
  if (f.IsOpen()) {
    f.Put(kEndOfFileMark);
    f.Close();
  }
  run.Notes.InUse = false;
}

void FinishFormattingRun(FormatRun& run) {
  FinishNotesStream(run);
  if (run.Reader.CollectingDot) HandleDotLine(run);
  SelectTextStream(run);
  if (run.Cur().HeldLen > 0) ForceLineBreak(run, kTextStream, false);
  FlushPendingLine(run);
  run.IndexVolumes.CloseAll();
  WriteUsedFontList(run);
  run.Reader.InputOpen = false;
  OutputFile& f = run.Writer.Streams[kTextStream].File;
  if (!run.Run.IndexScan && f.IsOpen()) f.Put(kEndOfFileMark);
  if (!run.Run.OutputInMemory) f.Close();
  run.Run.SavedHeadingNumbers = run.Dot.HeadingNumbers;
  run.Run.SavedHeadingLevel = run.Dot.HeadingLevel;
  run.Dot.Macros.clear();
}

}  // namespace tavrel
