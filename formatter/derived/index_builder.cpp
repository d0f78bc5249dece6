#include "formatter/derived/index_builder.h"

#include <algorithm>
#include <charconv>

#include "formatter/common/file_services.h"
#include "formatter/common/formatted_file.h"
#include "formatter/common/message_boxes.h"
#include "formatter/common/notifications.h"
#include "formatter/common/run_messages.h"
#include "formatter/common/settings_record.h"
#include "formatter/derived/derived_messages.h"
#include "platform/files.h"

namespace tavrel {
namespace {

// Code page 850 umlauts, as WordStar documents hold them.
constexpr std::uint8_t kSmallA = 0x84, kCapitalA = 0x8E;
constexpr std::uint8_t kSmallO = 0x94, kCapitalO = 0x99;
constexpr std::uint8_t kSmallU = 0x81, kCapitalU = 0x9A;
constexpr std::uint8_t kSharpS = 0xE1;
constexpr std::uint8_t kBoldControl = 2;
constexpr std::uint8_t kTagMark = 29;

struct UmlautForm {
  std::uint8_t Byte;
  std::uint8_t Base;  // its group letter
  bool Small;
};

// Plain umlauts and their 7-bit German forms ("[" for "Ä" and so on).
constexpr UmlautForm kUmlauts[] = {
    {kSmallA, 'A', true}, {kCapitalA, 'A', false}, {kSmallO, 'O', true}, {kCapitalO, 'O', false},
    {kSmallU, 'U', true}, {kCapitalU, 'U', false}, {'{', 'A', true},     {'[', 'A', false},
    {'|', 'O', true},     {'\\', 'O', false},      {'}', 'U', true},     {']', 'U', false},
};

const UmlautForm* FindUmlaut(std::uint8_t b, bool withSevenBit) {
  for (const UmlautForm& u : kUmlauts) {
    if (u.Byte != b) continue;
    if (!withSevenBit && b < 0x80) return nullptr;
    return &u;
  }
  return nullptr;
}

// The umlaut byte (code page 850) of a base letter in the given case.
std::uint8_t UmlautByte(std::uint8_t base, bool small) {
  switch (base) {
    case 'A':
      return small ? kSmallA : kCapitalA;
    case 'O':
      return small ? kSmallO : kCapitalO;
    default:
      return small ? kSmallU : kCapitalU;
  }
}

std::uint8_t SortByte(std::uint8_t b) {
  if ((b >= '0' && b <= '9') || (b >= 'A' && b <= 'Z')) return b;
  if (b >= 'a' && b <= 'z') return static_cast<std::uint8_t>(b - 'a' + 'A');
  if (const UmlautForm* u = FindUmlaut(b, false)) return u->Base;
  if (b == kSharpS) return 'S';
  return 0;
}

bool ParsePage(std::string_view text, std::int64_t& page) {
  if (text.empty()) return false;
  for (char c : text)
    if (c < '0' || c > '9') return false;
  std::int64_t value = 0;
  const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || ptr != text.data() + text.size()) return false;
  if (value > kVolumePageSpan - 1) return false;
  page = value;
  return true;
}

void ShowBox(RunMessages& messages, const std::string& text) {
  if (messages.Boxes()) messages.Boxes()->ShowMessageBox(text, kBoxError);
}

std::string WithoutTaggedBlocks(std::string_view line) {
  std::string out;
  out.reserve(line.size());
  for (std::size_t i = 0; i < line.size(); ++i) {
    if (static_cast<std::uint8_t>(line[i]) == kTagMark) {
      const std::size_t end = line.find(static_cast<char>(kTagMark), i + 1);
      if (end != std::string_view::npos) {
        i = end;
        continue;
      }
    }
    out += line[i];
  }
  return out;
}

// Turned entries put the part after the split point in front.
std::string SplitAndTurn(std::string text, bool turned) {
  std::size_t split = text.find(',');
  if (split != std::string::npos) {
    text.erase(split, 1);
  } else {
    split = text.rfind(' ');
  }
  if (!turned || split == std::string::npos) return text;
  std::string before = text.substr(0, split), after = text.substr(split);
  while (!after.empty() && after.front() == ' ') after.erase(after.begin());
  while (!before.empty() && before.back() == ' ') before.pop_back();
  if (after.empty() || before.empty()) return text;
  return after + " " + before;
}

std::string EntryNumberText(std::int64_t n) { return std::to_string(n); }

// One line of a volume file into the groups; boxes for what cannot be taken.
void TakeIndexLine(std::string_view raw, std::int64_t lineNumber, int volume,
                   IndexBuilderState& state, std::uint8_t language, RunMessages& messages) {
  const std::string line = WithoutTaggedBlocks(raw);
  const std::size_t star = line.rfind('*');
  std::int64_t page = 0;
  if (star == std::string::npos || star + 1 >= line.size() ||
      !ParsePage(std::string_view(line).substr(star + 2), page)) {
    ShowBox(messages, DerivedMessage(language, DerivedText::kIndexFileCorrupted));
    return;
  }
  const auto flag = static_cast<std::uint8_t>(line[star + 1]);
  const bool weighted = flag < 'a';
  const std::uint8_t upperFlag = (flag >= 'a' && flag <= 'z') ? flag - 32 : flag;
  std::string text = SplitAndTurn(line.substr(0, star), upperFlag == 'T');

  IndexEntry entry;
  std::uint8_t group = 0;
  std::string keyHead;  // the key of the first letter
  const auto first = text.empty() ? 0 : static_cast<std::uint8_t>(text[0]);
  const UmlautForm* umlaut = nullptr;
  if (first == kEscape && text.size() >= 3 &&
      (umlaut = FindUmlaut(static_cast<std::uint8_t>(text[1]), false))) {
    if (state.SortUmlautAsAe) {
      text[2] = 'e';
      entry.AddedE = true;
    } else {
      text.erase(2, 1);
    }
    text.erase(0, 1);
    keyHead = std::string(1, static_cast<char>(umlaut->Base));
  } else if (first && (umlaut = FindUmlaut(first, true))) {
    entry.FirstByte = first;
    keyHead = std::string(1, static_cast<char>(umlaut->Base));
    if (state.SortUmlautAsAe) keyHead += 'E';
  }
  if (umlaut) {
    group = umlaut->Base;
    entry.Umlaut = true;
    entry.LowerCase = umlaut->Small;
  } else if ((first >= 'A' && first <= 'Z') || (first >= 'a' && first <= 'z')) {
    group = first >= 'a' ? first - 32 : first;
    entry.LowerCase = first >= 'a';
    keyHead = std::string(1, static_cast<char>(group));
  } else {
    ShowBox(messages, DerivedMessage(language,
                                     text.empty() ? DerivedText::kIndexEntryEmpty
                                                  : DerivedText::kIndexEntryNotAccepted,
                                     {EntryNumberText(lineNumber)}));
    return;
  }
  entry.Text = text.substr(1);
  entry.Key = keyHead + IndexSortKey(entry.Text, state.SortUmlautAsAe);
  const IndexPage p{volume * kVolumePageSpan + page, weighted};
  IndexOrder order{entry.LowerCase ? 1 : 0, entry.Key, entry.Umlaut};
  LetterGroup& g = state.Groups[group];
  std::string lookup = order.Key;
  lookup += static_cast<char>('0' + order.CaseRank);
  lookup += order.Umlaut ? 'U' : 'P';
  const auto [it, added] = g.Lookup.try_emplace(std::move(lookup), g.Entries.size());
  if (added) {
    entry.Pages.push_back(p);
    g.Entries.push_back(std::move(entry));
    g.Orders.push_back(std::move(order));
  } else {
    g.Entries[it->second].Pages.push_back(p);
  }
  ++state.EntryCount;
}

std::string PageText(std::int64_t page) {
  const std::int64_t volume = page / kVolumePageSpan;
  const std::string within = std::to_string(page % kVolumePageSpan);
  if (volume <= 0) return within;
  return VolumeNumeral(static_cast<int>(volume)) + "-" + within;
}

std::string Bold(const std::string& s) {
  const char b = static_cast<char>(kBoldControl);
  return b + s + b;
}

std::string PageList(std::vector<IndexPage> pages, bool weightedPages) {
  std::stable_sort(pages.begin(), pages.end(),
                   [](const IndexPage& a, const IndexPage& b) { return a.Page < b.Page; });
  std::string out;
  auto separate = [&out] {
    if (!out.empty()) out += ", ";
  };
  std::size_t i = 0;
  while (i < pages.size()) {
    if (weightedPages) {
      // every page once; bold when weighted anywhere or met three times or more
      std::size_t j = i;
      bool weighted = false;
      while (j < pages.size() && pages[j].Page == pages[i].Page) weighted |= pages[j++].Weighted;
      separate();
      const std::string t = PageText(pages[i].Page);
      out += (weighted || j - i >= 3) ? Bold(t) : t;
      i = j;
      continue;
    }
    // a run of consecutive pages within one volume; equal pages count once
    std::size_t j = i + 1;
    std::int64_t last = pages[i].Page;
    int distinct = 1;
    while (j < pages.size()) {
      const std::int64_t p = pages[j].Page;
      if (p == last) {
        ++j;
      } else if (p == last + 1 && p / kVolumePageSpan == last / kVolumePageSpan) {
        last = p;
        ++distinct;
        ++j;
      } else {
        break;
      }
    }
    separate();
    out += PageText(pages[i].Page);
    if (distinct == 2) out += " f.";
    if (distinct >= 3) out += " ff.";
    i = j;
  }
  return out;
}

void WriteLetterGroup(std::uint8_t group, const LetterGroup& entries, bool weightedPages,
                      std::string& out) {
  std::vector<std::size_t> sorted(entries.Entries.size());
  for (std::size_t i = 0; i < sorted.size(); ++i) sorted[i] = i;
  std::sort(sorted.begin(), sorted.end(), [&entries](std::size_t a, std::size_t b) {
    return entries.Orders[a] < entries.Orders[b];
  });
  std::string previousWord;
  bool firstOfGroup = true;
  for (const std::size_t index : sorted) {
    const IndexEntry& e = entries.Entries[index];
    const std::string rest = e.AddedE ? e.Text.substr(1) : e.Text;
    std::string letter;
    if (e.Umlaut && e.FirstByte) {
      letter = std::string(1, static_cast<char>(e.FirstByte));
    } else if (e.Umlaut) {
      letter = {static_cast<char>(kEscape), static_cast<char>(UmlautByte(group, e.LowerCase)),
                static_cast<char>(kEscapeEnd)};
    } else {
      letter = std::string(1, static_cast<char>(e.LowerCase ? group + 32 : group));
    }
    const std::size_t blank = rest.find(' ');
    // the first word as the reader sees it, letter included
    const std::string word = letter + rest.substr(0, blank);
    if (firstOfGroup) letter = Bold(letter);
    std::string line;
    if (blank != std::string::npos && word == previousWord) {
      line = "-," + rest.substr(blank) + " ";
    } else if (blank == std::string::npos) {
      line = letter + rest + " ";
    } else {
      line = letter + rest.substr(0, blank) + "\r\n-," + rest.substr(blank) + " ";
    }
    out += line + PageList(e.Pages, weightedPages) + "\r\n";
    previousWord = word;
    firstOfGroup = false;
  }
  out += "\r\n";
}

}  // namespace

std::string IndexSortKey(const std::string& text, bool sortUmlautAsAe) {
  std::string key;
  key.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    auto b = static_cast<std::uint8_t>(text[i]);
    if (b == kEscape && i + 1 < text.size()) {
      b = static_cast<std::uint8_t>(text[++i]);
      if (b == kSharpS) {
        key += "SS";
        continue;
      }
      if (const std::uint8_t base = SortByte(b)) key += static_cast<char>(base);
      if (sortUmlautAsAe && FindUmlaut(b, false)) key += 'E';
      continue;
    }
    if (b == kSharpS) {
      key += "SS";
      continue;
    }
    if (const std::uint8_t base = SortByte(b)) key += static_cast<char>(base);
    if (sortUmlautAsAe && FindUmlaut(b, false)) key += 'E';
  }
  return key;
}

int VolumeOfFileName(const std::string& name) {
  const std::string file = platform::extract_file_name(name);
  const std::size_t dot = file.rfind('.');
  if (dot == std::string::npos) return 0;
  int volume = 0, scale = 1;
  for (std::size_t k = 1; k <= 2 && k <= dot; ++k) {
    const char c = file[dot - k];
    if (c < '0' || c > '9') break;
    volume += (c - '0') * scale;
    scale *= 10;
  }
  return volume;
}

std::string VolumeNumeral(int volume) {
  static const char* const kUnits[] = {"", "I", "II", "III", "IV", "V", "VI", "VII", "VIII", "IX"};
  if (volume <= 0) return {};
  return std::string(static_cast<std::size_t>(volume / 10), 'X') + kUnits[volume % 10];
}

bool ReadIndexVolume(const std::string& fileName, int volume, IndexBuilderState& state,
                     const IndexJobInput& input, RunMessages& messages) {
  const std::uint8_t language = input.Settings.Language;
  const platform::ReadTextResult file = platform::read_text_file(fileName);
  if (!file.ok()) {
    ShowBox(messages, DerivedMessage(language, DerivedText::kCannotOpenFile, {fileName}));
    return false;
  }
  if (input.Progress) {
    std::string line = DerivedMessage(language, DerivedText::kReadingIndexFile, {fileName});
    if (volume != 0)
      line += DerivedMessage(language, DerivedText::kVolume, {std::to_string(volume)});
    input.Progress(line + DerivedMessage(language, DerivedText::kReadingIndexFileEnd));
  }
  std::string_view rest = file.text;
  if (const std::size_t eof = rest.find('\x1A'); eof != std::string_view::npos)
    rest = rest.substr(0, eof);
  std::int64_t lineNumber = 0;
  while (!rest.empty()) {
    const std::size_t eol = rest.find('\n');
    std::string_view line = rest.substr(0, eol);
    rest = eol == std::string_view::npos ? std::string_view() : rest.substr(eol + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    ++lineNumber;
    if (line.empty()) continue;
    TakeIndexLine(line, lineNumber, volume, state, language, messages);
  }
  return true;
}

std::string IndexDocumentText(const IndexBuilderState& state, int indexNumber,
                              const TSettingsRecord& settings) {
  std::string out =
      (settings.Language == kLanguageGerman ? " Stichwortverzeichnis Nr. " : "Index Number ") +
      std::to_string(indexNumber) + " \r\n\r\n";
  for (std::uint8_t letter = 'A'; letter <= 'Z'; ++letter) {
    const auto it = state.Groups.find(letter);
    if (it == state.Groups.end() || it->second.Entries.empty()) continue;
    WriteLetterGroup(letter, it->second, settings.WeightedPages != 0, out);
  }
  return out;
}

IndexJobResult BuildIndex(const IndexJobInput& input, RunMessages& messages) {
  IndexJobResult result;
  const std::uint8_t language = input.Settings.Language;
  if (messages.Notifier()) messages.Notifier()->Send(MN_INDEX_MERGE, 0);
  for (int n = 1; n <= kIndexNumbers; ++n) {
    IndexBuilderState state;
    state.SortUmlautAsAe = input.Settings.IndexSortUmlautAsAe != 0;
    const std::string pattern = JoinPath(input.Directory, "*.IX" + std::to_string(n));
    const std::vector<platform::DirEntry> files = platform::find_files(pattern, 0);
    if (files.empty()) continue;
    if (input.Progress)
      input.Progress(DerivedMessage(language, DerivedText::kCompilingVolumes, {std::to_string(n)}));
    for (const platform::DirEntry& f : files) {
      const std::string name = f.path;
      if (!ReadIndexVolume(name, VolumeOfFileName(f.name), state, input, messages)) {
        messages.InterruptFormatJob();
        result.Aborted = true;
        return result;
      }
    }
    const std::string document = JoinPath(input.Directory, "INDEX_" + std::to_string(n) + ".WS");
    if (input.Progress)
      input.Progress(DerivedMessage(language, DerivedText::kIndexFileName, {document}));
    const platform::FileError error =
        platform::replace_file_atomic(document, IndexDocumentText(state, n, input.Settings));
    if (error != platform::FileError::none) {
      ShowBox(messages, DerivedMessage(language, DerivedText::kErrorWritingFile, {document}));
      messages.InterruptFormatJob();
      result.Aborted = true;
      return result;
    }
    result.Entries += state.EntryCount;
    result.Documents.push_back(document);
    if (messages.Notifier()) messages.Notifier()->Post(MN_OPEN_INDEX_IN_EDITOR, n);
  }
  return result;
}

}  // namespace tavrel
