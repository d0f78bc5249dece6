#include "formatter/formatting/formatting_run.h"

#include <cmath>
#include <cstdio>
#include <filesystem>

#include "formatter/common/bilingual_texts.h"
#include "formatter/common/messages.h"
#include "formatter/formatting/contents_template.h"
#include "formatter/formatting/dot_commands.h"
#include "formatter/common/file_services.h"
#include "formatter/common/font_numbers.h"
#include "formatter/common/formatted_file.h"
#include "formatter/formatting/format_run.h"
#include "formatter/formatting/line_ends.h"
#include "formatter/formatting/word_breaking.h"
#include "formatter/formatting/wordstar_reader.h"
#include "platform/files.h"

namespace tavrel {

namespace {

std::string Upper(std::string s) { return MakeUpperCase(s); }

bool Stopped(const FormatRun& run) {
  return run.run.stop || run.messages.AbortRequested.load() != 0 || run.messages.RunStop.load() != 0 ||
         run.messages.UserStop.load() != 0;
}

bool ReadWholeFile(const std::string& name, std::string& data, int& error) {
  const std::string path = platform::resolve_path(name);
  std::error_code ec;
  // A device or pipe is no document (and /dev/zero would never end).
  if (std::filesystem::exists(path, ec) && !std::filesystem::is_regular_file(path, ec)) {
    error = 5;
    return false;
  }
  const platform::ReadResult r = platform::read_file(name);
  if (!r.ok()) {
    error = static_cast<int>(r.error);
    return false;
  }
  data.assign(r.bytes.begin(), r.bytes.end());
  error = 0;
  return true;
}

void WriteLine(FormatRun& run, const std::string& text) { run.writer.WriteOutputLine(text); }

std::string FontSpec(uint8_t font) { return FontNumberToSpec(font); }

}  // namespace

void AppendConditionWord(FormatRun& run, const std::string& word) {
  std::string& text = run.run.condition_text;
  if (text.empty()) text = word;
  else text += " " + word;
}

void FormatFile(FormatRun& run, const std::string& file_name) {
  if (!run.run.jobs) run.run.jobs = std::make_unique<TJobListNode>();
  run.run.jobs->FileName = file_name.substr(0, 255);
  run.run.jobs->Next.reset();
  RunFormattingJob(run);
}

void RunFormattingJob(FormatRun& run) {
  RunState& rs = run.run;
  AppendConditionWord(run, "TAVREL");
  rs.condition_words = SplitConditionWords(rs.condition_text);
  rs.column_unit = run.printer && run.printer->DotsPerColumn > 0 ? run.printer->DotsPerColumn : 1;
  BuildCharacterClasses(run.writer.Classes);
  run.headings.HeadingsTemplateName = GetHeadingsTemplateName(run.settings.Language);
  run.headings.HeadingsTemplateReload = 1;
  run.messages.IndexScanRun = rs.index_scan ? 1 : 0;
  if (run.hyphenator) run.hyphenator->BeginRun(run);

  for (TJobListNode* node = rs.jobs.get(); node && !Stopped(run); node = node->Next.get()) {
    rs.input_name = rs.contents_mode ? ChangeFileExtension(node->FileName, "toc") : node->FileName;
    DeriveOutputNames(run);
    FormatOneFile(run);
  }

  if (run.hyphenator) run.hyphenator->EndRun(run, run.messages.AbortRequested.load() != 0);
  rs.same_name = false;
}

void DeriveOutputNames(FormatRun& run) {
  RunState& rs = run.run;
  rs.output_name = rs.contents_mode ? rs.input_name : ChangeFileExtension(rs.input_name, "fmt");
  rs.notes_name = ChangeFileExtension(rs.input_name, "fun");
  rs.index_name = ChangeFileExtension(rs.input_name, "IX");
  if (!rs.index_scan && !rs.input_from_memory)
    rs.same_name = rs.contents_mode || Upper(rs.input_name) == Upper(rs.output_name);
  if (!rs.same_name) return;

  const std::string backup = ChangeFileExtension(rs.input_name, "$$$");
  if (platform::erase_file(backup) && !rs.contents_mode)
    ReportInfo(run, MessageId::kDeletingFile, {backup});
  if (platform::file_exists(rs.output_name) && platform::rename_file(rs.output_name, backup)) {
    run.messages.BackupKept = 1;
    if (!rs.contents_mode)
      ReportInfo(run, MessageId::kRenamingFile, {rs.output_name, backup});
  }
  rs.input_name = backup;
}

void ResetFileState(FormatRun& run) {
  const TSettingsRecord& st = run.settings;
  const int32_t cu = run.run.column_unit;
  LoadLayoutFromSettings(st, cu, cu, run.layout);
  ResetPageState(run.pages, run.layout);
  AdjustCharacterClassesForFile(run.writer.Classes);
  run.writer.ResetForFile();
  run.index_volumes.Reset();
  run.notes = NotesState{};

  const std::array<uint8_t, 256> input_table = run.writer.Classes.InputTable;
  const int mode = run.reader.input_mode;
  run.reader = ReaderState{};
  run.reader.input_table = input_table;
  run.reader.input_table[kSoftLineEndByte] = kSoftLineEnd;
  run.reader.input_table[kColumnMarkByte] = kColumnMark;
  run.reader.input_mode = mode;

  DotState fresh;
  fresh.macros.clear();
  fresh.heading_numbers = run.dot.heading_numbers;  // numbering goes on over the files of a job
  fresh.heading_level = run.dot.heading_level;
  run.dot = std::move(fresh);
  DotState& d = run.dot;
  d.gutter = st.DefaultGU;
  d.indent_scale = run.layout.TabStep > 0 ? run.layout.TabStep : 60;
  d.hyphenation_mode = st.HyphenationMode;
  d.saved_hyphenation_mode = st.HyphenationMode;
  d.minimum_unhyphenated = st.DefaultHN;
  d.normal_font = st.NormalFont;
  d.alternate_font = st.AlternateFont;

  for (LineStream& s : run.streams) s = LineStream{};
  const TPageTemplate& t = st.PageTemplates[st.PageTemplateIndex < 10 ? st.PageTemplateIndex : 0];
  LineStream& text = run.streams[kTextStream];
  text.right_margin = (t.RM + d.gutter) * cu;
  text.zone_width = ZoneColumns(t.RM) * cu;
  LineStream& notes = run.streams[kNotesStream];
  notes.right_margin = text.right_margin;
  notes.zone_width = text.zone_width;

  run.current_stream = kTextStream;
  run.writer.CurrentStream = kTextStream;
  run.run.last_written = kLineFeed;
}

void FormatOneFile(FormatRun& run) {
  RunState& rs = run.run;
  const TSettingsRecord& st = run.settings;

  ResetFileState(run);
  if (run.hyphenator) run.hyphenator->BeginFile(run);
  // Slot 0 the normal font; 1 to 3 its bold, italic and bold italic variants.
  const std::string normal = FontSpec(st.NormalFont);
  const char letter = normal.empty() ? 'C' : normal[0];
  SetFontSlot(run, 0, st.NormalFont);
  run.dot.font_slots[1] = FontCharToNumber(letter, '"');
  run.dot.font_slots[2] = FontCharToNumber(letter, '\'');
  run.dot.font_slots[3] = FontCharToNumber(letter, '&');
  for (int slot = 1; slot < 4; ++slot) run.dot.font_used[run.dot.font_slots[slot]] = true;
  run.dot.alternate_font = st.AlternateFont;
  run.dot.macros.clear();

  run.messages.Notifier()->Send(MN_FORMAT_PAGE, run.pages.Streams[kTextStream].PageCount);

  std::string data;
  int error = 0;
  bool read_ok = true;
  if (rs.input_from_memory) data = rs.input_bytes;
  else read_ok = ReadWholeFile(rs.input_name, data, error);
  if (!run.messages.CheckOutputOpened(1, rs.input_name, !read_ok, error)) {
    rs.stop = true;
    return;
  }

  if (!rs.index_scan && !rs.output_in_memory) {
    WriterStream& out = run.writer.Streams[kTextStream];
    const bool created = out.File.Create(rs.output_name);
    if (!run.messages.CheckOutputOpened(1, rs.output_name, !created, out.File.ErrorCode())) {
      rs.stop = true;
      return;
    }
  } else {
    run.writer.Streams[kTextStream].File.OpenInMemory();
  }

  if (!rs.contents_mode) WriteFormattedFileHeader(run);

  const std::string upper = Upper(rs.input_name);
  run.reader.input_mode =
      (upper.find(".TXT") != std::string::npos || upper.find(".SKT") != std::string::npos) ? 2 : 0;
  SetInput(run, std::move(data));

  try {
    FormatLineLoop(run, true);
    FinishFormattingRun(run);
  } catch (const OutputWriteError& e) {
    ReportError(run, MessageId::kWriteError, {e.what()});
    rs.stop = true;
    run.writer.Streams[kTextStream].File.Close();
    run.writer.Streams[kNotesStream].File.Close();
    run.index_volumes.CloseAll();
  }

  if (!rs.index_scan && !rs.output_in_memory && !rs.input_from_memory) {
    if (const auto date = GetFileDate(rs.input_name)) SetFileDate(rs.output_name, *date);
  }

  if (!rs.contents_mode) {
    rs.status_name = rs.output_name.substr(0, 20);
    rs.status_pages = run.pages.Streams[kTextStream].PageCount;
  }
  for (int v = 1; v <= run.index_volumes.Count && v <= kMaxIndexVolumes; ++v) {
    const std::string volume = rs.index_name + std::to_string(v);
    if (rs.index_scan) {
      const std::string count = std::to_string(run.dot.index_entries[v - 1]);
      ReportInfo(run, MessageId::kIndexEntryCount, {count, volume});
    } else {
      platform::erase_file(volume);
    }
  }
  // The backup is the only copy of the old file until a run has completed: any stop (errors,
  // the user, a write error) keeps it.
  if (rs.same_name && rs.input_name.find('$') != std::string::npos && !Stopped(run)) {
    if (platform::erase_file(rs.input_name) && !rs.contents_mode)
      ReportInfo(run, MessageId::kDeletingFile, {rs.input_name});
  }
}

void WriteFormattedFileHeader(FormatRun& run) {
  if (run.run.index_scan) return;
  const TSettingsRecord& st = run.settings;
  const TPageTemplate& t = st.PageTemplates[st.PageTemplateIndex < 10 ? st.PageTemplateIndex : 0];
  const int cu = run.run.column_unit;
  const std::string rm = ".RM" + std::to_string(cu > 0 ? run.streams[kTextStream].right_margin / cu : 0);
  if (!st.SettingsIntoHeader) {
    run.writer.Streams[kTextStream].File.Write(rm + "\r\n");
    return;
  }
  WriteLine(run, LanguageText(run, MessageId::kHeaderSettingsStart));
  WriteLine(run, ".LH " + std::to_string(st.DefaultLH));
  WriteLine(run, LanguageText(run, MessageId::kHeaderPageLayout, {t.Name.Str()}));
  WriteLine(run, ".PO " + std::to_string(t.PO));
  run.writer.Streams[kTextStream].File.Write(rm + "\r\n");
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
  if (run.run.index_scan || !run.settings.SettingsIntoHeader) return;
  WriteLine(run, "..");
  WriteLine(run, "..Used fonts in this document");
  for (int f = 1; f <= kMaxFontNumber; ++f) {
    if (!run.dot.font_used[f]) continue;
    std::string face;
    double size = 0;
    if (run.printer) {
      face = run.printer->Fonts[f - 1].FaceName.Str();
      size = run.printer->Fonts[f - 1].Size;
    }
    WriteLine(run, ".FD " + FontSpec(static_cast<uint8_t>(f)) + " = " + face + " " +
                       std::to_string(static_cast<long long>(std::llround(size))));
  }
}

void FormatLineLoop(FormatRun& run, bool top_level) {
  ReaderState& r = run.reader;
  if (run.settings.DefaultLH != 8 && top_level) {
    for (int slot = 0; slot < 3; ++slot) {
      run.pages.Streams[kTextStream].LineHeights[slot] = run.settings.DefaultLH ? run.settings.DefaultLH : 8;
      run.dot.typed_heights[slot] = run.settings.DefaultLH;
    }
  }
  if (!AtInputEnd(run)) {
    ResetLineCounters(run);
    run.cur().line.Position = 0;
    StartLine(run);
    WriteLineIndent(run, 0);
  }
  while ((r.pushed || !AtInputEnd(run)) && !Stopped(run)) {
    if (r.pushed) {
      r.pushed = false;
      r.current = r.pushed_char;
    } else {
      NextSourceChar(run);
      if (r.eof_read) break;
    }
    if (run.dot.conditional_output && r.paragraph_style) {
      r.paragraph_style = false;
      while ((r.current == ' ' || r.current == kColumnMark) && !AtInputEnd(run))
        NextSourceChar(run);
      const uint8_t after = r.current;
      FormatHeading(run, std::string(), true);
      r.current = after;
    }
    ProcessCharacter(run);
  }
  if (Stopped(run)) run.run.stop = true;
}

void FinishNotesStream(FormatRun& run) {
  if (!run.notes.InUse) return;
  const int saved = run.current_stream;
  SelectNotesStream(run);
  if (run.cur().held_len > 0) ForceLineBreak(run, kNotesStream, false);
  FlushPendingLine(run);
  if (saved == kTextStream) SelectTextStream(run);
  OutputFile& f = run.writer.Streams[kNotesStream].File;
  if (f.IsOpen()) {
    f.Put(kEndOfFileMark);
    f.Close();
  }
  run.notes.InUse = false;
}

void FinishFormattingRun(FormatRun& run) {
  FinishNotesStream(run);
  if (run.reader.collecting_dot) HandleDotLine(run);
  SelectTextStream(run);
  if (run.cur().held_len > 0) ForceLineBreak(run, kTextStream, false);
  FlushPendingLine(run);
  run.index_volumes.CloseAll();
  WriteUsedFontList(run);
  run.reader.input_open = false;
  OutputFile& f = run.writer.Streams[kTextStream].File;
  if (!run.run.index_scan && f.IsOpen()) f.Put(kEndOfFileMark);
  if (!run.run.output_in_memory) f.Close();
  run.run.saved_heading_numbers = run.dot.heading_numbers;
  run.run.saved_heading_level = run.dot.heading_level;
  run.dot.macros.clear();
}

}  // namespace tavrel
