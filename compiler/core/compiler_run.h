// The run context of one Skeldon run: every per-unit state struct of the compiler, owned here
// and passed explicitly, so tests and runs never share state. One line per member; units add
// their own state struct as a new line.
#pragma once

#include <atomic>
#include <cstdint>

#include "compiler/core/command_line.h"
#include "compiler/core/console_reporter.h"
#include "compiler/core/ini_values.h"
#include "compiler/core/project_file.h"
#include "compiler/core/source_buffer.h"
#include "compiler/core/switches.h"
#include "compiler/core/toggles.h"
#include "compiler/core/file_names.h"
#include "compiler/core/char_conversion.h"
#include "compiler/core/ini_keys.h"
#include "compiler/core/ini_file.h"
#include "compiler/core/markup.h"
#include "compiler/core/source_text_output.h"
#include "compiler/generate/pass_services.h"
#include "compiler/generate/source_reader.h"
#include "compiler/generate/reservations.h"
#include "compiler/generate/index_store.h"
#include "compiler/generate/index_pages.h"
#include "compiler/generate/link_pass.h"
#include "compiler/generate/link_writer.h"
#include "compiler/generate/help_tables.h"
#include "compiler/generate/output_files.h"
#include "compiler/generate/line_blocks.h"
#include "compiler/generate/output_filter.h"
#include "compiler/generate/table_scanner.h"
#include "compiler/generate/navigation_buttons.h"
#include "compiler/generate/html_page.h"
#include "compiler/generate/summary_page.h"
#include "compiler/generate/help_project.h"
#include "compiler/generate/run_driver.h"

struct CompilerRun {
    std::int32_t Language = 0;          // messages: 0 English, 1 German, other values print nothing
    bool RunSuccess = false;            // no counted source error; decides sound and help compiler
    bool RunCompleted = false;          // set at the very end of a run; decides the exit code
    std::atomic<bool>* UserBreakRequested = nullptr;  // the program's break flag (SIGINT); none: no break
    ReporterState reporterState;        // progress display and log files
    SourceLineState lines;              // CurrentSourceLine, LastMessageLine, ErrorLineOffset
    TSwitches switches;                 // option fields
    TProgramCommands programCommands;   // help compiler and viewer command lines
    TGraphicDirectories graphics;       // graphic path and directory list
    TMainUnitState mainUnit;            // start values of the main unit
    CommandLineState commandLine;       // WordList
    ProjectFileState project;           // project file settings
    ToggleTables toggles;               // internal toggle characters
    TSourceBuffer source;               // the joined sources and the read position
    IniValueTables iniValues;           // font, button, template and word-character tables
    TFileNameState fileNames;           // lower-case table, page extension, .ID page names
    TCharConversionState charConversion;  // code-page tables and the text-context flags
    TIniSettings ini;                   // the settings of the ini file
    TIniFileState iniFile;              // the ini reader's key counters and flags
    TMarkupState markup;                // font, break and highlight output state
    TSourceTextState sourceText;        // .HC raw HTML and toggle-changed flag
    TPassServices passes;               // heading tree, output file and output-pass position
    TSourceReaderState reader;          // dot line, .IF conditions, pending .NR/.HD
    TReservationState numbering;        // heading and file counters, reservation list
    TIndexStore indexStore;             // index entries in 256 buckets
    TIndexPageState indexPages;         // sorted index groups
    TLinkPassState linkPass;            // link blocks, index char, frame groups, level styles
    TLinkWriterState linkWriter;        // automatic links of running text
    THelpTableState helpTables;         // .RC help table items and the panel ID file
    TOutputFileState outputFiles;       // open output file, first-file probe, created-files list
    TLineDrawingState lineDrawing;      // .LI line-drawing block
    TOutputFilterState outputFilter;    // character output of running text
    TTableState tables;                 // .TA table being collected and its options
    TNavigationState navigation;        // navigation bar targets and button bindings
    THtmlPageState htmlPage;            // page totals, notes page, indentation depth
    TSummaryPageState summaryPage;      // run start time, graphics list, clock
    THelpProjectState helpProject;      // HHP/HPJ names, missing graphics
    TCompileContext compile;            // compile run: driver, dispatcher, headings, lists, footnotes
    TConsoleReporter reporter{*this};   // last: it works on the state above
};
