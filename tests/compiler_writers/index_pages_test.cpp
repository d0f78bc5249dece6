// The index page, beside its golden pages in the writers' golden tests: the extended index
// and the entries of frame groups.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <deque>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "compiler/writers/index_pages.h"
#include "tests/support/compiler_test_support.h"

using namespace skeldon;

namespace {

// The letter bar and the letter headings appear from the setting's value on; contents.src
// lists 11 internal entries (the URL entry does not count).
TEST(IndexPage, ExtendedIndexFromTheThresholdOn) {
  struct Case {
    std::int32_t setting;
    bool extended;
  } cases[] = {{0, true}, {10, true}, {11, true}, {12, false}};
  for (const Case& c : cases) {
    TestRun t("html");
    t->Ini.ExtendedIndexEntries = c.setting;
    t.Load(corvina_test::ReadFile(DataFile("contents.src")));
    RunPrepasses(*t);
    t->Passes.OutputFile.clear();
    WriteIndexPage(*t);
    const std::string& out = t->Passes.OutputFile;
    EXPECT_EQ(out.rfind("<font size=5><a href=\"#ix-A\">A</a> ", 0) == 0, c.extended) << c.setting;
    EXPECT_EQ(out.find("<a name=\"ix-Z\">Z</a>") != std::string::npos, c.extended) << c.setting;
    EXPECT_NE(out.find(c.extended ? ">ebra</a>" : ">Zebra</a>"), std::string::npos) << c.setting;
  }
}

// An entry filed under a heading that opened a frame group links to the group's page
// without an anchor, in the HTML index and in the HTML Help index.
TEST(IndexPage, FrameGroupHeadingHasNoAnchor) {
  for (const char* target : {"html", "htmlhelp"}) {
    TestRun t(target);
    t->Ini.ExtendedIndexEntries = 100;
    t.Load(".1\r\nFirst\r\n.WA\r\n.1\r\nGroup\r\n.IN grouped\r\n.2\r\nInside\r\n.IN inner\r\n");
    RunPrepasses(*t);
    t->Passes.OutputFile.clear();
    WriteIndexPage(*t);
    const std::string& out = t->Passes.OutputFile;
    if (std::string(target) == "html") {
      EXPECT_NE(out.find("<a href=\"N001.HTML\">grouped</a>"), std::string::npos) << out;
      EXPECT_NE(out.find("<a href=\"N002.HTML#hd3\">inner</a>"), std::string::npos) << out;
    } else {
      EXPECT_NE(out.find("<param name=\"Local\" value=\"N001.HTML\">"), std::string::npos) << out;
      EXPECT_NE(out.find("<param name=\"Local\" value=\"N002.HTML#hd3\">"), std::string::npos)
          << out;
    }
  }
}

// Every link to an anchor of the index itself must find that anchor in the same file: the
// HTML Help index holds no letter headings, so it gets no letter bar either.
TEST(IndexPage, LetterBarLinksResolveInTheirOwnFile) {
  for (const char* target : {"html", "htmlhelp"}) {
    TestRun t(target);
    t->Ini.ExtendedIndexEntries = 0;
    t.Load(corvina_test::ReadFile(DataFile("contents.src")));
    RunPrepasses(*t);
    t->Passes.OutputFile.clear();
    WriteIndexPage(*t);
    const std::string& out = t->Passes.OutputFile;
    std::size_t links = 0;
    for (std::size_t at = out.find("href=\"#"); at != std::string::npos;
         at = out.find("href=\"#", at + 1)) {
      const std::size_t start = at + 7;
      const std::string anchor = out.substr(start, out.find('"', start) - start);
      EXPECT_NE(out.find("name=\"" + anchor + "\""), std::string::npos)
          << target << ": #" << anchor;
      ++links;
    }
    // The HTML page keeps its letter bar; the links above were really checked there.
    if (std::string(target) == "html") {
      EXPECT_NE(links, 0u);
    }
  }
}

// For any sort table and any words: every listed entry is filed once, under the group of its
// key's first byte; keys ascend byte by byte as unsigned codes with a key before every longer
// key it begins; among equal keys the entry met later in the buckets comes first. The words
// share long beginnings and repeat, so that ties and keys alike far into the word are common.
TEST(IndexPage, SortOrdersEveryGroupByKeyThenLatestFiledFirst) {
  std::mt19937 random(20261211);
  const auto unsignedLess = [](char a, char b) {
    return static_cast<unsigned char>(a) < static_cast<unsigned char>(b);
  };
  for (int round = 0; round < 40; ++round) {
    TestRun t("html");
    TIndexPageState& st = t->IndexPages;
    if (round % 4 == 0) {
      // Any map at all, zero bytes included: the order must not rest on the usual table.
      for (auto& code : st.IndexSortTable) code = static_cast<std::uint8_t>(random() % 4 * 40);
    } else {
      BuildIndexSortTable(*t);
    }
    const std::string stems[] = {"",    "Q",           "quantitative", "QUANTITATIVE EASING ",
                                 "a-b", "\x81\x9a\xe1"};
    auto word = [&] {
      std::string w = stems[random() % 6];
      for (unsigned n = random() % 12; n > 0; --n) w += static_cast<char>(random() % 256);
      return w;
    };
    std::deque<TIndexEntry> entries;
    std::deque<TIndexWordLink> links;
    std::vector<std::string> pool;
    for (int i = 0; i < 30; ++i) pool.push_back(word());
    std::map<const TIndexEntry*, int> filed;  // place in the bucket walk
    std::vector<TIndexEntry*> tails(256, nullptr);
    for (int i = 0; i < 400; ++i) {
      TIndexEntry& e = entries.emplace_back();
      e.Word = pool[random() % pool.size()];
      e.Unlisted = random() % 10 == 0;
      e.Inverted = random() % 3 == 0;
      TIndexWordLink** next = &e.WordLinks;
      for (unsigned n = random() % 3; n > 0; --n) {
        TIndexWordLink& l = links.emplace_back();
        l.Word = pool[random() % pool.size()];
        *next = &l;
        next = &l.Next;
      }
      const std::size_t bucket = random() % 256;
      (tails[bucket] ? tails[bucket]->NextInBucket : t->IndexStore.IndexBuckets[bucket]) = &e;
      tails[bucket] = &e;
    }
    int place = 0;
    std::size_t listed = 0;
    for (const TIndexEntry* head : t->IndexStore.IndexBuckets)
      for (const TIndexEntry* e = head; e; e = e->NextInBucket) {
        filed[e] = place++;
        if (!e->Unlisted) ++listed;
      }
    SortIndexEntries(*t);
    std::size_t sorted = 0;
    for (int g = 0; g < kIndexGroupCount; ++g) {
      const auto& nodes = st.IndexGroups[g];
      sorted += nodes.size();
      for (std::size_t i = 0; i < nodes.size(); ++i) {
        const std::string& key = nodes[i].SortKey;
        ASSERT_FALSE(key.empty());
        EXPECT_FALSE(nodes[i].Entry->Unlisted);
        const char first = key[0];
        EXPECT_EQ(g, first >= 'A' && first <= 'Z' ? first - 'A' : 26) << round;
        if (i == 0) continue;
        const std::string& before = nodes[i - 1].SortKey;
        const int order = std::lexicographical_compare(before.begin(), before.end(), key.begin(),
                                                       key.end(), unsignedLess)
                              ? -1
                          : before == key ? 0
                                          : 1;
        ASSERT_LE(order, 0) << "round " << round << ", group " << g << ", place " << i;
        if (order == 0) {
          EXPECT_GT(filed[nodes[i - 1].Entry], filed[nodes[i].Entry])
              << "round " << round << ", group " << g << ", place " << i;
        }
      }
    }
    // Only entries whose key came out empty may be missing.
    std::size_t emptyKeys = 0;
    for (const TIndexEntry& e : entries)
      if (!e.Unlisted && e.Word.empty() && !e.WordLinks) ++emptyKeys;
    EXPECT_EQ(sorted + emptyKeys, listed) << round;
  }
}

}  // namespace
