// Line ends and held text: hard line ends of a stream, the indentation of the next line,
// line ends held back while a line overflows, and forcing held text out.
#pragma once

#include <cstdint>
#include <string>

#include "formatter/common/messages.h"

namespace tavrel {

struct FormatRun;

// Ends the current line of the current stream (a CR of the text).
void HardLineEnd(FormatRun& run);
// Empties the held text of the current stream and starts its next line.
void CloseLine(FormatRun& run);
// Writes the indentation of a new line; slot 1 after a break that carries held line ends.
void WriteLineIndent(FormatRun& run, int slot);
// Forces the held text of a stream out through word breaking.
void ForceLineBreak(FormatRun& run, int stream, bool table_error);
// Writes what the current stream still holds at its end.
void FlushPendingLine(FormatRun& run);
// Writes the held text of the current stream as it is (the line fits) and empties it.
void WriteHeldAsIs(FormatRun& run);

// ---- line services shared by the reader, the word breaker and the dot commands ----

// One character to the current stream through the formatted-file writer; remembers it as
// the last written character.
void EmitChar(FormatRun& run, uint8_t c);
// Adds the width of a character to the horizontal position of the current stream.
void AdvanceCharPosition(FormatRun& run, uint8_t c);
// Advances the page position of the current stream by a line-height slot (0, 1, 2).
void AdvanceLineBy(FormatRun& run, int slot);
// The current stream's line counters to 0 (a new line starts).
void ResetLineCounters(FormatRun& run);
// The print attributes of the current stream that are on.
void StreamAttributes(FormatRun& run, bool& underline, bool& italic, bool& bold);
// An error (counted) or an information line of the run, in the language of the settings; the
// variable parts are code page 850 text of the document and shown with the message.
void ReportError(FormatRun& run, MessageId id, MessageArgs args = {});
void ReportError(FormatRun& run, const MessageTexts& texts);
void ReportInfo(FormatRun& run, MessageId id, MessageArgs args = {});
// Flushes the text stream's buffered page-note line.
void FlushBufferedOutputLine(FormatRun& run);
// The width of the note mark in the note area, in columns.
int NoteMarkColumns(const FormatRun& run);
// The text of the settings' language; `args` inserted as given.
std::string LanguageText(const FormatRun& run, MessageId id, MessageArgs args = {});

}  // namespace tavrel
