// Word breaking: text near the right margin is held in a word buffer until the line
// overflows; then a break position is searched backwards in the held text.
#pragma once

#include <cstdint>

namespace tavrel {

struct FormatRun;

// What the may-break judgement says about one position of the held text.
struct MayBreakResult {
  bool MayBreak = false;       // a hyphenation break: a hyphen is added
  bool ExplicitBreak = false;  // after a hyphen or slash that stands in the text
  bool Ck = false;             // German "ck" split: the "c" is printed as "k"
  bool StopSearch = false;     // the search ends here without a break
  // 0: the verdict is for the position asked. Otherwise the rules moved the break there: the
  // verdict is for that position, and a search that finds no break there goes on below it.
  int Position = 0;
};

// The call-out point for hyphenation. The word breaker asks it for each position while it
// searches backwards; an implementation for the hyphenation modes plugs in here through
// FormatRun::hyphenator. Without one, words are never hyphenated (mode "none"), but breaks
// after a hyphen that stands in the text are still found.
class Hyphenator {
 public:
  virtual ~Hyphenator() = default;
  // Run and file hooks of the formatting run: tables and learned lists at the start of a
  // run, the mode of a file (run.dot.hyphenation_mode, changed by ".HY"), the write-back at
  // its end (not after an interruption).
  virtual void BeginRun(FormatRun& run) { (void)run; }
  virtual void BeginFile(FormatRun& run) { (void)run; }
  virtual void EndRun(FormatRun& run, bool interrupted) {
    (void)run;
    (void)interrupted;
  }
  // Once per word before the search; right_limit is the first position not to hyphenate.
  virtual void BeginWord(FormatRun& run, int right_limit) {
    (void)run;
    (void)right_limit;
  }
  // held[1..len] is the word buffer; p is the last position that would stay on the line
  // (the break falls between p and p + 1).
  virtual MayBreakResult MayBreakAt(FormatRun& run, const uint8_t* held, int len, int p) = 0;
};

// Mode "none": no hyphenation; a hyphen in the text (not a minus before a digit) breaks.
class NoHyphenation final : public Hyphenator {
 public:
  MayBreakResult MayBreakAt(FormatRun& run, const uint8_t* held, int len, int p) override;
};

// Zone width in columns for a right margin of n columns: min(n - 5, 30), never below 0.
int ZoneColumns(int right_margin_columns);

// One text character while formatting is on: written, or held in the zone.
void AssembleWordChar(FormatRun& run);

// Breaks the held text of the current stream (overflow reached 6, or forced).
void BreakWord(FormatRun& run, bool table_error);

// Writes the toggles of the attributes that are on (underline, italic, bold), switching
// the font slot for italic and bold as a typed toggle does.
void WriteBreakAttributes(FormatRun& run, bool underline, bool italic, bool bold);

}  // namespace tavrel
