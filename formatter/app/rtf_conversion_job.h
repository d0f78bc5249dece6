// Job R: an RTF file (a WinHelp RTF file or an ordinary RTF document) converted into a WordStar
// document beside it, reported in the message list. The conversion itself is shared with
// Skeldon; this unit gives it the formatter's settings and message list.
#pragma once

#include <string>

namespace tavrel {

class RunMessages;
class MessageBoxes;

// The WordStar document job R writes: the RTF file's name with the extension "ws".
std::string RtfConversionTargetName(const std::string& rtfName);

// Runs job R for rtfName. Asks before an existing document is replaced; returns true when the
// document was written whole. The message list is cleared first and ends with the job's line.
bool RunRtfConversionJob(const std::string& rtfName, RunMessages& messages, MessageBoxes& boxes);

}  // namespace tavrel
