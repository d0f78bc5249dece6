#include "formatter/hyphenation/hyphenation.h"

#include <algorithm>
#include <string_view>

#include "formatter/common/bilingual_texts.h"
#include "formatter/common/file_services.h"
#include "formatter/common/message_boxes.h"
#include "formatter/common/messages.h"
#include "formatter/common/settings_record.h"
#include "formatter/formatting/format_run.h"
#include "formatter/hyphenation/german_syllables.h"

namespace tavrel {

namespace {

HyphenationTables BuildTables() {
  HyphenationTables t;
  for (int c = 0; c < 256; ++c) {
    std::uint8_t m = ' ';
    if (c < 32)
      m = 0;
    else if (c == '&' || c == '-' || c == '/' || c == '=' || c == '_')
      m = '-';
    else if (c >= 'A' && c <= 'Z')
      m = static_cast<std::uint8_t>(c - 'A' + 'a');
    else if ((c >= 'a' && c <= 'z') || c == 0x84 || c == 0x94 || c == 0x81 || c == 0xE1)
      m = static_cast<std::uint8_t>(c);
    else if (c == 0x8E)
      m = 0x84;  // Ä
    else if (c == 0x99)
      m = 0x94;  // Ö
    else if (c == 0x9A)
      m = 0x81;  // Ü
    t.Letter[c] = m;
    t.WordLetter[c] = IsHyphenLetter(m);
  }
  for (unsigned char c : std::string_view("aeiouy\x84\x94\x81")) t.Vowel[c] = true;
  for (unsigned char c : std::string_view("bcdfghjklmnpqrstvwxz\xE1")) t.Consonant[c] = true;
  for (int c = 'A'; c <= 'Z'; ++c) t.Capital[c] = true;
  t.Capital[0x8E] = t.Capital[0x99] = t.Capital[0x9A] = true;
  return t;
}

bool IsDigit(std::uint8_t c) { return c >= '0' && c <= '9'; }

}  // namespace

const HyphenationTables& GetHyphenationTables() {
  static const HyphenationTables tables = BuildTables();
  return tables;
}

void InitHyphenationTables(HyphenationState& state) {
  state.German.Reset();
  state.Greek.Reset();
  state.Manual.Reset();
  state.Cancelled = false;
}

namespace {

// Inline in MayBreakAt: the word breaker asks for every position of a word.
[[gnu::always_inline]] inline bool EligibleAt(const HyphenationTables& t,
                                              const HyphenationParams& params,
                                              const std::uint8_t* held, int len, int p) {
  // ".HN" may be any 32-bit number; past 256 the window lies outside every word buffer anyway,
  // and the clamp keeps p + n from overflowing.
  const int n = std::clamp(params.MinLetters, 0, 256);
  // Outside the word every byte reads as a blank, which is no letter.
  if (p - n < 1 || p + n > len) return false;
  for (int i = p - n; i <= p + n; ++i)
    if (!t.WordLetter[held[i]]) return false;
  if (params.CapitalsUnsplit) {
    for (int i = p; i <= p + 2; ++i)
      if (t.Capital[HeldChar(held, len, i)]) return false;
  }
  return true;
}

[[gnu::always_inline]] inline std::int32_t CachedTexRating(HyphenationState& state,
                                                           const std::uint8_t* held, int len,
                                                           int p) {
  if (!state.Tex) return 0;
  return state.TexCache.Rating(*state.Tex, held, len, p);
}

}  // namespace

bool IsBreakPositionEligible(const HyphenationParams& params, const std::uint8_t* held, int len,
                             int p) {
  return EligibleAt(GetHyphenationTables(), params, held, len, p);
}

std::string HyphenationProposalText(const std::uint8_t* held, int len, int p) {
  std::string text = "Trennungsvorschlag \"...";
  const int cut = std::clamp(p, 0, len);
  for (int i = 1; i <= cut; ++i) text += static_cast<char>(held[i]);
  text += '-';
  for (int i = cut + 1; i <= len; ++i) text += static_cast<char>(held[i]);
  text += "...\"";
  return text;
}

bool AskHyphenationProposal(HyphenationState& state, const std::uint8_t* held, int len, int p) {
  ++state.Questions;
  if (!state.ask) return false;
  switch (state.ask(HyphenationProposalText(held, len, p))) {
    case HyphenationAnswer::kYes:
      return true;
    case HyphenationAnswer::kCancel:
      state.Cancelled = true;
      return false;
    default:
      return false;
  }
}

BreakVerdict MayBreakAt(HyphenationState& state, const std::uint8_t* held, int len, int p) {
  const auto& t = GetHyphenationTables();
  BreakVerdict v;
  v.Position = p;
  auto raw = [&](int i) { return HeldChar(held, len, i); };
  auto w = [&](int k) { return t.Letter[raw(p - 1 + k)]; };

  const bool next_is_blank = raw(p + 1) == ' ';
  if (w(1) == '-' && raw(p) != raw(p + 1) && w(2) != '-' && w(0) != ' ') {
    if (raw(p) == '-' && IsDigit(raw(p + 1))) {
      // a minus sign in front of a number
    } else if (raw(p) == '/') {
      v.ExplicitBreak = !IsDigit(raw(p - 1)) && !IsDigit(raw(p + 1)) && IsHyphenLetter(w(3)) &&
                        IsHyphenLetter(w(4));
    } else {
      v.ExplicitBreak = true;
    }
  }

  HyphenationWordState& word = state.Word;
  if (next_is_blank || p >= word.RightLimit || p == word.RememberedPosition || v.ExplicitBreak ||
      !EligibleAt(t, state.Params, held, len, p))
    return v;

  auto find_manual = [&] {
    return state.Params.Learn != 0 && state.Manual.Loaded() &&
           state.Manual.Contains(MakeLearnedContext(held, len, p, 0));
  };
  switch (state.Params.Mode) {
    case kHyphenManual:
      if (IsHyphenLetter(w(4))) {
        if (find_manual()) {
          v.MayBreak = true;
        } else {
          v.MayBreak = AskHyphenationProposal(state, held, len, p);
          if (v.MayBreak && state.Params.Learn != 0 && state.Manual.Loaded())
            state.Manual.Add(MakeLearnedContext(held, len, p, 0));
        }
        word.FirstDecisionPending = false;
      }
      break;
    case kHyphenNone:
      word.FirstDecisionPending = false;
      break;
    case kHyphenTex:
      v.MayBreak = CachedTexRating(state, held, len, p) >= state.Params.MinimalRating;
      break;
    case kHyphenTexThenGerman: {
      const std::int32_t rating = CachedTexRating(state, held, len, p);
      if (rating == 0)
        v.MayBreak = GermanHyphenationRules(state, held, len, v.Position);
      else
        v.MayBreak = rating >= state.Params.MinimalRating;
      break;
    }
    default:
      v.MayBreak = GermanHyphenationRules(state, held, len, v.Position);
      // At the position the rules settled on, which may have moved.
      v.Ck = v.MayBreak && t.Letter[raw(v.Position)] == 'c' && t.Letter[raw(v.Position + 1)] == 'k';
      break;
  }
  v.Cancelled = state.Cancelled;
  return v;
}

HyphenationParams ParamsFromSettings(const TSettingsRecord& settings) {
  HyphenationParams params;
  params.Mode = settings.HyphenationMode;
  params.MinLetters = settings.DefaultHN;
  params.MinimalRating = settings.MinimalRating;
  params.Learn = settings.LearnHyphenations;
  params.CapitalsUnsplit = settings.CapitalAreasUnsplit != 0;
  params.AskIfDoubtful = settings.AskIfDoubtful != 0;
  params.AncientGreek = settings.AncientGreek != 0;
  return params;
}

bool LoadLearnedListsForRun(HyphenationState& state, int settings_mode, bool ancient_greek,
                            const std::string& directory, HyphenationMessage* error) {
  state.German.Reset();
  state.Greek.Reset();
  state.Manual.Reset();
  if (state.Params.Learn == 0) return true;
  auto load = [&](LearnedHyphenationList& list) {
    if (state.Params.Learn != 2) {
      list.StartEmpty();
      return true;
    }
    return list.LoadFile(list.FileName(directory), error);
  };
  if (settings_mode == kHyphenManual) return load(state.Manual);
  if (settings_mode == kHyphenGerman) {
    if (!load(state.German)) return false;
    if (ancient_greek) return load(state.Greek);
  }
  return true;
}

bool SaveAllLearnedHyphenations(HyphenationState& state, const std::string& directory, bool stopped,
                                HyphenationMessage* error) {
  if (stopped || state.Params.Learn != 2) return true;
  for (LearnedHyphenationList* list : {&state.German, &state.Greek, &state.Manual}) {
    if (!list->Loaded() || !list->HasAdditions()) continue;
    if (!list->SaveFile(list->FileName(directory), error)) return false;
  }
  return true;
}

// ---------------------------------------------------------------- the run's call-out

RuleHyphenator::RuleHyphenator(std::shared_ptr<TexPatternTable> tex) {
  state_.Tex = tex ? std::move(tex) : std::make_shared<TexPatternTable>();
}

// The question goes to the run's message boxes, shown in the display code page.
void RuleHyphenator::AskThrough(FormatRun& run) {
  FormatRun* r = &run;
  state_.ask = [r](const std::string& text) {
    MessageBoxes* boxes = r->Messages.Boxes();
    if (!boxes) return HyphenationAnswer::kNo;
    const int answer =
        boxes->AskMessageBox(ToDisplayText(text), kBoxConfirmation, BoxButtons::YesNoCancel);
    if (answer == kAnswerYes) return HyphenationAnswer::kYes;
    if (answer == kAnswerCancel) return HyphenationAnswer::kCancel;
    return HyphenationAnswer::kNo;
  };
}

void RuleHyphenator::BeginRun(FormatRun& run) {
  InitHyphenationTables(state_);
  AskThrough(run);
  state_.Params = ParamsFromSettings(run.Settings);
  state_.Questions = 0;
  std::string name = "SILBAUSN.WS";
  if (LocateFile(name, run.Files))
    state_.Exceptions.LoadFile(name);
  else
    state_.Exceptions.Clear();
  HyphenationMessage error;
  if (!LoadLearnedListsForRun(state_, run.Settings.HyphenationMode, run.Settings.AncientGreek != 0,
                              ExtractDirectoryPart(run.Files.CurrentDocument), &error)) {
    run.Messages.ReportFormatError(run.Messages.Show(error));
    run.Messages.InterruptFormatJob();
  }
}

void RuleHyphenator::BeginFile(FormatRun& run) {
  state_.Params.MinLetters = run.Dot.MinimumUnhyphenated;
  state_.Params.Mode = run.Dot.HyphenationMode;
  // Mode 5 rates with the same file before it falls back to the German rules.
  if (run.Settings.HyphenationMode == kHyphenTex ||
      run.Settings.HyphenationMode == kHyphenTexThenGerman)
    LoadTexPatterns(run, run.Settings.TexPatternFile.Str());
}

void RuleHyphenator::EndRun(FormatRun& run, bool interrupted) {
  HyphenationMessage error;
  const bool stopped = interrupted || state_.Cancelled || run.Run.Stop;
  if (!SaveAllLearnedHyphenations(state_, ExtractDirectoryPart(run.Files.CurrentDocument), stopped,
                                  &error)) {
    run.Messages.ReportFormatError(run.Messages.Show(error));
    run.Messages.InterruptFormatJob();
  }
}

void RuleHyphenator::LoadTexPatterns(FormatRun& run, const std::string& name) {
  std::string found = name;
  if (!LocateFile(found, run.Files)) {
    run.Messages.ReportFormatError(
        run.Messages.Show(ComposeMessage(MessageId::kHyphenationFileNotFound, {name})));
    return;
  }
  const TexLoadReport report = state_.Tex->LoadFile(found);
  using Status = TexLoadReport::Status;
  if (report.Outcome == Status::kTooLarge) {
    run.Messages.ReportFormatError(
        run.Messages.Show(ComposeMessage(MessageId::kHyphenationFileTooLarge, {name})));
  } else if (report.Outcome == Status::kOpenFailed) {
    run.Messages.ReportFormatError(
        run.Messages.Show(ComposeMessage(MessageId::kErrorOpeningHyphenationFile, {found})));
  } else if (report.Outcome == Status::kLoaded && report.CrLines > 0 &&
             report.CrLines * 2 >= report.Patterns) {
    // Documented behaviour: CR LF lines keep their CR, so their patterns never match.
    run.Messages.ReportFormatInfo(
        run.Messages.Show(ComposeMessage(MessageId::kHyphenationFileCrLf, {name})));
  }
}

void RuleHyphenator::BeginWord(FormatRun& run, int right_limit) {
  (void)run;
  HyphenationWordState& word = state_.Word;
  word = HyphenationWordState{};
  word.RightLimit = right_limit;
}

MayBreakResult RuleHyphenator::MayBreakAt(FormatRun& run, const uint8_t* held, int len, int p) {
  MayBreakResult result;
  HyphenationWordState& word = state_.Word;
  // Positions that a move of the German rules stepped over are not proposed again.
  if (p >= word.SkipFrom && p <= word.SkipTo && word.SkipFrom > 0) return result;
  // After Cancel nothing more is asked; the run ends at the paragraph's line end.
  if (state_.Cancelled) {
    result.StopSearch = true;
    return result;
  }

  if (!run.Dot.TexPatternRequest.empty()) {
    // ".HY name.TEX": the table is cleared and the named file loaded, even under the same name.
    const std::string name = run.Dot.TexPatternRequest;
    run.Dot.TexPatternRequest.clear();
    state_.Tex->Free();
    LoadTexPatterns(run, name);
  }
  state_.Params.Mode = run.Dot.HyphenationMode;
  state_.Params.MinLetters = run.Dot.MinimumUnhyphenated;
  if (!state_.ask) AskThrough(run);

  const bool cancelled_before = state_.Cancelled;
  const BreakVerdict v = tavrel::MayBreakAt(state_, held, len, p);
  if (state_.Cancelled && !cancelled_before) {
    run.Reader.HyphenationCancelled = true;
    run.Messages.RequestStopFormatting();
    result.StopSearch = true;
    return result;
  }
  result.ExplicitBreak = v.ExplicitBreak;
  if (v.Position != p) {
    // The rules moved the break (a prefix back, or a Greek cluster to the position declined
    // before): the word breaker judges the verdict there and goes on below it. Positions the
    // move stepped over are not proposed again.
    result.Position = v.Position;
    if (v.Position < p) {
      word.SkipFrom = v.Position + 1;
      word.SkipTo = p - 1;
    }
  }
  result.MayBreak = v.MayBreak;
  result.Ck = v.Ck;
  return result;
}

}  // namespace tavrel
