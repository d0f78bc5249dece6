#pragma once
// The state of the page engine. TDruckVar is everything the drawing of a page starts from;
// a copy taken at the end of a page lets the preview draw the next page from that copy
// alone. PageRun holds what lasts for one call of the engine (the device, its scale, the
// tables and the file), and is passed explicitly to every unit of the page engine, so two
// threads rendering at once never share state.

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "formatter/common/file_services.h"
#include "formatter/common/font_numbers.h"
#include "formatter/common/notifications.h"
#include "formatter/common/picture_files.h"
#include "formatter/common/settings_record.h"
#include "formatter/fonts/printer_data.h"
#include "formatter/pages/page_selection.h"
#include "platform/canvas.h"

namespace tavrel {

class PreviewWindow;
class PrintSurface;

inline constexpr int kPageLineRoom = 254;        // bytes of one formatted line
inline constexpr int kGraphicsCharEntries = 20;  // graphics-character definitions
inline constexpr int kHeaderFooterLines = 5;
inline constexpr int kMaxPageDigits = 5;

// A character that stands for a picture file ("GR", "BT").
struct GraphicsCharEntry {
  std::uint8_t Char = 0;  // 0: free
  std::string FileName;
  std::int32_t Width = 0;  // printer dots
  std::int32_t Height = 0;
};

// A character drawn as a square, rounded square or circle ("DT").
struct FigureDef {
  std::uint8_t Kind = 0;  // 0 none, 1..9
  std::uint8_t Size = 0;  // percent of the height of "A"
};

struct HeaderFooterLine {
  std::string Text;
  std::uint8_t Font = 0;  // 0: the normal font of the moment
};
using HeaderFooterSet = std::array<HeaderFooterLine, kHeaderFooterLines>;

enum class BmAlignment : std::uint8_t { Centred = 0, Left = 1, Right = 2 };

// The page state record.
struct TDruckVar {
  std::size_t Cursor = 0;         // offset of the next line in the file buffer
  std::int32_t PageNumber = 1;    // as printed and reported ("PN" changes it)
  std::int32_t PhysicalPage = 1;  // counted from 1, never changed by "PN"
  bool PageStarted = false;       // the page start has run for this page
  bool PageDrawn = false;         // this page is drawn (selected / being rendered)
  bool NewPageRequested = false;  // "CP" or "PA" asked for a new page after the line
  double V = 0;                   // 1/48 inch below the top of the text area

  // Page geometry: lines of 1/6 inch, columns of 1/10 inch.
  std::int32_t PL = 72, MT = 3, MB = 8, HM = 2, FM = 2, POEven = 0, POOdd = 0, RM = 65;
  std::int32_t JustifyMargin = 0;  // printer dots from the line start
  std::int32_t CentreMargin = 0;
  std::int32_t TabWidth = 60;  // percent, for the column width
  std::int32_t PageNumberColumn = 0;

  std::array<std::int32_t, 3> LineHeight{8, 8, 8};  // 1/48 inch: text, empty, soft return
  std::array<std::int32_t, 3> SavedLineHeight{8, 8, 8};
  std::int32_t HeaderLineHeight = 8;  // "MH"
  std::int32_t FooterLineHeight = 8;  // "FH"
  std::int32_t SuperShift = 3;        // "SR", 1/48 inch

  std::array<std::uint8_t, 4> FontSlots{};  // normal, bold, italic, bold italic
  std::array<std::uint8_t, 4> SavedFontSlots{};
  std::uint8_t CurrentSlot = 0;
  std::uint8_t CurrentFont = 3;  // the font number selected last
  std::uint8_t NormalFont = 3;
  std::uint8_t AlternateFont = 112;
  std::uint8_t SpecialFont = 3;
  std::uint8_t SpecialMode = 0;  // 0 none, 1 superscript, 2 subscript, 3 double
  bool Underline = false;
  bool AlternateLine = false;  // the current line is drawn in the alternate font

  bool Justify = true;
  bool SavedJustify = true;  // kept by "LI" with an argument
  bool ListMode = false;     // "LI" with an argument is in force
  bool Centring = false;
  std::string MarkerSet;  // "IC", "ST"
  bool PendingMarker = false;

  std::int32_t LineWidthDouble = 6;        // "LW", printer dots
  std::int32_t LineWidthSingle = 3;        // "LS"
  std::int32_t PictureWidthPercent = 100;  // "BW"
  std::int32_t GraphicsDpi = 300;          // "GS"

  std::array<HeaderFooterSet, 2> Headers{};  // [0] even pages, [1] odd pages
  std::array<HeaderFooterSet, 2> Footers{};
  bool TwoSided = false;

  std::array<GraphicsCharEntry, kGraphicsCharEntries> Graphics{};
  std::array<bool, 256> GraphicsFlag{};
  std::array<FigureDef, 256> Figures{};

  CharWidths Widths{};           // of the current font, printer dots
  std::int32_t ColumnWidth = 0;  // printer dots per column of the current font
};

// The fonts and metrics the engine draws with, from the printer set-up: the printer and
// preview font tables from the font definition file and the measured record of the printer.
struct PageFontTables {
  const TPrinterDataRecord* PrinterFonts = nullptr;
  const TPrinterDataRecord* PreviewFonts = nullptr;
  const TPrinterDataRecord* PrinterData = nullptr;             // widths, PrinterDpi
  const std::array<std::uint8_t, 208>* AutoVariant = nullptr;  // from the font definition file
};

// The two cached formatted files: slot 0 printer mode, slot 1 preview mode. Each slot is
// used by one thread only, so the slots need no lock.
struct FormattedFileCache {
  struct Slot {
    std::vector<std::uint8_t> Buffer;
    std::string FileName;
    std::int64_t Date = 0;
    bool Loaded = false;
  };
  std::array<Slot, 2> Slots;
};

// The bytes the print thread and the main window share with the engine in printer mode.
struct PrintControl {
  std::atomic<std::uint8_t> Abort{0};         // the print thread's abort byte
  std::atomic<std::uint8_t> StopPrinting{0};  // the user asked to stop printing
};

// The bytes and request fields the preview thread and the main window share with the engine.
struct PreviewControl {
  std::atomic<std::uint8_t> RenderRequest{0};
  std::atomic<std::uint8_t> Stop{0};
  std::atomic<std::uint8_t> Reread{0};
  std::atomic<std::int32_t> GotoPage{0};  // 0: none
  std::atomic<std::uint8_t> BackFlag{0};
  std::atomic<std::uint8_t> SameFlag{0};
  std::atomic<std::int32_t> PageCount{0};        // 0 until the first pass has counted
  std::atomic<std::int32_t> FirstPageShown{0};   // published while a run lasts, 0 otherwise
  std::atomic<std::int32_t> ScreenFirstPage{1};  // kept for a run that re-reads a changed file

  // The one slot for a request that arrived while the engine was busy.
  std::mutex PendingMutex;
  bool PendingUsed = false;
  std::atomic<std::uint8_t> PendingResend{0};
  std::int32_t PendingCode = 0;
  std::int32_t PendingValue = 0;

  // Called each 50 ms while the engine waits for a request; sleeps when empty. Tests make
  // their requests from here instead of from another thread.
  std::function<void()> Idle;

  // The page text the main window shows on MN_PREVIEW_CAPTION; it reads it from its own
  // thread while the engine may prepare the next one.
  void SetCaption(std::string text) {
    std::lock_guard<std::mutex> lock(CaptionMutex);
    Caption = std::move(text);
  }
  std::string GetCaption() const {
    std::lock_guard<std::mutex> lock(CaptionMutex);
    return Caption;
  }

 private:
  mutable std::mutex CaptionMutex;
  std::string Caption;
};

// What the caller (preview or print thread) gives the engine for one call.
struct PageEngineContext {
  const TSettingsRecord* Settings = nullptr;
  PageFontTables Fonts;
  FormattedFileCache* Cache = nullptr;
  MainNotifier* Notifier = nullptr;
  FileContext Files;  // to find picture files

  // Printer mode.
  PrintSurface* Printer = nullptr;
  PrintControl* Print = nullptr;
  PageSelection Selection;
  // The four PDF document values, filled by "AU", "TI", "KY", "SU" in printer mode.
  std::string PdfAuthor, PdfTitle, PdfKeywords, PdfSubject;

  // Preview mode.
  PreviewWindow* Preview = nullptr;
  PreviewControl* PreviewCtl = nullptr;

  // The fatal error text the main window shows on code 3 or 13 with value 2.
  std::string ThreadErrorText;
};

// The device and its scale for one call.
struct DeviceScale {
  double Scale = 1.0;           // device units per printer dot
  double GraphicsFactor = 1.0;  // device units per 1/300 inch
  double ColumnUnit = 30.0;     // printer dots per column of 1/10 inch
  double LineUnit = 6.25;       // device units per 1/48 inch
  std::int32_t PrinterDpi = 300;
};

// One call of the engine: the page state plus what the call works with.
struct PageRun {
  PageEngineContext* Ctx = nullptr;
  bool PreviewMode = false;
  bool PostScript = false;
  bool FirstPass = false;     // preview: counting pages without drawing
  bool DrawThisPage = false;  // preview: the page being rendered is drawn
  bool Stopped = false;       // a stop request or a fatal error ends the call
  bool Fatal = false;

  const std::vector<std::uint8_t>* File = nullptr;
  std::size_t End = 0;  // bytes of the file that are read
  std::string FileName;

  platform::Canvas* Canvas = nullptr;             // null in printer mode until the first drawn page
  const TPrinterDataRecord* FontTable = nullptr;  // printer or preview font table
  DeviceScale Device;
  int OriginX = 0;  // device origin of the page's cell
  int OriginY = 0;  // device y of the top of the page
  bool PlaceEachChar = false;
  bool Landscape = false;

  std::array<std::uint8_t, 256> Printable{};    // byte classes
  std::array<std::uint8_t, 256> Translation{};  // file byte -> line byte
  std::array<std::uint8_t, 256> CharMap{};      // line byte -> drawn byte

  // Pictures loaded in this call, by the path found.
  std::map<std::string, std::shared_ptr<const platform::Bitmap>> Pictures;

  std::string PdfCapture;  // "AU", "TI", "KY", "SU" waiting for the next text line
  // Widths of other fonts, for measuring lines that switch fonts; valid for one tab width.
  std::array<CharWidths, 209> WidthCache{};
  std::array<bool, 209> WidthCached{};
  std::int32_t WidthCacheTabWidth = -1;

  platform::CanvasFont CurrentFont;
  // Preview of many pages: a font this small (in points) is drawn as a grey line; 0: text.
  int GreekSize = 0;  // what the canvas is given at the next draw
  bool FontDirty = true;

  TDruckVar State;
  // Preview: the state each physical page starts from (index 0: page 1).
  std::vector<TDruckVar> PageStarts;
};

}  // namespace tavrel
