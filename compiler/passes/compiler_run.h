// The run context of one Skeldon run: the foundation's part and every per-unit state struct of
// the passes and writers, owned here and passed explicitly, so tests and runs never share state.
// One line per member; units add their own state struct as a new line.
#pragma once

#include "compiler/foundation/foundation_run.h"
#include "compiler/passes/index_store.h"
#include "compiler/passes/link_pass.h"
#include "compiler/passes/output_filter.h"
#include "compiler/passes/output_pass.h"
#include "compiler/passes/pass_services.h"
#include "compiler/passes/reservations.h"
#include "compiler/passes/source_reader.h"
#include "compiler/passes/table_scanner.h"
#include "compiler/writers/help_project.h"
#include "compiler/writers/help_tables.h"
#include "compiler/writers/html_page.h"
#include "compiler/writers/index_pages.h"
#include "compiler/writers/line_blocks.h"
#include "compiler/writers/link_writer.h"
#include "compiler/writers/markup.h"
#include "compiler/writers/navigation_buttons.h"
#include "compiler/writers/output_files.h"
#include "compiler/writers/source_text_output.h"
#include "compiler/writers/summary_page.h"

namespace skeldon {

struct CompilerRun : FoundationRun {
  TMarkupState Markup;              // font, break and highlight output state
  TSourceTextState SourceText;      // .HC raw HTML and toggle-changed flag
  TPassServices Passes;             // heading tree, output file and output-pass position
  TSourceReaderState Reader;        // dot line, .IF conditions, pending .NR/.HD
  TReservationState Numbering;      // heading and file counters, reservation list
  TIndexStore IndexStore;           // index entries in 256 buckets
  TIndexPageState IndexPages;       // sorted index groups
  TLinkPassState LinkPass;          // link blocks, index char, frame groups, level styles
  TLinkWriterState LinkWriter;      // automatic links of running text
  THelpTableState HelpTables;       // .RC help table items and the panel ID file
  TOutputFileState OutputFiles;     // open output file, first-file probe, created-files list
  TLineDrawingState LineDrawing;    // .LI line-drawing block
  TOutputFilterState OutputFilter;  // character output of running text
  TTableState Tables;               // .TA table being collected and its options
  TNavigationState Navigation;      // navigation bar targets and button bindings
  THtmlPageState HtmlPage;          // page totals, notes page, indentation depth
  TSummaryPageState SummaryPage;    // run start time, graphics list, clock
  THelpProjectState HelpProject;    // HHP/HPJ names, missing graphics
  TCompileContext Compile;          // compile run: driver, dispatcher, headings, lists, footnotes
};

}  // namespace skeldon
