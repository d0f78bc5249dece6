// The texts of Tavrel's main window and job control in both languages (German in code page
// 850), and the one call that shows a text in the user's language.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "formatter/common/messages.h"

namespace tavrel {

enum class ShellText : std::uint8_t {
  kFormatting,         // Label1 idle
  kPreviewing,         // Label2 idle
  kPrinting,           // Label3 idle
  kFormatButton,       // Button2 idle
  kStopFormatButton,   // Button2 during a job
  kStopButton,         // Button2 during job R
  kPrintButton,        // Button5 idle
  kStopPrintButton,    // Button5 while printing
  kFormatted,          // GroupBox3
  kFormattedTaf,       // GroupBox3 with a text part
  kPreviewPage,        // code 9
  kPageToFile,         // code 19, PostScript: "Page "
  kPrintPage,          // code 19
  kFromCopy,           // code 19
  kAppendingPdfMarks,  // code 20
  kScanningIndexPage,  // code 28
  kFormatPage,         // code 29
  kSearchingHeadings,  // code 39
  kFootnotePage,       // code 49
  kReading,            // code 59
  kMergingIndex,       // code 59
  kMessagesCaption,    // code 87
  kIndexCaption,       // Make > Index
  kTerminateJobsFirst,
  kWrongParameter,
  kCloseQuestion,
  kWaitUntilPrintingIdle,
  kCompilerNotFound,
  kNoPdfPrinter,
  kJobNotAvailable,
  kGraphicsDialogNotAvailable,
  kNotFound,
  kPageListPrefix,
  kRefusedWhilePrinting,
  kCloseTimedOut,
  kEditorNotAvailable,
  kSelectFile,
  kCreateFileQuestion,
  kCount
};

// The text with "%1".. filled in, shown in the language (display code page).
std::string ShellMessage(std::uint8_t language, ShellText id, MessageArgs args = {});

}  // namespace tavrel
