#include "compiler/writers/index_pages.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "compiler/foundation/decimal_text.h"
#include "compiler/foundation/file_names.h"
#include "compiler/passes/compiler_run.h"
#include "compiler/passes/index_store.h"
#include "compiler/passes/pass_services.h"
#include "compiler/writers/source_text_output.h"

namespace skeldon {

namespace {

constexpr const char* kLineEnd = "\r\n";
constexpr int kOtherGroup = 26;

std::string WordOf(const std::string& word, std::uint8_t original, bool restoreCase) {
  std::string w = word;
  if (restoreCase && !w.empty()) w[0] = static_cast<char>(original);
  return w;
}

TIndexWordLink* LastLink(const TIndexEntry& e) {
  TIndexWordLink* last = e.WordLinks;
  while (last && last->Next) last = last->Next;
  return last;
}

// The head word as it is compared, before its first letter's case is restored.
std::string_view HeadWordView(const TIndexEntry& e) {
  if (e.Inverted && e.WordLinks) return LastLink(e)->Word;
  return e.Word;
}

// The sort works on the first sixteen key bytes held as two big-endian numbers (zero after
// the key's end), beside the node's place: most comparisons end there without reaching for
// the strings. Equal heads fall back to the whole keys, so any byte values stay in order.
constexpr std::size_t kKeyHeadBytes = 16;

struct TSortSlot {
  std::uint64_t High = 0, Low = 0;
  std::uint32_t Place = 0;
  std::uint32_t Size = 0;
};

TSortSlot MakeSortSlot(std::string_view key, std::size_t place) {
  unsigned char bytes[kKeyHeadBytes] = {};
  std::memcpy(bytes, key.data(), std::min(key.size(), kKeyHeadBytes));
  TSortSlot slot;
  std::memcpy(&slot.High, bytes, 8);
  std::memcpy(&slot.Low, bytes + 8, 8);
  if constexpr (std::endian::native == std::endian::little) {
    slot.High = __builtin_bswap64(slot.High);
    slot.Low = __builtin_bswap64(slot.Low);
  }
  slot.Place = static_cast<std::uint32_t>(place);
  slot.Size = static_cast<std::uint32_t>(key.size());
  return slot;
}

void AppendPageLinkTarget(CompilerRun& run, const TIndexEntry& e, std::string& out) {
  out += MakeTopicFileName(run, e.FileNumber, false, 0);
  if (!e.OpensFrameGroup && !IsFootnoteFrameset(run, e.FileNumber)) {
    out += "#hd";
    AppendDecimal(out, e.HeadingNumber);
  }
}

}  // namespace

void BuildIndexSortTable(CompilerRun& run) {
  auto& t = run.IndexPages.IndexSortTable;
  t.fill('[');
  t[0x20] = ' ';
  t[0x2D] = ' ';
  for (int c = 'A'; c <= 'Z'; ++c) t[c] = static_cast<std::uint8_t>(c);
  for (int c = 'a'; c <= 'z'; ++c) t[c] = static_cast<std::uint8_t>(c - 32);
  struct Row {
    char key;
    std::initializer_list<std::uint8_t> codes;
  };
  const Row rows[] = {
      {'A', {0x83, 0x84, 0x85, 0x86, 0x8E, 0x8F, 0x91, 0xA0}},
      {'E', {0x82, 0x88, 0x89, 0x8A, 0x90}},
      {'I', {0x8B, 0x8C, 0x8D, 0xA1}},
      {'O', {0x93, 0x94, 0x95, 0x99, 0x9B, 0x9D, 0xA2}},
      {'U', {0x81, 0x96, 0x97, 0x9A, 0xA3}},
      {'C', {0x80, 0x87}},
      {'N', {0xA4, 0xA5}},
      {'Y', {0x98}},
      {'S', {0xE1}},
  };
  for (const Row& r : rows)
    for (std::uint8_t c : r.codes) t[c] = static_cast<std::uint8_t>(r.key);
}

std::string IndexHeadWord(const TIndexEntry& entry, bool restoreCase) {
  if (entry.Inverted && entry.WordLinks) {
    const TIndexWordLink* last = LastLink(entry);
    return WordOf(last->Word, last->OriginalFirstChar, restoreCase);
  }
  return WordOf(entry.Word, entry.OriginalFirstChar, restoreCase);
}

std::string IndexRestWords(const TIndexEntry& entry, bool restoreCase) {
  std::string r;
  if (entry.Inverted && entry.WordLinks) {
    r = WordOf(entry.Word, entry.OriginalFirstChar, restoreCase);
    for (const TIndexWordLink* l = entry.WordLinks; l && l->Next; l = l->Next)
      r += " " + WordOf(l->Word, l->OriginalFirstChar, restoreCase);
    return r;
  }
  for (const TIndexWordLink* l = entry.WordLinks; l; l = l->Next) {
    if (l != entry.WordLinks) r += " ";
    r += WordOf(l->Word, l->OriginalFirstChar, restoreCase);
  }
  return r;
}

void SortIndexEntries(CompilerRun& run) {
  TIndexPageState& st = run.IndexPages;
  if (st.IndexSorted) return;
  for (auto& g : st.IndexGroups) g.clear();
  st.ListedInternalCount = 0;
  for (const TIndexEntry* head : run.IndexStore.IndexBuckets) {
    for (const TIndexEntry* e = head; e; e = e->NextInBucket) {
      if (e->Unlisted) continue;
      if (!e->LinkTarget) ++st.ListedInternalCount;
      std::string key;
      if (e->Inverted && e->WordLinks) {
        key = LastLink(*e)->Word;
        key += ' ';
        key += e->Word;
        for (const TIndexWordLink* l = e->WordLinks; l && l->Next; l = l->Next) {
          key += ' ';
          key += l->Word;
        }
      } else {
        key = e->Word;
        for (const TIndexWordLink* l = e->WordLinks; l; l = l->Next) {
          key += ' ';
          key += l->Word;
        }
      }
      for (char& c : key) c = static_cast<char>(st.IndexSortTable[static_cast<std::uint8_t>(c)]);
      // An empty word has no first character to file it by; it is left off the index.
      if (key.empty()) continue;
      const char first = key[0];
      const int group = first >= 'A' && first <= 'Z' ? first - 'A' : kOtherGroup;
      st.IndexGroups[group].push_back({const_cast<TIndexEntry*>(e), std::move(key)});
    }
  }
  // Ascending keys, byte by byte as unsigned codes, a key before every longer key it begins;
  // among equal keys the entry filed last comes first. Places make the order total, so the
  // plain sort gives the one result; each node with its key is then moved once.
  std::vector<TSortSlot> order;
  std::vector<TIndexPageNode> sorted;
  for (auto& g : st.IndexGroups) {
    order.resize(g.size());
    for (std::size_t i = 0; i < g.size(); ++i) order[i] = MakeSortSlot(g[i].SortKey, i);
    std::sort(order.begin(), order.end(), [&g](const TSortSlot& a, const TSortSlot& b) {
      if (a.High != b.High) return a.High < b.High;
      if (a.Low != b.Low) return a.Low < b.Low;
      if (a.Size != b.Size || a.Size > kKeyHeadBytes) {
        const int c = g[a.Place].SortKey.compare(g[b.Place].SortKey);
        if (c != 0) return c < 0;
      }
      return a.Place > b.Place;
    });
    sorted.clear();
    sorted.reserve(g.size());
    for (const TSortSlot& slot : order) sorted.push_back(std::move(g[slot.Place]));
    g.swap(sorted);
  }
  for (int i = 0; i < kIndexGroupCount; ++i) {
    st.GroupHasEntries[i] = false;
    for (const TIndexPageNode& n : st.IndexGroups[i])
      if (!n.Entry->LinkTarget) st.GroupHasEntries[i] = true;
  }
  st.IndexSorted = true;
}

void WriteIndexLink(CompilerRun& run, const TIndexEntry& entry) {
  std::string& out = run.Passes.OutputFile;
  out += "\t<a href=\"";
  AppendPageLinkTarget(run, entry, out);
  out += "\">";
}

void WriteSitemapIndexEntry(CompilerRun& run, const TIndexEntry& entry, std::string_view name,
                            bool indent) {
  std::string& out = run.Passes.OutputFile;
  const std::string_view ind = indent ? "   " : "";
  out += ind;
  out += "   <LI> <OBJECT type=\"text/sitemap\">\r\n";
  out += ind;
  out += "           <param name=\"Name\" value=\"";
  WriteCodePageText(run, out, name, true);
  out += "\">\r\n";
  out += ind;
  out += "           <param name=\"Local\" value=\"";
  AppendPageLinkTarget(run, entry, out);
  out += "\">\r\n";
  out += ind;
  out += "        </OBJECT>\r\n";
}

void WriteIndexPage(CompilerRun& run) {
  SortIndexEntries(run);
  TIndexPageState& st = run.IndexPages;
  const bool htmlHelp = run.Ini.TargetFlags.HtmlHelp;
  std::string& out = run.Passes.OutputFile;
  st.ExtendedIndex = st.ListedInternalCount >= run.Ini.ExtendedIndexEntries;
  // Room for the whole page at once, from a line's usual length: growing it by doubling would
  // copy it again and again into fresh memory.
  const std::size_t lineGuess = htmlHelp ? 200 : 48;
  out.reserve(out.size() +
              static_cast<std::size_t>(std::max(st.ListedInternalCount, 0)) * lineGuess);
  // The letter bar's anchors stand only in the HTML index page; the HHK has no such targets.
  if (st.ExtendedIndex && !htmlHelp) {
    out += "<font size=5>";
    for (int g = 0; g < 26; ++g) {
      if (!st.GroupHasEntries[g]) continue;
      const std::string letter(1, static_cast<char>('A' + g));
      out += "<a href=\"#ix-" + letter + "\">" + letter + "</a> ";
    }
    out += std::string("</font><p>") + kLineEnd;
  }
  if (htmlHelp) out += std::string("<UL>") + kLineEnd;
  bool subListOpen = false;
  for (int g = 0; g < kIndexGroupCount; ++g) {
    if (!st.GroupHasEntries[g]) continue;
    const auto& nodes = st.IndexGroups[g];
    if (!htmlHelp) out += std::string("<dl>") + kLineEnd;
    bool groupWritten = false;
    for (std::size_t i = 0; i < nodes.size(); ++i) {
      const TIndexEntry& e = *nodes[i].Entry;
      if (e.LinkTarget) continue;
      const std::string_view head = HeadWordView(e);
      const bool prevSame = i > 0 && HeadWordView(*nodes[i - 1].Entry) == head;
      const bool nextSame = i + 1 < nodes.size() && HeadWordView(*nodes[i + 1].Entry) == head;
      int form = 2;
      if (!e.WordLinks)
        form = 1;
      else if (nextSame && !prevSame)
        form = 3;
      else if (prevSame)
        form = 4;
      const std::string h = IndexHeadWord(e, true);
      // Only entries with more words have a rest.
      const std::string r = e.WordLinks ? IndexRestWords(e, true) : std::string();
      if (htmlHelp) {
        if (!subListOpen && form == 4) out += std::string("   <UL>") + kLineEnd;
        if (subListOpen && form != 4) out += std::string("   </UL>") + kLineEnd;
        if (form == 1) {
          WriteSitemapIndexEntry(run, e, h, false);
        } else if (form == 2) {
          WriteSitemapIndexEntry(run, e, e.Inverted ? h + ", " + r : h + " " + r, false);
        } else if (form == 3) {
          out += "   <LI>";
          WriteSourceText(run, h, out);
          out += kLineEnd;
          out += std::string("   <UL>") + kLineEnd;
          WriteSitemapIndexEntry(run, e, r, true);
        } else {
          WriteSitemapIndexEntry(run, e, r, true);
        }
        subListOpen = form == 3 || form == 4;
        continue;
      }
      const bool letterHeading =
          st.ExtendedIndex && g < 26 && !groupWritten && form != 4 && !h.empty();
      std::string_view headRest = h;
      if (form != 4) out += "<dt>";
      if (letterHeading) {
        out += "<font size=6><a name=\"ix-" + std::string(1, static_cast<char>('A' + g)) + "\">";
        WriteSourceChar(run, static_cast<std::uint8_t>(h[0]), out);
        out += "</a></font>";
        headRest.remove_prefix(1);
      }
      switch (form) {
        case 1:
          WriteIndexLink(run, e);
          WriteSourceText(run, headRest, out);
          out += "</a>";
          break;
        case 2:
          WriteIndexLink(run, e);
          WriteSourceText(run, headRest, out);
          if (e.Inverted) out += ",";
          out += " ";
          WriteSourceText(run, r, out);
          out += "</a>";
          break;
        case 3:
          WriteSourceText(run, headRest, out);
          out += "<dd>";
          WriteIndexLink(run, e);
          WriteSourceText(run, r, out);
          out += "</a>";
          break;
        default:
          out += "<dd>";
          WriteIndexLink(run, e);
          WriteSourceText(run, r, out);
          out += "</a>";
          break;
      }
      groupWritten = true;
    }
    if (!htmlHelp) out += std::string("</dl><p>") + kLineEnd;
  }
  if (htmlHelp) {
    if (subListOpen) out += std::string("   </UL>") + kLineEnd;
    out += std::string("</UL>") + kLineEnd;
  }
}

}  // namespace skeldon
