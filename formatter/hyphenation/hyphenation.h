// Hyphenation: whether a line may be broken with a hyphen at one position of the word buffer.
// The word breaker walks an overflowing word from right to left and asks for each position; the
// answer comes from the hyphenation mode: none, manual (the user is asked, answers are learned),
// TeX patterns, the built-in German rules, or TeX patterns with the German rules as fall-back.
//
// The decision is callable on its own: a word buffer, a position and a HyphenationState (mode,
// minimal rating, lists, the question) in, a BreakVerdict out. RuleHyphenator plugs it into the
// formatting run's word breaker.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "formatter/formatting/word_breaking.h"
#include "formatter/hyphenation/learned_hyphenations.h"
#include "formatter/hyphenation/tex_patterns.h"

namespace tavrel {

struct FormatRun;
struct TSettingsRecord;

// Hyphenation modes of the settings and of ".HY"; any other value means the German rules.
enum HyphenationModeValue : int {
  kHyphenGerman = 0,
  kHyphenManual = 2,
  kHyphenNone = 3,
  kHyphenTex = 4,
  kHyphenTexThenGerman = 5,
};

// The character tables shared by every method, over code page 850. They are fixed, so one
// immutable copy serves every run and thread.
struct HyphenationTables {
  std::array<std::uint8_t, 256> Letter{};  // letter map: lower case, "-" for hyphen-likes, blank
  std::array<bool, 256> Vowel{};           // over letter-mapped characters
  std::array<bool, 256> Consonant{};
  std::array<bool, 256> Capital{};  // over raw characters
  // Over raw characters: the letter map gives a letter. Every position of every word asks.
  std::array<bool, 256> WordLetter{};
};
const HyphenationTables& GetHyphenationTables();

// A letter (word character): any letter-map value other than blank and "-".
inline bool IsHyphenLetter(std::uint8_t mapped) { return mapped != ' ' && mapped != '-'; }

// The settings that steer one decision; a copy per source file, changed by ".HY" and ".HN".
struct HyphenationParams {
  int Mode = kHyphenGerman;
  int MinLetters = 3;     // ".HN": letters kept on each side of a break
  int MinimalRating = 1;  // TeX rating needed for a break
  int Learn = 2;          // 2 learn and keep in files, 1 during the run only, 0 never
  bool CapitalsUnsplit = true;
  bool AskIfDoubtful = false;
  bool AncientGreek = false;
};

// Per-word state: cleared by the word breaker before it starts on a word.
struct HyphenationWordState {
  bool FirstDecisionPending = true;
  bool GreekDecided = false;
  int GreekPosition = 0;
  int RightLimit = 255;        // positions from here on are not hyphenated
  int RememberedPosition = 0;  // a declined doubtful position (0: none)
  int SkipFrom = 0;            // positions above this and below skip_to were passed by a move
  int SkipTo = 0;
};

// The outcome for one position.
struct BreakVerdict {
  bool MayBreak = false;       // hyphenation break: a hyphen is added
  bool ExplicitBreak = false;  // break after a hyphen or slash of the text
  bool Ck = false;             // German "ck": the "c" is printed as "k" before the hyphen
  bool Cancelled = false;      // the user cancelled the question: the run stops
  int Position = 0;            // the position the search goes on from (moved by the rules)
};

// Answers of the hyphenation question.
enum class HyphenationAnswer { kYes, kNo, kCancel };

// Everything one formatting run keeps for hyphenation.
struct HyphenationState {
  HyphenationParams Params;
  HyphenationWordState Word;
  LearnedHyphenationList German{"DEUT"};
  LearnedHyphenationList Greek{"GRIE"};
  LearnedHyphenationList Manual{"ENGL"};
  SyllableExceptions Exceptions;
  // Stays loaded across runs while the file name is unchanged, so it may be shared.
  std::shared_ptr<TexPatternTable> Tex;
  TexRatingCache TexCache;
  // The question box: the text in code page 850; unset answers No.
  std::function<HyphenationAnswer(const std::string& text)> ask;
  bool Cancelled = false;  // Cancel was pressed during this run
  int Questions = 0;       // questions asked during this run
};

// Clears the learned-list anchors; the character tables are fixed.
void InitHyphenationTables(HyphenationState& state);

// Judges position p of held[1..len] (the break falls between p and p + 1).
BreakVerdict MayBreakAt(HyphenationState& state, const std::uint8_t* held, int len, int p);

// At least n letters each side of the break (positions p - n .. p + n are letters); with
// capitals_unsplit no capital at p, p + 1 or p + 2.
bool IsBreakPositionEligible(const HyphenationParams& params, const std::uint8_t* held, int len,
                             int p);

// The question text (code page 850): Trennungsvorschlag "...<held 1..p>-<held p+1..len>...".
std::string HyphenationProposalText(const std::uint8_t* held, int len, int p);
// Asks; Cancel marks the state cancelled and counts as No.
bool AskHyphenationProposal(HyphenationState& state, const std::uint8_t* held, int len, int p);

// ---- the formatting run ----

// Copies the hyphenation settings of the record (mode, ".HN" default, rating, learning, ...).
HyphenationParams ParamsFromSettings(const TSettingsRecord& settings);

// Run start: the learned lists that the settings' mode needs ("ENGL" for manual, "DEUT" and
// with ancient Greek "GRIE" for the German rules); from files in `directory` with learning 2,
// empty with learning 1, none with 0. False with the message when a file could not be read.
bool LoadLearnedListsForRun(HyphenationState& state, int settings_mode, bool ancient_greek,
                            const std::string& directory, HyphenationMessage* error);
// Run end: writes this run's additions of every loaded list when learning is 2 and the run was
// not stopped. False with the message when a file could not be written.
bool SaveAllLearnedHyphenations(HyphenationState& state, const std::string& directory, bool stopped,
                                HyphenationMessage* error);

// The word breaker's call-out: decides with the run's current mode and ".HN", asks through the
// run's message boxes and stops the run on Cancel. The pattern table may be shared with later
// runs so that an unchanged pattern file is not read again.
class RuleHyphenator final : public Hyphenator {
 public:
  explicit RuleHyphenator(std::shared_ptr<TexPatternTable> tex = nullptr);
  HyphenationState& State() { return state_; }

  // Tables, "SILBAUSN.WS", learned lists.
  void BeginRun(FormatRun& run) override;
  // Modes 4 and 5 load the pattern file of the settings.
  void BeginFile(FormatRun& run) override;
  void EndRun(FormatRun& run, bool interrupted) override;
  void BeginWord(FormatRun& run, int right_limit) override;
  MayBreakResult MayBreakAt(FormatRun& run, const uint8_t* held, int len, int p) override;

  // Finds the file (document directory, search directories, program directory) and loads it;
  // a missing file is reported and leaves the table as it was.
  void LoadTexPatterns(FormatRun& run, const std::string& name);

 private:
  void AskThrough(FormatRun& run);

  HyphenationState state_;
};

}  // namespace tavrel
