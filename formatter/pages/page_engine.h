#pragma once
// The page engine: renders the pages of a formatted file onto a device canvas, in preview
// mode one screen of pages at a time into the preview window, in printer mode page after
// page onto the printer. It re-applies the output-time dot commands, lays out each stored
// line and draws headers and footers; it never formats again.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "formatter/pages/page_state.h"

namespace tavrel {

// Renders the file; reports pages with MN_PREVIEW_PAGE_DONE (9) or MN_PRINT_PAGE_DONE (19).
void RenderFormattedPages(PageEngineContext& ctx, const std::string& fileName, bool preview,
                          bool postScript);
// The same for bytes already in memory (they take the mode's cache slot under that name).
void RenderFormattedData(PageEngineContext& ctx, const std::string& fileName,
                         std::vector<std::uint8_t> data, bool preview, bool postScript);
void FreeFormattedFileBuffers(FormattedFileCache& cache);
// True when the file's date differs from the date kept in either cache slot for it.
bool FormattedFileDateChanged(const FormattedFileCache& cache, const std::string& fileName);

// One byte of a formatted file as the byte reader yields it.
struct FormattedByte {
  int Byte = -1;               // -1: the end of the input
  bool Escaped = false;        // came from an ESC sequence (not a line end, not translated)
  std::uint8_t Parameter = 0;  // the byte after an ESC code
};

// The translation of plain bytes: bit 7 cleared, kSoftLineEndByte -> kEngineSoftLineEnd,
// kColumnMarkByte -> kColumnMark (formatter/common/formatted_file.h).
void BuildTranslationTable(std::array<std::uint8_t, 256>& table);
// Reads one byte at cursor, skipping tagged blocks; never reads at or beyond size, also when
// a block or an ESC sequence is cut off by the end of the input (that is the end).
FormattedByte ReadFormattedByte(const std::uint8_t* data, std::size_t size, std::size_t& cursor,
                                const std::array<std::uint8_t, 256>& translation);

// One line of a formatted file.
struct FormattedLine {
  std::string Text;         // without its line end and up to two trailing blanks
  bool HardReturn = false;  // ended by CR LF (or a bare LF)
  bool SoftReturn = false;  // ended by 0x8D LF
  bool EndOfInput = false;  // the input ended in or before this line
};
// Reads a line of at most 254 bytes; false when the input was already at its end.
bool ReadFormattedLine(const std::uint8_t* data, std::size_t size, std::size_t& cursor,
                       const std::array<std::uint8_t, 256>& translation, FormattedLine& line);

// For the other units of the engine.
std::int32_t UsableTextHeight(const TDruckVar& state);  // 1/48 inch
// Stops the call: keeps the text for the main window and sends 3 (preview) or 13 (printer)
// with value 2.
void ReportOutputFatal(PageRun& run, const std::string& text);
// The page-number footer of a fresh run or after "PC"/"PN"/"PG".
void RebuildDefaultFooter(TDruckVar& state);
// Device scale for the run's device (printer canvas or preview window).
bool ComputeRunScale(PageRun& run);

}  // namespace tavrel
