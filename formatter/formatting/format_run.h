// The state of one formatting run. Every unit of the engine keeps its per-run state here
// instead of in globals, so that tests and threads never share state by accident. A run
// object is made by the caller (job thread or test), configured, and passed to FormatFile.
//
// Units of the engine add their own state as one member line each (a struct defined in
// their own header), in the block marked for them below.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "formatter/formatting/contents_template.h"
#include "formatter/common/file_services.h"
#include "formatter/common/formatted_file.h"
#include "formatter/formatting/formatted_writer.h"
#include "formatter/common/message_boxes.h"
#include "formatter/common/notifications.h"
#include "formatter/formatting/number_argument.h"
#include "formatter/formatting/graphics_files.h"
#include "formatter/fonts/printer_data.h"
#include "formatter/common/run_messages.h"
#include "formatter/common/settings_record.h"
#include "formatter/formatting/word_breaking.h"

namespace tavrel {

inline constexpr int kHeldTextRoom = 54;       // characters of the word buffer
inline constexpr int kDotLineRoom = 248;       // characters of a collected dot line
inline constexpr int kMaxConditionWords = 20;  // words of the condition text
inline constexpr int kConditionWordLength = 30;
inline constexpr int kMaxFontNumber = 208;

// One file of a formatting job.
struct TJobListNode {
  std::string FileName;  // at most 255 characters
  std::unique_ptr<TJobListNode> Next;
};

// Per output stream: the line being built, word breaking and held line ends.
struct LineStream {
  // Word buffer: positions 1..54 are used; index 0 is unused so positions match the rules.
  std::array<uint8_t, kHeldTextRoom + 1> held{};
  std::array<uint8_t, kHeldTextRoom + 1> no_break_mark{};
  int held_len = 0;

  LinePosition line;         // horizontal position of the next character (layout units)
  int32_t right_margin = 0;  // layout units
  int32_t zone_width = 0;    // hyphenation zone width (layout units)
  bool zone_on = true;       // hyphenation zone active on this line
  int overflow = 0;          // characters held beyond the right margin
  int blank_run = 0;         // consecutive blanks written
  bool no_break = false;     // character 7 seen, cleared by a blank

  int pending_count = 0;  // hard line ends held back while the line overflowed
  int pending_pos = 0;    // held-text position after which they fall

  int typed_indent_count = 0;    // column marks typed at the start of the source line
  int32_t typed_indent_pos = 0;  // the same as a position
  int32_t prev_start_pos = 0;    // start position of the previous line
  int col_width = 0;             // column unit of the font of the current line
  int prev_col_width = 0;        // ... and of the previous line

  bool formatting_on = true;  // ".AW"/".BA"/".BE"
  int indent_chars = 0;       // column marks written as the line's indentation

  int32_t zone_start() const { return right_margin - zone_width; }
};

// The WordStar / plain-text reader.
struct ReaderState {
  std::vector<uint8_t> input;  // the whole input file
  size_t input_pos = 0;
  bool input_open = false;

  uint8_t current = 0;  // current character
  bool pushed = false;  // a character pushed back for the character loop
  uint8_t pushed_char = 0;

  std::array<uint8_t, 256> queue{};  // bytes from 0x1D blocks, positions 1..255
  int queue_count = 0;
  int queue_read = 1;

  bool eof_read = false;     // the last read went beyond the end
  bool pending_lf = false;   // a bare LF was given as CR; the LF follows
  uint8_t last_decoded = 0;
  bool have_pushed_byte = false;  // modes 1 and 2: byte read ahead after the prefix
  uint8_t pushed_byte = 0;

  int input_mode = 0;          // 0 WordStar, 1 IBM, 2 Windows
  uint8_t column_char = 0;     // ".SC"
  uint8_t control_prefix = 0;  // ".PC"
  std::array<uint8_t, 256> input_table{};  // mode 0 translation

  bool paragraph_style = false;  // a 0x1D paragraph-style block was passed
  uint8_t style_level = 0;

  // notes (markers and number: NotesState)
  bool note_just_ended = false;
  bool note_line_ended = true;
  bool indent_next_note_line = false;

  // margin notes
  bool margin_notes_on = false;
  uint8_t margin_open = 0, margin_close = 0;
  bool margin_collect_allowed = true;
  uint8_t margin_note_lead = 0, margin_note_trail = 0;  // the two note characters of ".MN"
  int margin_width = 1;  // columns; 1 while margin notes are off

  // dot-line collection
  bool collecting_dot = false;
  std::string dot_line;

  bool dot_line_follows = false;  // held text is forced out before a dot line
  bool drop_next_blank = false;   // soft hyphen seen with formatting on
  int right_justify_count = 0;    // control 0 in this line
  bool line_start_flag = true;    // set at CR, cleared by every character except LF
  bool hyphenation_cancelled = false;
  int include_depth = 0;
};

struct TDotMacro {
  std::string Name;  // upper case, at most 30 characters
  std::string Body;  // at most 199 characters
  bool Active = false;
};

// The dot-command interpreter and the layout state it changes.
struct DotState {
  bool conditional_output = true;
  bool saved_condition = true;  // ".HT"
  bool copy_line = false;
  int sign_mode = 2;  // 0 add, 1 subtract, 2 absolute
  std::string command;  // two letters, upper case
  bool first_upper = true;
  size_t read_pos = 0;  // 1-based read position in the dot line

  std::array<int, 3> pending_heights{};
  int pending_right_margin = 0;
  bool new_page_request = false;

  int left_margin = 0;       // 0-based columns
  int paragraph_margin = 0;  // 0-based columns
  bool paragraph_start = true;
  int gutter = 0;  // columns
  int indent_scale = 60;
  bool formatting_off_total = false;
  bool paragraph_numbering = false;
  int graphics_size = 0;
  GraphicsCharTable graphics_chars;  // ".GR" and ".BT": characters counted with a picture's width
  bool graphics_lines = false;
  int bitmap_width = 100;
  int minimum_unhyphenated = 3;
  int hyphenation_mode = 0;
  int saved_hyphenation_mode = 0;
  int md_value = 0;
  std::string tex_pattern_request;  // ".HY name.TEX": the pattern file to load
  std::array<int, 3> typed_heights{8, 8, 8};  // line heights as typed, before normalising
  bool no_page_room_reported = false;  // ".PL" not above ".MT" + ".MB", told once per file

  int heading_level = 1;
  std::array<int, 10> heading_numbers{};  // levels 1..9
  bool numbers_just_set = false;
  bool heading_pending = false;
  bool heading_in_progress = false;
  bool template_output = false;
  bool macro_expanding = false;

  std::vector<TDotMacro> macros;

  // index marks in running text, per volume
  std::array<bool, 4> index_recording{};
  std::array<bool, 4> index_capital{};
  bool index_phrase = false;
  int index_mark_start = 0;  // line character count where the marks began
  std::array<int, 4> index_entries{};

  // fonts
  std::array<uint8_t, 4> font_slots{};
  std::array<uint8_t, 4> saved_font_slots{};
  int current_slot = 0;
  bool alternate_active = false;
  uint8_t alternate_saved = 0;
  uint8_t normal_font = 3;
  uint8_t alternate_font = 112;
  std::array<bool, kMaxFontNumber + 1> font_used{};
  std::array<uint8_t, 256> widths{};  // widths of the current font (printer dots)
  int32_t column_width = 0;            // column unit of the current font
};

// Run-wide names, modes and counters of the formatting run.
struct RunState {
  std::unique_ptr<TJobListNode> jobs;
  std::string input_name, output_name, notes_name, index_name;
  bool contents_mode = false;
  bool index_scan = false;
  bool same_name = false;
  std::string condition_text;
  std::vector<std::string> condition_words;
  int column_unit = 12;  // printer dots per column of 1/10 inch
  bool stop = false;     // the run stop flag
  int abort_code = 0;
  uint8_t last_written = kLineFeed;  // last character passed to the writer
  std::array<int, 10> saved_heading_numbers{};  // for ".CN" without argument
  int saved_heading_level = 1;
  std::string status_name;  // output name cut to 20 characters, for the status line
  // For runs without files (fuzzing, benchmarks): the input bytes instead of the input file,
  // and the formatted file kept in memory (run.writer.Streams[kTextStream].File.Memory()).
  bool input_from_memory = false;
  std::string input_bytes;
  bool output_in_memory = false;
  int status_pages = 0;
};

// Where a run reports to: the message list, message boxes and the main window.
struct RunOutlets {
  MessageList& list;
  MessageBoxes& boxes;
  MainNotifier& notifier;
};

struct FormatRun {
  // settings: a snapshot taken when the job starts; printer: the measured widths of the
  // printer that formatting refers to (kept by the caller for the whole run).
  FormatRun(const TSettingsRecord& settings_snapshot, const TPrinterDataRecord& printer_data,
            RunOutlets outlets)
      : settings(settings_snapshot),
        printer(&printer_data),
        messages(settings, outlets.list, outlets.boxes, outlets.notifier),
        writer(&messages) {}
  FormatRun(const FormatRun&) = delete;
  FormatRun& operator=(const FormatRun&) = delete;

  TSettingsRecord settings;
  const TPrinterDataRecord* printer;
  FileContext files;  // current document, program directory, search directories
  RunMessages messages;
  std::unique_ptr<Hyphenator> hyphenator;  // null: hyphenation mode "none"
  // Index n - 1 for font n: Fonts.ini generated its italic and bold variants
  // (FontDefinitionTables::AutoVariant; may be null).
  const std::array<uint8_t, kFontCount>* auto_variants = nullptr;

  RunState run;
  ReaderState reader;
  DotState dot;
  std::array<LineStream, 2> streams;
  int current_stream = kTextStream;

  LineStream& cur() { return streams[current_stream]; }

  // ---- state of the other units of the engine, one line each ----
  LayoutValues layout;
  PageState pages;
  DotLineReader dotline;
  FormattedWriter writer;
  NotesState notes;
  IndexVolumes index_volumes;
  HeadingsTemplate headings;  // loaded at the first heading of the job
};

}  // namespace tavrel
