#pragma once
// Places the characters of one formatted line on the device canvas: marker characters,
// print controls and fonts, justification, centring and right alignment, fixed columns, and
// drawing one by one or in runs.

#include <cstdint>
#include <string>
#include <string_view>

#include "formatter/pages/page_state.h"

namespace tavrel {

// Builds the byte classes and the character map of a run.
void BuildLineTables(PageRun& run);

// Selects the font of the current slot (or the given font number) and loads its widths.
void SelectFont(PageRun& run);
void SelectFontNumber(PageRun& run, std::uint8_t fontNumber);
// Gives the canvas the font last selected, when it has not got it yet.
void ApplyCurrentFont(PageRun& run);

// Draws a text line at the current vertical position (does not advance). softReturn: the
// line ended with a soft return, so it may be justified.
void DrawTextLine(PageRun& run, std::string line, bool softReturn);

// Device coordinates of a horizontal position (printer dots from the page's left edge) and
// of the current vertical position.
int DeviceX(const PageRun& run, std::int32_t position);
int DeviceY(const PageRun& run);
// The line start of the current page's parity, in printer dots.
std::int32_t LineStart(const PageRun& run);
// A device coordinate, rounded (halves to even) and held within +-1e9.
int DeviceUnits(double value);
// True for odd pages (two sets of headers, footers and offsets).
bool OddPage(const TDruckVar& state);

// The width of a byte text in printer dots, following print controls inside it.
std::int32_t MeasureLineWidth(PageRun& run, std::string_view bytes, bool withoutBlanks);

}  // namespace tavrel
