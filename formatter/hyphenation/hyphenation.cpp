#include "formatter/hyphenation/hyphenation.h"

#include <algorithm>
#include <string_view>

#include "formatter/common/bilingual_texts.h"
#include "formatter/common/file_services.h"
#include "formatter/common/messages.h"
#include "formatter/formatting/format_run.h"
#include "formatter/hyphenation/german_syllables.h"
#include "formatter/common/message_boxes.h"
#include "formatter/common/settings_record.h"

namespace tavrel {

namespace {

HyphenationTables BuildTables() {
  HyphenationTables t;
  for (int c = 0; c < 256; ++c) {
    std::uint8_t m = ' ';
    if (c < 32) m = 0;
    else if (c == '&' || c == '-' || c == '/' || c == '=' || c == '_') m = '-';
    else if (c >= 'A' && c <= 'Z') m = static_cast<std::uint8_t>(c - 'A' + 'a');
    else if ((c >= 'a' && c <= 'z') || c == 0x84 || c == 0x94 || c == 0x81 || c == 0xE1)
      m = static_cast<std::uint8_t>(c);
    else if (c == 0x8E) m = 0x84;  // Ä
    else if (c == 0x99) m = 0x94;  // Ö
    else if (c == 0x9A) m = 0x81;  // Ü
    t.letter[c] = m;
  }
  for (unsigned char c : std::string_view("aeiouy\x84\x94\x81")) t.vowel[c] = true;
  for (unsigned char c : std::string_view("bcdfghjklmnpqrstvwxz\xE1")) t.consonant[c] = true;
  for (int c = 'A'; c <= 'Z'; ++c) t.capital[c] = true;
  t.capital[0x8E] = t.capital[0x99] = t.capital[0x9A] = true;
  return t;
}

bool IsDigit(std::uint8_t c) { return c >= '0' && c <= '9'; }

}  // namespace

const HyphenationTables& GetHyphenationTables() {
  static const HyphenationTables tables = BuildTables();
  return tables;
}

void InitHyphenationTables(HyphenationState& state) {
  state.german.Reset();
  state.greek.Reset();
  state.manual.Reset();
  state.cancelled = false;
}

bool IsBreakPositionEligible(const HyphenationParams& params, const std::uint8_t* held, int len,
                             int p) {
  const auto& t = GetHyphenationTables();
  // ".HN" may be any 32-bit number; past 256 the window lies outside every word buffer anyway,
  // and the clamp keeps p + n from overflowing.
  const int n = std::clamp(params.min_letters, 0, 256);
  for (int i = p - n; i <= p + n; ++i)
    if (!IsHyphenLetter(t.letter[HeldChar(held, len, i)])) return false;
  if (params.capitals_unsplit) {
    for (int i = p; i <= p + 2; ++i)
      if (t.capital[HeldChar(held, len, i)]) return false;
  }
  return true;
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
  ++state.questions;
  if (!state.ask) return false;
  switch (state.ask(HyphenationProposalText(held, len, p))) {
    case HyphenationAnswer::kYes:
      return true;
    case HyphenationAnswer::kCancel:
      state.cancelled = true;
      return false;
    default:
      return false;
  }
}

std::int32_t TexRating(HyphenationState& state, const std::uint8_t* held, int len, int p) {
  if (!state.tex) return 0;
  return state.tex_cache.Rating(*state.tex, held, len, p);
}

BreakVerdict MayBreakAt(HyphenationState& state, const std::uint8_t* held, int len, int p) {
  const auto& t = GetHyphenationTables();
  BreakVerdict v;
  v.position = p;
  auto raw = [&](int i) { return HeldChar(held, len, i); };
  auto w = [&](int k) { return t.letter[raw(p - 1 + k)]; };

  const bool next_is_blank = raw(p + 1) == ' ';
  if (w(1) == '-' && raw(p) != raw(p + 1) && w(2) != '-' && w(0) != ' ') {
    if (raw(p) == '-' && IsDigit(raw(p + 1))) {
      // a minus sign in front of a number
    } else if (raw(p) == '/') {
      v.explicit_break = !IsDigit(raw(p - 1)) && !IsDigit(raw(p + 1)) && IsHyphenLetter(w(3)) &&
                         IsHyphenLetter(w(4));
    } else {
      v.explicit_break = true;
    }
  }

  HyphenationWordState& word = state.word;
  if (next_is_blank || p >= word.right_limit || p == word.remembered_position ||
      v.explicit_break || !IsBreakPositionEligible(state.params, held, len, p))
    return v;

  auto find_manual = [&] {
    return state.params.learn != 0 && state.manual.Loaded() &&
           state.manual.Contains(MakeLearnedContext(held, len, p, 0));
  };
  switch (state.params.mode) {
    case kHyphenManual:
      if (IsHyphenLetter(w(4))) {
        if (find_manual()) {
          v.may_break = true;
        } else {
          v.may_break = AskHyphenationProposal(state, held, len, p);
          if (v.may_break && state.params.learn != 0 && state.manual.Loaded())
            state.manual.Add(MakeLearnedContext(held, len, p, 0));
        }
        word.first_decision_pending = false;
      }
      break;
    case kHyphenNone:
      word.first_decision_pending = false;
      break;
    case kHyphenTex:
      v.may_break = TexRating(state, held, len, p) >= state.params.minimal_rating;
      break;
    case kHyphenTexThenGerman: {
      const std::int32_t rating = TexRating(state, held, len, p);
      if (rating == 0)
        v.may_break = GermanHyphenationRules(state, held, len, v.position);
      else
        v.may_break = rating >= state.params.minimal_rating;
      break;
    }
    default:
      v.may_break = GermanHyphenationRules(state, held, len, v.position);
      // At the position the rules settled on, which may have moved.
      v.ck = v.may_break && t.letter[raw(v.position)] == 'c' && t.letter[raw(v.position + 1)] == 'k';
      break;
  }
  v.cancelled = state.cancelled;
  return v;
}

HyphenationParams ParamsFromSettings(const TSettingsRecord& settings) {
  HyphenationParams params;
  params.mode = settings.HyphenationMode;
  params.min_letters = settings.DefaultHN;
  params.minimal_rating = settings.MinimalRating;
  params.learn = settings.LearnHyphenations;
  params.capitals_unsplit = settings.CapitalAreasUnsplit != 0;
  params.ask_if_doubtful = settings.AskIfDoubtful != 0;
  params.ancient_greek = settings.AncientGreek != 0;
  return params;
}

bool LoadLearnedListsForRun(HyphenationState& state, int settings_mode, bool ancient_greek,
                            const std::string& directory, HyphenationMessage* error) {
  state.german.Reset();
  state.greek.Reset();
  state.manual.Reset();
  if (state.params.learn == 0) return true;
  auto load = [&](LearnedHyphenationList& list) {
    if (state.params.learn != 2) {
      list.StartEmpty();
      return true;
    }
    return list.LoadFile(list.FileName(directory), error);
  };
  if (settings_mode == kHyphenManual) return load(state.manual);
  if (settings_mode == kHyphenGerman) {
    if (!load(state.german)) return false;
    if (ancient_greek) return load(state.greek);
  }
  return true;
}

bool SaveAllLearnedHyphenations(HyphenationState& state, const std::string& directory,
                                bool stopped, HyphenationMessage* error) {
  if (stopped || state.params.learn != 2) return true;
  for (LearnedHyphenationList* list : {&state.german, &state.greek, &state.manual}) {
    if (!list->Loaded() || !list->HasAdditions()) continue;
    if (!list->SaveFile(list->FileName(directory), error)) return false;
  }
  return true;
}

// ---------------------------------------------------------------- the run's call-out

RuleHyphenator::RuleHyphenator(std::shared_ptr<TexPatternTable> tex) {
  state_.tex = tex ? std::move(tex) : std::make_shared<TexPatternTable>();
}

// The question goes to the run's message boxes, shown in the display code page.
void RuleHyphenator::AskThrough(FormatRun& run) {
  FormatRun* r = &run;
  state_.ask = [r](const std::string& text) {
    MessageBoxes* boxes = r->messages.Boxes();
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
  state_.params = ParamsFromSettings(run.settings);
  state_.questions = 0;
  std::string name = "SILBAUSN.WS";
  if (LocateFile(name, run.files))
    state_.exceptions.LoadFile(name);
  else
    state_.exceptions.Clear();
  HyphenationMessage error;
  if (!LoadLearnedListsForRun(state_, run.settings.HyphenationMode, run.settings.AncientGreek != 0,
                              ExtractDirectoryPart(run.files.CurrentDocument), &error)) {
    run.messages.ReportFormatError(run.messages.Show(error));
    run.messages.InterruptFormatJob();
  }
}

void RuleHyphenator::BeginFile(FormatRun& run) {
  state_.params.min_letters = run.dot.minimum_unhyphenated;
  state_.params.mode = run.dot.hyphenation_mode;
  // Mode 5 rates with the same file before it falls back to the German rules.
  if (run.settings.HyphenationMode == kHyphenTex ||
      run.settings.HyphenationMode == kHyphenTexThenGerman)
    LoadTexPatterns(run, run.settings.TexPatternFile.Str());
}

void RuleHyphenator::EndRun(FormatRun& run, bool interrupted) {
  HyphenationMessage error;
  const bool stopped = interrupted || state_.cancelled || run.run.stop;
  if (!SaveAllLearnedHyphenations(state_, ExtractDirectoryPart(run.files.CurrentDocument), stopped,
                                  &error)) {
    run.messages.ReportFormatError(run.messages.Show(error));
    run.messages.InterruptFormatJob();
  }
}

void RuleHyphenator::LoadTexPatterns(FormatRun& run, const std::string& name) {
  std::string found = name;
  if (!LocateFile(found, run.files)) {
    run.messages.ReportFormatError(
        run.messages.Show(ComposeMessage(MessageId::kHyphenationFileNotFound, {name})));
    return;
  }
  const TexLoadReport report = state_.tex->LoadFile(found);
  using Status = TexLoadReport::Status;
  if (report.status == Status::kTooLarge) {
    run.messages.ReportFormatError(
        run.messages.Show(ComposeMessage(MessageId::kHyphenationFileTooLarge, {name})));
  } else if (report.status == Status::kOpenFailed) {
    run.messages.ReportFormatError(
        run.messages.Show(ComposeMessage(MessageId::kErrorOpeningHyphenationFile, {found})));
  } else if (report.status == Status::kLoaded && report.cr_lines > 0 &&
             report.cr_lines * 2 >= report.patterns) {
    // Documented behaviour: CR LF lines keep their CR, so their patterns never match.
    run.messages.ReportFormatInfo(
        run.messages.Show(ComposeMessage(MessageId::kHyphenationFileCrLf, {name})));
  }
}

void RuleHyphenator::BeginWord(FormatRun& run, int right_limit) {
  (void)run;
  HyphenationWordState& word = state_.word;
  word = HyphenationWordState{};
  word.right_limit = right_limit;
}

MayBreakResult RuleHyphenator::MayBreakAt(FormatRun& run, const uint8_t* held, int len, int p) {
  MayBreakResult result;
  HyphenationWordState& word = state_.word;
  // Positions that a move of the German rules stepped over are not proposed again.
  if (p >= word.skip_from && p <= word.skip_to && word.skip_from > 0) return result;
  // After Cancel nothing more is asked; the run ends at the paragraph's line end.
  if (state_.cancelled) {
    result.stop_search = true;
    return result;
  }

  if (!run.dot.tex_pattern_request.empty()) {
    // ".HY name.TEX": the table is cleared and the named file loaded, even under the same name.
    const std::string name = run.dot.tex_pattern_request;
    run.dot.tex_pattern_request.clear();
    state_.tex->Free();
    LoadTexPatterns(run, name);
  }
  state_.params.mode = run.dot.hyphenation_mode;
  state_.params.min_letters = run.dot.minimum_unhyphenated;
  if (!state_.ask) AskThrough(run);

  const bool cancelled_before = state_.cancelled;
  const BreakVerdict v = tavrel::MayBreakAt(state_, held, len, p);
  if (state_.cancelled && !cancelled_before) {
    run.reader.hyphenation_cancelled = true;
    run.messages.RequestStopFormatting();
    result.stop_search = true;
    return result;
  }
  result.explicit_break = v.explicit_break;
  if (v.position != p) {
    // The rules moved the break (a prefix back, or a Greek cluster to the position declined
    // before): the word breaker judges the verdict there and goes on below it. Positions the
    // move stepped over are not proposed again.
    result.position = v.position;
    if (v.position < p) {
      word.skip_from = v.position + 1;
      word.skip_to = p - 1;
    }
  }
  result.may_break = v.may_break;
  result.ck = v.ck;
  return result;
}

}  // namespace tavrel
