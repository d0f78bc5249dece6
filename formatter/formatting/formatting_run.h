// The formatting run: one source document (a WordStar document or a plain text file with dot
// commands) into the formatted file and its companions (".fun" notes, index volumes).
#pragma once

#include <string>

namespace tavrel {

struct FormatRun;

// Formats one file (a one-node job list).
void FormatFile(FormatRun& run, const std::string& file_name);
// The job over the whole job list of run.run.jobs.
void RunFormattingJob(FormatRun& run);
// Adds a word to the condition text of ".IF".
void AppendConditionWord(FormatRun& run, const std::string& word);
// Output, notes and index names, and the ".$$$" backup when input and output coincide.
void DeriveOutputNames(FormatRun& run);
// One file from open to close.
void FormatOneFile(FormatRun& run);
void WriteFormattedFileHeader(FormatRun& run);
void WriteUsedFontList(FormatRun& run);
void FinishFormattingRun(FormatRun& run);
// The character loop over the current input; top_level starts the first line and page.
void FormatLineLoop(FormatRun& run, bool top_level);
// Finishes and closes the notes stream (at the end, and before ".fun" is read back).
void FinishNotesStream(FormatRun& run);
// The per-file reset of the run's state.
void ResetFileState(FormatRun& run);

}  // namespace tavrel
