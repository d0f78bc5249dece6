#include "formatter/pages/page_engine.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <iterator>
#include <thread>
#include <utility>

#include "formatter/common/bilingual_texts.h"
#include "formatter/common/file_services.h"
#include "formatter/common/formatted_file.h"
#include "formatter/common/messages.h"
#include "formatter/pages/line_drawing.h"
#include "formatter/pages/output_dot_commands.h"
#include "formatter/pages/output_pictures.h"
#include "formatter/pages/preview_window.h"
#include "formatter/pages/print_surface.h"
#include "platform/files.h"

namespace tavrel {

namespace {

constexpr double kPaperWidthInches = 8.3;
constexpr double kPaperHeightInches = 11.7;
constexpr int kTwoSidedScanLines = 100;

// English when the run has no settings.
std::uint8_t Language(const PageRun& run) {
  return run.Ctx->Settings ? run.Ctx->Settings->Language : 0;
}

void ReportNumberedFatal(PageRun& run, int number, const MessageTexts& texts) {
  ReportOutputFatal(run, MessageText(Language(run), MessageId::kNumberedOutputError,
                                     {std::to_string(number), ShowMessage(Language(run), texts)}));
}

std::string Upper(std::string_view text) { return MakeUpperCase(text); }

bool StopRequested(const PageRun& run) {
  if (run.Stopped) return true;
  if (run.PreviewMode) return run.Ctx->PreviewCtl && run.Ctx->PreviewCtl->Stop.load() != 0;
  return run.Ctx->Print && run.Ctx->Print->Abort.load() != 0;
}

void Post(PageRun& run, std::int32_t code, std::int32_t value) {
  if (run.Ctx->Notifier) run.Ctx->Notifier->Post(code, value);
}

// The byte of the line start of a dot line's command, upper-cased ("" when too short).
std::string CommandWord(const std::string& line) {
  if (line.size() < 3 || line[0] != kDotLineMark) return {};
  return Upper(line.substr(1, 2));
}

// ---- loading ----------------------------------------------------------------------------

bool LoadIntoSlot(PageRun& run, FormattedFileCache::Slot& slot, const std::string& fileName) {
  const std::optional<std::int64_t> date = GetFileDate(fileName);
  if (date && slot.Loaded && slot.FileName == fileName && slot.Date == *date) return true;
  slot.Buffer.clear();
  slot.Loaded = false;
  // Through the file layer, so names in the Windows character set and in another case resolve.
  platform::ReadResult in = platform::read_file(fileName);
  if (!date || !in.ok()) {
    ReportNumberedFatal(run, 3, ComposeMessage(MessageId::kFormattedFileNotFound, {fileName}));
    return false;
  }
  slot.Buffer = std::move(in.bytes);
  slot.FileName = fileName;
  slot.Date = *date;
  slot.Loaded = true;
  return true;
}

// ---- start of a run ---------------------------------------------------------------------

std::array<std::uint8_t, 4> FontSlotsOf(std::uint8_t normal) {
  // The variants of a plain letter font; a font with a variant mark keeps itself.
  if (normal >= 1 && normal <= 52)
    return {normal, static_cast<std::uint8_t>(normal + 104), static_cast<std::uint8_t>(normal + 52),
            static_cast<std::uint8_t>(normal + 156)};
  return {normal, normal, normal, normal};
}

void SetGeometryFromTemplate(PageRun& run) {
  TDruckVar& st = run.State;
  const TPageTemplate& t = CurrentPageTemplate(*run.Ctx->Settings);
  st.PL = t.PL;
  st.MT = t.MT;
  st.MB = t.MB;
  st.POEven = st.POOdd = t.PO;
  st.RM = t.RM;
  st.HM = t.HM;
  st.FM = t.FM;
  st.JustifyMargin = st.CentreMargin =
      static_cast<std::int32_t>(std::nearbyint(t.RM * run.Device.ColumnUnit));
}

void InitialiseState(PageRun& run) {
  const TSettingsRecord& s = *run.Ctx->Settings;
  run.State = TDruckVar{};
  TDruckVar& st = run.State;
  st.Justify = st.SavedJustify = Upper(run.FileName).find(".WS") == std::string::npos;
  st.TabWidth = s.DefaultTS < 10 ? s.DefaultTS * 10 : s.DefaultTS;
  st.NormalFont = s.NormalFont >= 1 && s.NormalFont <= kFontCount ? s.NormalFont : 3;
  st.AlternateFont =
      s.AlternateFont >= 1 && s.AlternateFont <= kFontCount ? s.AlternateFont : st.NormalFont;
  st.FontSlots = FontSlotsOf(st.NormalFont);
  st.SavedFontSlots = st.FontSlots;
  st.SpecialFont = st.NormalFont;
  st.LineWidthDouble = s.DefaultLW;
  st.LineWidthSingle = s.DefaultLS;
  ResetOutputPictures(st);
  RebuildDefaultFooter(st);
}

// Printer mode: the dot lines at the top of the file may ask for landscape pages.
bool ScanForLandscape(const PageRun& run) {
  std::size_t cursor = 0;
  FormattedLine line;
  const auto& data = *run.File;
  while (ReadFormattedLine(data.data(), run.End, cursor, run.Translation, line)) {
    if (line.Text.empty() || line.Text[0] != kDotLineMark) break;
    const std::string cmd = CommandWord(line.Text);
    // "LR" (two-sided) is left out on purpose: it is no orientation.
    if (cmd == "LA") return true;
    if (cmd == "PR" && line.Text.size() > 3 &&
        line.Text.find_first_of("lL", 3) != std::string::npos)
      return true;
  }
  return false;
}

// Preview mode: headers and footers for left and right pages make the view two-sided.
bool ScanForTwoSided(const PageRun& run) {
  std::size_t cursor = 0;
  FormattedLine line;
  const auto& data = *run.File;
  int textLines = 0;
  while (ReadFormattedLine(data.data(), run.End, cursor, run.Translation, line)) {
    const std::string& t = line.Text;
    if (t.empty() || t[0] != kDotLineMark) {
      if (++textLines > kTwoSidedScanLines) break;
      continue;
    }
    const std::string cmd = CommandWord(t);
    if (cmd == "LR") return true;
    if (cmd.size() == 2 && (cmd[0] == 'H' || cmd[0] == 'F') && t.size() > 3) {
      const char c = static_cast<char>(std::toupper(static_cast<unsigned char>(t[3])));
      if (c == 'R' || c == 'L') return true;
    }
  }
  return false;
}

// ---- pages ------------------------------------------------------------------------------

std::string PageDigits(std::int32_t page) {
  std::string digits = std::to_string(page);
  if (digits.size() > static_cast<std::size_t>(kMaxPageDigits))
    digits.erase(0, digits.size() - kMaxPageDigits);
  return digits;
}

// "#" is the page-number mark unless it follows "#" or a backslash.
std::string ExpandPageNumber(const std::string& text, std::int32_t page) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '#' && (i == 0 || (text[i - 1] != '#' && text[i - 1] != '\\')))
      out += PageDigits(page);
    else
      out += c;
  }
  return out;
}

void DrawHeaderFooterLine(PageRun& run, const HeaderFooterLine& line) {
  if (line.Text.empty()) return;
  TDruckVar& st = run.State;
  // A header line must not change the text's fonts and switches.
  const std::uint8_t slot = st.CurrentSlot, special = st.SpecialMode;
  const bool underline = st.Underline, justify = st.Justify, centring = st.Centring;
  const double v = st.V;
  st.Justify = false;
  st.Centring = false;
  st.CurrentSlot = 0;
  st.SpecialMode = 0;
  st.Underline = false;
  SelectFontNumber(run, line.Font ? line.Font : st.NormalFont);
  DrawTextLine(run, ExpandPageNumber(line.Text, st.PageNumber), false);
  st.V = v;
  st.CurrentSlot = slot;
  st.SpecialMode = special;
  st.Underline = underline;
  st.Justify = justify;
  st.Centring = centring;
  SelectFont(run);
}

// The header block ends HM lines above the text area and begins no higher than the page's
// top line; lines that do not fit there are dropped from the top of the block.
void DrawHeader(PageRun& run) {
  TDruckVar& st = run.State;
  const HeaderFooterSet& set = st.Headers[OddPage(st) ? 1 : 0];
  const int n = st.MT - 5 - st.HM;
  const int first = n > 0 ? 1 : -n + 1;
  st.V = -static_cast<double>(st.MT) * 8 + (n > 0 ? n * 8 : 0);
  if (st.HeaderLineHeight != 8) st.V += (6.0 - first) * (8.0 - st.HeaderLineHeight);
  for (int i = std::max(first, 1); i <= kHeaderFooterLines; ++i) {
    DrawHeaderFooterLine(run, set[static_cast<std::size_t>(i - 1)]);
    st.V += st.HeaderLineHeight;
  }
  SelectFont(run);
}

void DrawFooter(PageRun& run) {
  TDruckVar& st = run.State;
  const HeaderFooterSet& set = st.Footers[OddPage(st) ? 1 : 0];
  if (std::all_of(set.begin(), set.end(), [](const HeaderFooterLine& l) { return l.Text.empty(); }))
    return;
  st.V = UsableTextHeight(st) + std::min(st.FM, st.MB) * 8;
  const int lines = std::min(st.MB - st.FM, kHeaderFooterLines);
  for (int i = 0; i < lines; ++i) {
    DrawHeaderFooterLine(run, set[static_cast<std::size_t>(i)]);
    st.V += st.FooterLineHeight;
  }
}

int VerticalOrigin(const PageRun& run) {
  const double feed = run.Ctx->Settings->PaperFeedTop;
  if (run.PreviewMode)
    return static_cast<int>(std::nearbyint((feed + 1) * run.Device.LineUnit * 8)) -
           run.Ctx->Preview->ScrollPosition();
  return static_cast<int>(std::nearbyint(feed * run.Device.LineUnit * 8)) -
         run.Ctx->Printer->OffsetTop();
}

void StartPage(PageRun& run) {
  TDruckVar& st = run.State;
  st.PageStarted = true;
  st.V = 0;
  if (run.PreviewMode) {
    st.PageDrawn = !run.FirstPass && run.DrawThisPage;
    if (st.PageDrawn) {
      const platform::Rect clip = run.Canvas->clip_rect();
      if (clip.empty() || clip.width() > 10000 || clip.height() > 10000)
        run.Ctx->Preview->Repaint();
    }
  } else {
    st.PageDrawn = PageSelectedForPrinting(run.Ctx->Selection, st.PageNumber);
    if (st.PageDrawn) {
      std::string error;
      if (!run.Ctx->Printer->BeginPage(&error)) {
        ReportOutputFatal(run, error);
        return;
      }
      run.Canvas = &run.Ctx->Printer->Canvas();
      run.OriginX = 0;
      run.OriginY = VerticalOrigin(run);
      run.FontDirty = true;
    }
  }
  if (st.PageDrawn) {
    DrawHeader(run);
    st.V = 0;
  }
  if (run.PreviewMode)
    Post(run, MN_PREVIEW_PAGE_DONE, st.PageNumber);
  else if (st.PageDrawn)
    Post(run, MN_PRINT_PAGE_DONE, st.PageNumber);
}

void EndPage(PageRun& run) {
  TDruckVar& st = run.State;
  if (st.PageStarted && st.PageDrawn) {
    DrawFooter(run);
    SelectFont(run);
  }
  if (!run.PreviewMode && run.Ctx->Print && run.Ctx->Print->StopPrinting.load())
    run.Ctx->Print->Abort = 1;
  ++st.PageNumber;
  ++st.PhysicalPage;
  st.PageStarted = false;
  st.PageDrawn = false;
  st.NewPageRequested = false;
  st.V = 0;
  if (run.PreviewMode && run.FirstPass) run.PageStarts.push_back(st);
}

void TakePdfCapture(PageRun& run, const std::string& text) {
  PageEngineContext& ctx = *run.Ctx;
  if (run.PdfCapture == "AU") ctx.PdfAuthor = text;
  if (run.PdfCapture == "TI") ctx.PdfTitle = text;
  if (run.PdfCapture == "KY") ctx.PdfKeywords = text;
  if (run.PdfCapture == "SU") ctx.PdfSubject = text;
  run.PdfCapture.clear();
}

// One line of the file; true when it ended the page.
bool ProcessLine(PageRun& run, FormattedLine& line) {
  TDruckVar& st = run.State;
  std::string& text = line.Text;
  if (!text.empty() && text[0] == kDotLineMark) {
    if (text.size() >= 2 && text[1] == kTextLineMark) {
      text.erase(0, 2);
    } else {
      ApplyOutputDotCommand(run, text);
      if (run.Stopped) return false;
      if (st.NewPageRequested) {
        st.NewPageRequested = false;
        if (st.PageStarted) {
          EndPage(run);
          return true;
        }
      }
      return false;
    }
  }
  if (!run.PdfCapture.empty()) {
    TakePdfCapture(run, text);
    return false;
  }
  if (!st.PageStarted) {
    StartPage(run);
    if (run.Stopped) return false;
  }
  // Lines of pages that are not drawn still switch fonts and attributes for the next ones.
  DrawTextLine(run, text, line.SoftReturn);
  if (run.Stopped) return false;
  const int slot = line.SoftReturn ? 2 : (text.empty() ? 1 : 0);
  st.V += st.LineHeight[static_cast<std::size_t>(slot)];
  if (st.V >= UsableTextHeight(st)) {
    EndPage(run);
    return true;
  }
  return false;
}

enum class LoopEnd { PageEnded, EndOfInput, Stopped };

// A preview request that arrived while a screen is drawn ends the page being drawn.
bool RequestKept(PageRun& run) {
  PreviewControl* ctl = run.Ctx->PreviewCtl;
  if (!ctl) return false;
  std::lock_guard<std::mutex> lock(ctl->PendingMutex);
  return ctl->PendingUsed;
}

LoopEnd RunLines(PageRun& run, bool stopAtPageEnd) {
  const auto& data = *run.File;
  FormattedLine line;
  for (;;) {
    if (StopRequested(run)) {
      run.Stopped = true;
      return LoopEnd::Stopped;
    }
    if (!ReadFormattedLine(data.data(), run.End, run.State.Cursor, run.Translation, line)) {
      if (run.State.PageStarted) EndPage(run);
      return LoopEnd::EndOfInput;
    }
    const bool ended = ProcessLine(run, line);
    if (run.Stopped) return LoopEnd::Stopped;
    if (ended && stopAtPageEnd) return LoopEnd::PageEnded;
    if (run.DrawThisPage && RequestKept(run))
      return LoopEnd::PageEnded;  // the user wants the next screen
  }
}

// ---- printer mode -----------------------------------------------------------------------

void RenderPrinter(PageRun& run) {
  PageEngineContext& ctx = *run.Ctx;
  ctx.PdfAuthor.clear();
  ctx.PdfTitle.clear();
  ctx.PdfKeywords.clear();
  ctx.PdfSubject.clear();
  const bool landscape = ScanForLandscape(run);
  if (ctx.Printer->Landscape() != landscape) ctx.Printer->SetLandscape(landscape);
  run.Landscape = landscape;
  run.FontTable = ctx.Fonts.PrinterFonts;
  // The stop request is cleared by whoever starts the print, before its thread runs: cleared
  // here, a stop pressed before this run began would be lost.
  if (!ctx.Selection.ListValid) ctx.Selection.FirstPage = 1;
  if (!ComputeRunScale(run)) return;
  SetGeometryFromTemplate(run);
  if (const std::uint8_t lh = ctx.Settings->DefaultLH; lh != 8 && lh != 0)
    run.State.LineHeight = {lh, lh, lh};
  SelectFont(run);
  RunLines(run, false);
}

// ---- preview mode -----------------------------------------------------------------------

bool Intersects(const platform::Rect& a, const platform::Rect& b) {
  return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

void PrepareCaption(PageRun& run, std::int32_t first, std::int32_t last, std::int32_t count) {
  std::string caption = std::to_string(first);
  if (last > first)
    caption += MessageText(Language(run), MessageId::kPageRangeTo, {std::to_string(last)});
  if (count > 0)
    caption += MessageText(Language(run), MessageId::kPageCountOf, {std::to_string(count)});
  caption += "  " + run.FileName;
  run.Ctx->PreviewCtl->SetCaption(caption);
  Post(run, MN_PREVIEW_CAPTION, 0);
}

void RenderScreen(PageRun& run, std::int32_t first) {
  PreviewWindow& win = *run.Ctx->Preview;
  PreviewControl& ctl = *run.Ctx->PreviewCtl;
  const int columns = std::max(1, win.MatrixColumns());
  const int rows = std::max(1, win.MatrixRows());
  const std::int32_t count = static_cast<std::int32_t>(run.PageStarts.size()) - 1;
  if (!ComputeRunScale(run)) return;
  const platform::Rect client = win.ClientRect();
  const platform::Rect repaint = win.RepaintRect();
  const int cellW = client.width() / columns;
  const int cellH = client.height() / rows;
  const int vertical = VerticalOrigin(run);
  for (int i = 0; i < columns * rows; ++i) {
    const std::int32_t page = first + i;
    if (page < 1 || page > count) continue;
    const platform::Rect cell{
        client.left + (i % columns) * cellW, client.top + (i / columns) * cellH,
        client.left + (i % columns + 1) * cellW, client.top + (i / columns + 1) * cellH};
    if (!Intersects(cell, repaint)) continue;
    run.State = run.PageStarts[static_cast<std::size_t>(page - 1)];
    run.OriginX = cell.left;
    run.OriginY = cell.top + vertical;
    run.DrawThisPage = true;
    run.FontDirty = true;
    SelectFont(run);
    RunLines(run, true);
    run.DrawThisPage = false;
    if (run.Stopped) return;
  }
  const std::int32_t last = std::min(first + columns * rows - 1, count);
  ctl.FirstPageShown = first;
  ctl.ScreenFirstPage = first;
  PreviewMenuState menu;
  menu.First = menu.Previous = first > 1 && count > 0;
  menu.Next = menu.Last = menu.AutoPaging = last < count;
  win.SetMenuState(menu);
  PrepareCaption(run, std::max(first, 1), last, count);
}

// Waits for the next request; false when the preview is to stop.
bool WaitForRequest(PageRun& run) {
  PreviewControl& ctl = *run.Ctx->PreviewCtl;
  bool resend = false;
  std::int32_t code = 0, value = 0;
  {
    std::lock_guard<std::mutex> lock(ctl.PendingMutex);
    if (ctl.PendingUsed) {
      ctl.PendingUsed = false;
      resend = true;
      code = ctl.PendingCode;
      value = ctl.PendingValue;
    }
  }
  if (resend) {
    ctl.PendingResend = 1;
    if (run.Ctx->Notifier) run.Ctx->Notifier->Send(code, value);
    ctl.PendingResend = 0;
  } else {
    ctl.RenderRequest = 0;
  }
  while (ctl.RenderRequest.load() == 0 && ctl.Stop.load() == 0) {
    if (ctl.Idle)
      ctl.Idle();
    else
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return ctl.Stop.load() == 0;
}

std::int32_t NextFirstPage(PageRun& run, std::int32_t first) {
  PreviewControl& ctl = *run.Ctx->PreviewCtl;
  PreviewWindow& win = *run.Ctx->Preview;
  const int columns = std::max(1, win.MatrixColumns());
  const int perScreen = columns * std::max(1, win.MatrixRows());
  const std::int32_t count = static_cast<std::int32_t>(run.PageStarts.size()) - 1;
  if (const std::int32_t go = ctl.GotoPage.load(); go > 0)
    first = go;
  else if (!ctl.SameFlag.load())
    first = ctl.BackFlag.load() ? first - perScreen : first + perScreen;
  first = std::min(first, count - (perScreen - 1));
  first = std::max(first, 1);
  // Even pages stand on the left of a two-sided spread.
  if (run.State.TwoSided && columns % 2 == 0 && first % 2 == 1) first -= 1;
  return first;
}

void RenderPreview(PageRun& run) {
  PageEngineContext& ctx = *run.Ctx;
  PreviewControl& ctl = *ctx.PreviewCtl;
  run.Canvas = &ctx.Preview->Canvas();
  run.FontTable = ctx.Fonts.PreviewFonts;
  run.PlaceEachChar = ctx.Settings->PreviewPlacesEachChar != 0;
  run.Landscape = ctx.Preview->Landscape();
  const bool twoSided = ScanForTwoSided(run);
  run.State.TwoSided = twoSided;
  ctx.Preview->SetTwoSided(twoSided);

  std::int32_t first = 1;
  const bool reread = ctl.Reread.load() != 0;
  if (reread) {
    ctl.Stop = 0;
    ctl.Reread = 0;
    first = std::max<std::int32_t>(ctl.ScreenFirstPage.load(), 1);
  }
  if (!ComputeRunScale(run)) return;
  SetGeometryFromTemplate(run);
  if (const std::uint8_t lh = ctx.Settings->DefaultLH; lh != 8 && lh != 0)
    run.State.LineHeight = {lh, lh, lh};
  SelectFont(run);

  // First pass: count the pages and keep the state each one starts from.
  run.FirstPass = true;
  run.PageStarts.clear();
  run.PageStarts.push_back(run.State);
  RunLines(run, false);
  run.FirstPass = false;
  if (run.Stopped) return;
  ctl.PageCount = static_cast<std::int32_t>(run.PageStarts.size()) - 1;

  ctl.FirstPageShown = first;
  RenderScreen(run, first);
  while (!run.Stopped && WaitForRequest(run)) {
    first = NextFirstPage(run, first);
    RenderScreen(run, first);
  }
  ctl.FirstPageShown = 0;
  run.PageStarts.clear();
}

void Render(PageEngineContext& ctx, const std::string& fileName,
            const std::vector<std::uint8_t>& data, bool preview, bool postScript) {
  PageRun run;
  run.Ctx = &ctx;
  run.PreviewMode = preview;
  run.PostScript = postScript;
  run.File = &data;
  // The end-of-file mark 0x1A behind the last line is no text line (it would draw a glyph
  // and could open an empty page).
  run.End = data.size();
  while (run.End > 0 && data[run.End - 1] == kEndOfFileMark) --run.End;
  run.FileName = fileName;
  BuildTranslationTable(run.Translation);
  BuildLineTables(run);
  InitialiseState(run);
  if (preview)
    RenderPreview(run);
  else
    RenderPrinter(run);
}

bool ContextUsable(PageEngineContext& ctx, bool preview) {
  if (!ctx.Settings || !ctx.Fonts.PrinterData) return false;
  if (preview) return ctx.Preview && ctx.PreviewCtl && ctx.Fonts.PreviewFonts;
  return ctx.Printer && ctx.Fonts.PrinterFonts;
}

}  // namespace

// ---- byte reader ------------------------------------------------------------------------

void BuildTranslationTable(std::array<std::uint8_t, 256>& table) {
  for (int b = 0; b < 256; ++b)
    table[static_cast<std::size_t>(b)] = static_cast<std::uint8_t>(b & 0x7F);
  table[kSoftLineEndByte] = kEngineSoftLineEnd;
  table[kColumnMarkByte] = kColumnMark;
}

FormattedByte ReadFormattedByte(const std::uint8_t* data, std::size_t size, std::size_t& cursor,
                                const std::array<std::uint8_t, 256>& translation) {
  FormattedByte out;
  for (;;) {
    if (cursor >= size) return out;
    std::uint8_t b = data[cursor++];
    if (b == kTagMark) {
      // A tagged block: two tag bytes, then data up to the tag bytes again and 0x1D.
      if (size - cursor < 2) {
        cursor = size;
        return out;
      }
      const std::uint8_t type = data[cursor], sub = data[cursor + 1];
      cursor += 2;
      std::size_t i = cursor;
      while (i < size && !(data[i] == kTagMark && data[i - 2] == type && data[i - 1] == sub)) ++i;
      if (i >= size) {
        cursor = size;  // an unterminated block runs to the end of the input
        return out;
      }
      cursor = i + 1;
      if (type == kAlternateFontTag) {
        out.Byte = kAlternateFont;
        return out;
      }
      continue;
    }
    if ((b & 0x7F) == kEscape) {
      if (cursor >= size) return out;  // an ESC with nothing after it ends the input
      std::uint8_t code = data[cursor++];
      if (cursor < size) out.Parameter = data[cursor++];
      if (code == kSectionSign437) code = kSectionSign850;
      out.Byte = code;
      out.Escaped = true;
      return out;
    }
    out.Byte = translation[b];
    return out;
  }
}

bool ReadFormattedLine(const std::uint8_t* data, std::size_t size, std::size_t& cursor,
                       const std::array<std::uint8_t, 256>& translation, FormattedLine& line) {
  line = FormattedLine{};
  if (cursor >= size) {
    line.EndOfInput = true;
    return false;
  }
  bool lineEnd = false;
  bool lastEscaped = false;
  while (line.Text.size() < static_cast<std::size_t>(kPageLineRoom)) {
    const FormattedByte b = ReadFormattedByte(data, size, cursor, translation);
    if (b.Byte < 0) {
      line.EndOfInput = true;
      break;
    }
    if (b.Byte == kLineFeed && !b.Escaped) {
      lineEnd = true;
      break;
    }
    line.Text += static_cast<char>(b.Byte);
    lastEscaped = b.Escaped;
  }
  if (line.Text.empty() && line.EndOfInput && !lineEnd) return false;
  if (lineEnd) {
    const bool hasLast = !line.Text.empty() && !lastEscaped;
    if (hasLast && line.Text.back() == static_cast<char>(kEngineSoftLineEnd)) {
      line.SoftReturn = true;
      line.Text.pop_back();
    } else {
      // CR LF, or a bare LF, which counts as CR LF.
      line.HardReturn = true;
      if (hasLast && line.Text.back() == static_cast<char>(kCarriageReturn)) line.Text.pop_back();
    }
  } else {
    line.HardReturn = true;
  }
  for (int i = 0; i < 2 && !line.Text.empty() && line.Text.back() == ' '; ++i) line.Text.pop_back();
  return true;
}

// ---- services for the other units --------------------------------------------------------

std::int32_t UsableTextHeight(const TDruckVar& state) {
  return (state.PL - state.MT - state.MB) * 8;
}

void ReportOutputFatal(PageRun& run, const std::string& text) {
  PageEngineContext& ctx = *run.Ctx;
  run.Stopped = true;
  run.Fatal = true;
  ctx.ThreadErrorText = text;
  if (run.PreviewMode) {
    if (ctx.Notifier) ctx.Notifier->Send(MN_PREVIEW_STOP, 2);
    if (ctx.PreviewCtl) ctx.PreviewCtl->Stop = 1;
  } else {
    if (ctx.Notifier) ctx.Notifier->Send(MN_PRINT_DONE, 2);
    if (ctx.Print) ctx.Print->Abort = 1;
  }
}

void RebuildDefaultFooter(TDruckVar& state) {
  std::string text;
  if (state.PageNumberColumn > 1)
    text = std::string(
               static_cast<std::size_t>(std::min(state.PageNumberColumn - 1, kPageLineRoom - 2)),
               ' ') +
           "#";
  else
    text = std::string(1, static_cast<char>(kCentreMark)) + "#";
  for (auto& set : state.Footers) set[0] = HeaderFooterLine{text, 0};
}

bool ComputeRunScale(PageRun& run) {
  PageEngineContext& ctx = *run.Ctx;
  const std::int32_t dpi = ctx.Fonts.PrinterData->PrinterDpi;
  if (dpi <= 0) {
    // A record measured without a resolution cannot place anything.
    ReportOutputFatal(run, MessageText(Language(run), MessageId::kPrinterResolutionUnknown));
    return false;
  }
  DeviceScale& d = run.Device;
  d.PrinterDpi = dpi;
  if (run.PreviewMode) {
    PreviewWindow& win = *ctx.Preview;
    run.Landscape = win.Landscape();
    const double paperWidth = run.Landscape ? kPaperHeightInches : kPaperWidthInches;
    d.Scale = win.ClientRect().width() / (paperWidth * dpi) / std::max(1, win.MatrixColumns());
    win.ClearPreviewArea();
    win.DrawPageMatrixGrid();
  } else {
    d.Scale = static_cast<double>(ctx.Printer->Dpi()) / dpi;
  }
  d.GraphicsFactor = dpi * d.Scale / 300.0;
  d.ColumnUnit = dpi / 10.0;
  d.LineUnit = dpi / 48.0 * d.Scale;
  return true;
}

// ---- entries ----------------------------------------------------------------------------

void RenderFormattedPages(PageEngineContext& ctx, const std::string& fileName, bool preview,
                          bool postScript) {
  if (!ContextUsable(ctx, preview)) return;
  FormattedFileCache local;
  FormattedFileCache& cache = ctx.Cache ? *ctx.Cache : local;
  FormattedFileCache::Slot& slot = cache.Slots[preview ? 1 : 0];
  PageRun probe;
  probe.Ctx = &ctx;
  probe.PreviewMode = preview;
  if (!LoadIntoSlot(probe, slot, fileName)) return;
  Render(ctx, fileName, slot.Buffer, preview, postScript);
}

void RenderFormattedData(PageEngineContext& ctx, const std::string& fileName,
                         std::vector<std::uint8_t> data, bool preview, bool postScript) {
  if (!ContextUsable(ctx, preview)) return;
  FormattedFileCache local;
  FormattedFileCache& cache = ctx.Cache ? *ctx.Cache : local;
  FormattedFileCache::Slot& slot = cache.Slots[preview ? 1 : 0];
  slot.Buffer = std::move(data);
  slot.FileName = fileName;
  slot.Date = 0;
  slot.Loaded = false;  // not from disk: the next load from the file reads it again
  Render(ctx, fileName, slot.Buffer, preview, postScript);
}

void FreeFormattedFileBuffers(FormattedFileCache& cache) {
  for (auto& slot : cache.Slots) slot = FormattedFileCache::Slot{};
}

bool FormattedFileDateChanged(const FormattedFileCache& cache, const std::string& fileName) {
  const std::optional<std::int64_t> date = GetFileDate(fileName);
  for (const auto& slot : cache.Slots)
    if (slot.Loaded && slot.FileName == fileName) return !date || *date != slot.Date;
  return false;
}

}  // namespace tavrel
