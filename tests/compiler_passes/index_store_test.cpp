// The index entry store: word comparison, shared entry numbers, buckets, the lookup table
// against a plain walk of the bucket, promotion of longer phrases, panel-ID headers and the
// linked-in-topic list.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <random>

#include "tests/support/compiler_test_support.h"

namespace skeldon {
namespace {

TEST(IndexWordsMatch, FinalVowelsEndingsAndFirstLetterCase) {
  struct Case {
    const char* stored;
    const char* probe;
    bool match;
  } cases[] = {
      {"seite", "seite", true},  {"seite", "seit", true},   {"seite", "seiten", true},
      {"seite", "Seiten", true}, {"haus", "hause", true},   {"adresse", "Adress", true},
      {"idee", "ide", false},    {"seite", "SEITE", false}, {"seiten", "seite", false},
      {"haus", "hausx", false},  {"haus", "hauses", true},  {"x", "xen", true},
  };
  TestRun t;
  t->IndexStore.WordEndings = {"en", "s", "es"};
  for (const Case& c : cases)
    EXPECT_EQ(IndexWordsMatch(*t, c.stored, c.probe), c.match) << c.stored << " / " << c.probe;
  // The endings list ends at its first empty string.
  t->IndexStore.WordEndings = {"", "en"};
  EXPECT_FALSE(IndexWordsMatch(*t, "seite", "seiten"));
}

TEST(IndexStore, SharedNumbersAndBuckets) {
  TestRun t;
  CompilerRun& run = *t;
  run.IndexStore.WordEndings = {"en"};
  InsertIndexEntry(run, "Seite", false, false, false);
  InsertIndexEntry(run, "seite", false, false, false);
  InsertIndexEntry(run, "Seiten", false, false, false);
  const TIndexEntry* a = run.IndexStore.IndexBuckets[IndexBucketOf("Seite")];
  ASSERT_TRUE(a && a->NextInBucket && a->NextInBucket->NextInBucket);
  EXPECT_EQ(a->Word, "seite");
  EXPECT_EQ(a->OriginalFirstChar, 'S');
  EXPECT_EQ(a->NextInBucket->EntryNumber, a->EntryNumber);
  EXPECT_EQ(a->NextInBucket->NextInBucket->EntryNumber, a->EntryNumber);
  // In the other order the stored word is the longer one: two numbers.
  TestRun u;
  u->IndexStore.WordEndings = {"en"};
  InsertIndexEntry(*u, "Seiten", false, false, false);
  InsertIndexEntry(*u, "Seite", false, false, false);
  EXPECT_EQ(u->IndexStore.EntryNumberCounter, 2);
  // Short words go to bucket 170; ASCII case keeps the bucket.
  EXPECT_EQ(IndexBucketOf("ab"), 170);
  EXPECT_EQ(IndexBucketOf("Tables"), IndexBucketOf("tables"));
}

TEST(IndexStore, IndexOnlyEntriesAndCaseFreeLookups) {
  TestRun t;
  CompilerRun& run = *t;
  InsertIndexEntry(run, "whale", true, true, true);
  InsertIndexEntry(run, "whale", false, false, false);
  EXPECT_EQ(run.IndexStore.EntryNumberCounter,
            2);  // an ordinary entry never shares with index-only
  InsertIndexEntry(run, "whale", true, false, false);
  EXPECT_EQ(run.IndexStore.EntryNumberCounter, 2);  // index-only may share with any
  const TIndexEntry* found = FindIndexEntry(run, "whale", nullptr, false);
  ASSERT_TRUE(found);
  EXPECT_FALSE(found->IndexOnly);
  EXPECT_TRUE(FindIndexEntry(run, "whale", nullptr, true)->IndexOnly);
  EXPECT_EQ(FindIndexEntry(run, "WHALE", nullptr, false), nullptr);
  run.LinkPass.CaseFreeIndex = true;
  EXPECT_EQ(FindIndexEntry(run, "WHALE", nullptr, false), found);
  // A start entry is examined first.
  EXPECT_EQ(FindIndexEntry(run, "whale", found, true), found);
}

TEST(IndexStore, EmptyWordIsReportedAndKept) {
  TestRun t;
  InsertIndexEntry(*t, "", false, false, false);
  EXPECT_NE(t.Text().find("Error in index word can occur program termination"), std::string::npos);
  EXPECT_NE(t->IndexStore.IndexBuckets[170], nullptr);
  EXPECT_FALSE(t->RunSuccess);
}

TEST(IndexStore, HeadingNumbersBeyondTheHeadingCountStayInRange) {
  TestRun t;
  CompilerRun& run = *t;
  run.Numbering.HeadingCounter = 60000;  // pushed there by .HD
  InsertIndexEntry(run, "far", false, false, false);
  InsertIndexEntry(run, "away", false, false, false);
  const TIndexEntry* first = FirstEntryOfHeading(run, 60000);
  ASSERT_TRUE(first);
  EXPECT_EQ(first->Word, "far");
  EXPECT_EQ(first->NextInserted->Word, "away");
  EXPECT_EQ(FirstEntryOfHeading(run, 60001), nullptr);
  EXPECT_TRUE(HasTopicKeywords(run, 60000));
}

// The lookup table must answer exactly as a walk along the bucket list, also after entries
// were moved around by promotions (including moves that force a renumbering).
TEST(IndexStore, LookupTableAgreesWithBucketWalk) {
  std::mt19937 rng(12345);
  const char* stems[] = {"ab",     "abe",  "abx",   "tab", "tabe",
                         "tables", "seit", "seite", "sei", "Tab"};
  const char* tails[] = {"", "en", "s", "e", "n", "es", "x"};
  TestRun t;
  CompilerRun& run = *t;
  // Endings sharing their last letter ("en", "n"; "s", "es") are all tried.
  run.IndexStore.WordEndings = {"en", "s", "n", "es"};
  std::vector<std::string> words;
  for (int i = 0; i < 600; ++i) {
    std::string w = std::string(stems[rng() % 10]) + tails[rng() % 7];
    words.push_back(w);
    run.Numbering.HeadingCounter = static_cast<std::uint16_t>(1 + i / 10);
    InsertIndexEntry(run, w, rng() % 5 == 0, false, false);
    if (rng() % 3 == 0) AppendIndexWordLink(run, "more");
  }
  // Promotions: move random entries in front of earlier ones of their bucket.
  for (int i = 0; i < 400; ++i) {
    TIndexEntry* n = &run.IndexStore.Entries[rng() % run.IndexStore.Entries.size()];
    TIndexEntry* p = run.IndexStore.IndexBuckets[n->Bucket];
    if (p && p != n) MoveIndexEntryBefore(run, *n, *p);
  }
  // Every chain is still whole.
  std::size_t count = 0;
  for (const TIndexEntry* e : run.IndexStore.IndexBuckets)
    for (; e; e = e->NextInBucket) ++count;
  EXPECT_EQ(count, run.IndexStore.Entries.size());
  for (int i = 0; i < 3000; ++i) {
    const std::string probe = std::string(stems[rng() % 10]) + tails[rng() % 7];
    const bool takeIndexOnly = rng() % 2;
    const TIndexEntry* start = nullptr;
    if (rng() % 2) {
      const TIndexEntry* candidate = &run.IndexStore.Entries[rng() % run.IndexStore.Entries.size()];
      if (candidate->Bucket == IndexBucketOf(probe)) start = candidate;
    }
    run.LinkPass.CaseFreeIndex = rng() % 4 == 0;
    ASSERT_EQ(FindIndexEntry(run, probe, start, takeIndexOnly),
              FindIndexEntryByWalk(run, probe, start, takeIndexOnly))
        << probe;
  }
}

// Words are looked up in pieces of several bytes at once: words of every length up to well
// past two pieces, and words that differ in one byte only (first, middle or last), must be
// told apart and found exactly as the walk finds them.
TEST(IndexStore, LookupTableAgreesWithBucketWalkForEveryWordLength) {
  std::mt19937 rng(4242);
  TestRun t;
  CompilerRun& run = *t;
  run.IndexStore.WordEndings = {"en", "s"};
  const auto randomWord = [&](std::size_t length) {
    std::string w;
    for (std::size_t i = 0; i < length; ++i) w += "abt"[rng() % 3];
    return w;
  };
  std::vector<std::string> stored;
  for (std::size_t length = 1; length <= 40; ++length)
    for (int k = 0; k < 4; ++k) {
      std::string w = randomWord(length);
      stored.push_back(w);
      for (std::size_t at : {std::size_t{0}, length / 2, length - 1}) {
        std::string twin = w;
        twin[at] = twin[at] == 'x' ? 'y' : 'x';
        stored.push_back(twin);
      }
    }
  for (std::size_t i = 0; i < stored.size(); ++i) {
    run.Numbering.HeadingCounter = static_cast<std::uint16_t>(1 + i / 8);
    InsertIndexEntry(run, stored[i], false, false, false);
  }
  for (std::size_t i = 0; i < 4 * stored.size(); ++i) {
    std::string probe = stored[rng() % stored.size()];
    switch (rng() % 4) {
      case 0:
        probe += "en";
        break;  // a stored word with an ending
      case 1:
        probe[rng() % probe.size()] = 'z';
        break;  // one byte off
      case 2:
        probe = randomWord(rng() % 42);
        break;  // mostly not stored
      default:
        break;  // as stored
    }
    ASSERT_EQ(FindIndexEntry(run, probe, nullptr, true),
              FindIndexEntryByWalk(run, probe, nullptr, true))
        << probe;
  }
}

// The link writer's lookup as a walk along the bucket, with a phrase test per entry.
const TIndexEntry* WalkedLinkEntry(CompilerRun& run, const std::string& probe,
                                   const std::function<bool(const TIndexEntry&)>& continues) {
  for (const TIndexEntry* start = nullptr;;) {
    const TIndexEntry* e = FindIndexEntryByWalk(run, probe, start, false);
    if (!e || !e->WordLinks || continues(*e)) return e;
    start = e->NextInBucket;
    if (!start) return nullptr;
  }
}

// The link writer's lookup: the walk of the bucket with a phrase test per entry, against the
// table that tries each distinct phrase once.
TEST(IndexStore, LinkLookupAgreesWithBucketWalk) {
  std::mt19937 rng(777);
  const char* stems[] = {"ab", "abe", "tab", "tables", "seite", "seiten", "sei"};
  const char* more[] = {"one", "two", "three", "ones"};
  TestRun t;
  CompilerRun& run = *t;
  run.IndexStore.WordEndings = {"en", "s", "n"};
  for (int i = 0; i < 500; ++i) {
    InsertIndexEntry(run, stems[rng() % 7], rng() % 6 == 0, false, false);
    const int links = static_cast<int>(rng() % 3);
    for (int l = 0; l < links; ++l) AppendIndexWordLink(run, more[rng() % 4]);
    if (rng() % 4 == 0) {
      TIndexEntry* n = run.IndexStore.LastInserted;
      TIndexEntry* p = run.IndexStore.IndexBuckets[n->Bucket];
      if (p != n) MoveIndexEntryBefore(run, *n, *p);
    }
  }
  for (int round = 0; round < 400; ++round) {
    const std::string probe = stems[rng() % 7];
    const unsigned salt = rng();
    int asked = 0;
    auto continues = [&](const TIndexEntry& e) {
      ++asked;
      return (std::hash<std::string>{}(e.PhraseKey) ^ salt) % 4 == 0;
    };
    const TIndexEntry* walked = WalkedLinkEntry(run, probe, continues);
    const int walkAsks = asked;
    asked = 0;
    ASSERT_EQ(FindLinkEntry(run, probe, continues), walked) << probe << " round " << round;
    EXPECT_LE(asked, walkAsks);
  }
}

// Link lookups are remembered per word: lookups between insertions, phrase words, promotions
// and changes of case handling must still answer as the walk does, and so must lookups of more
// distinct words than the memory keeps.
TEST(IndexStore, RememberedLinkLookupsFollowEveryChangeOfTheStore) {
  std::mt19937 rng(99);
  const char* stems[] = {"ab", "Abe", "tab", "tables", "seite", "seiten", "sei", "tabs"};
  const char* more[] = {"one", "two"};
  TestRun t;
  CompilerRun& run = *t;
  run.IndexStore.WordEndings = {"en", "s", "n"};
  const auto continues = [](const TIndexEntry& e) { return e.PhraseKey.size() % 2 == 0; };
  const auto agree = [&](const std::string& probe) {
    ASSERT_EQ(FindLinkEntry(run, probe, continues), WalkedLinkEntry(run, probe, continues))
        << probe;
  };
  for (int round = 0; round < 300; ++round) {
    for (int k = 0; k < 4; ++k) agree(stems[rng() % 8]);
    run.Numbering.HeadingCounter = static_cast<std::uint16_t>(1 + round / 10);
    InsertIndexEntry(run, stems[rng() % 8], rng() % 5 == 0, false, false);
    agree(stems[rng() % 8]);
    if (rng() % 3 == 0) AppendIndexWordLink(run, more[rng() % 2]);
    agree(stems[rng() % 8]);
    if (rng() % 4 == 0) {
      TIndexEntry* n = run.IndexStore.LastInserted;
      TIndexEntry* p = run.IndexStore.IndexBuckets[n->Bucket];
      if (p != n) MoveIndexEntryBefore(run, *n, *p);
    }
    if (rng() % 7 == 0) run.LinkPass.CaseFreeIndex = !run.LinkPass.CaseFreeIndex;
  }
  // Far more distinct words than are kept, the stored ones among them now and then.
  for (int i = 0; i < 300000; ++i) {
    std::string probe = stems[i / 50 % 8];
    if (i % 50 != 0) probe = std::to_string(i).insert(0, 1, 'w');
    agree(probe);
  }
}

// Words of running text are turned away by their second byte before any probe is made: short
// words, words that differ from a stored one in case only, and words stored or looked up with
// the index free of case must still be found exactly as the walk finds them.
TEST(IndexStore, LinkLookupOfRandomWordsAgreesWithBucketWalk) {
  std::mt19937 rng(2024);
  const auto randomWord = [&](std::size_t length) {
    std::string w;
    for (std::size_t i = 0; i < length; ++i) w += "aAbeETtsn"[rng() % 9];
    return w;
  };
  const auto continues = [](const TIndexEntry& e) { return e.PhraseKey.size() % 3 == 0; };
  for (int store = 0; store < 20; ++store) {
    TestRun t;
    CompilerRun& run = *t;
    run.IndexStore.WordEndings = {"en", "s", "n", "es"};
    for (int i = 0; i < 30; ++i) {
      run.LinkPass.CaseFreeIndex = rng() % 3 == 0;
      run.Numbering.HeadingCounter = static_cast<std::uint16_t>(1 + i);
      InsertIndexEntry(run, randomWord(rng() % 6), rng() % 5 == 0, false, false);
      if (rng() % 4 == 0) AppendIndexWordLink(run, randomWord(1 + rng() % 3));
    }
    for (int i = 0; i < 400; ++i) {
      run.LinkPass.CaseFreeIndex = rng() % 3 == 0;
      const std::string probe = randomWord(rng() % 8);
      ASSERT_EQ(FindLinkEntry(run, probe, continues), WalkedLinkEntry(run, probe, continues))
          << "store " << store << " probe '" << probe << "'"
          << (run.LinkPass.CaseFreeIndex ? " free of case" : "");
    }
  }
}

// A cleared store hands its group objects out again: nothing of the words filed before may
// be found through them, while the entries themselves stay where they were.
TEST(IndexStore, ClearedStoreFindsOnlyTheWordsFiledSince) {
  TestRun t;
  CompilerRun& run = *t;
  run.IndexStore.WordEndings = {"en"};
  const auto word = [](int i) { return "word" + std::to_string(i); };
  for (int i = 0; i < 300; ++i) InsertIndexEntry(run, word(i % 50), i % 7 == 0, false, false);
  const TIndexEntry* kept = &run.IndexStore.Entries[0];
  ClearIndexStore(run);
  for (int i = 0; i < 120; ++i) InsertIndexEntry(run, word(30 + i % 40), false, false, false);
  for (int i = 0; i < 80; ++i) {
    for (const bool takeIndexOnly : {false, true}) {
      const TIndexEntry* found = FindIndexEntry(run, word(i), nullptr, takeIndexOnly);
      ASSERT_EQ(found, FindIndexEntryByWalk(run, word(i), nullptr, takeIndexOnly)) << word(i);
      EXPECT_EQ(found != nullptr, i >= 30 && i < 70) << word(i);
    }
  }
  EXPECT_EQ(kept->Word, "word0");
}

TEST(IndexStore, PromotionKeepsPerTopicChains) {
  // The longer phrase moves ahead in its bucket; the keyword chain of each heading keeps
  // every entry (exchanging contents between blocks used to cut these chains).
  TestRun t;
  CompilerRun& run = *t;
  run.Numbering.HeadingCounter = 1;
  t.Load(".1\r\nA\r\n.IN tables\r\n.IN other\r\n.2\r\nB\r\n.IN tables overview\r\n.IN last\r\n");
  RunPrepasses(run);
  const TIndexEntry* head = run.IndexStore.IndexBuckets[IndexBucketOf("tables")];
  ASSERT_TRUE(head && head->WordLinks);
  EXPECT_EQ(head->WordLinks->Word, "overview");
  EXPECT_EQ(head->HeadingNumber, 2);
  run.Passes.OutputFile.clear();
  WriteTopicKeywords(run, 1);
  EXPECT_EQ(run.Passes.OutputFile, "tables, other");
  run.Passes.OutputFile.clear();
  WriteTopicKeywords(run, 2);
  EXPECT_EQ(run.Passes.OutputFile, "tables overview, last");
}

TEST(PanelIdHeader, ReadsDefinesAndAssignments) {
  const corvina_test::TempDir dir("skeldon-test");
  const std::string file = dir / "app.pan";
  std::ofstream(file, std::ios::binary)
      << "#define PANEL_MAIN 1200\r\n#define\tPANEL_TAB\t77;\r\nPANEL_ASSIGN = 300;\r\n"
         "#define PANEL_NOSEP\r\nx=abc\r\n   spaced\t= 5 ; ;\r\nplain line\r\n";
  TestRun t;
  ReadPanelIdHeader(*t, file);
  std::string got;
  for (const TPanelIdDefine& d : t->IndexStore.PanelIdDefines)
    got += d.Name + "=" + std::to_string(d.Number) + ";";
  EXPECT_EQ(got, "PANEL_MAIN=1200;PANEL_TAB=77;PANEL_ASSIGN=300;x=0;spaced=5;");
  EXPECT_NE(t.Text().find("error reading " + file), std::string::npos);
  ASSERT_TRUE(FindPanelIdDefine(*t, "PANEL_TAB"));
  EXPECT_EQ(FindPanelIdDefine(*t, "panel_tab"), nullptr);
  // A second header replaces the first.
  std::ofstream(file, std::ios::binary) << "#define ONLY 1\r\n";
  ReadPanelIdHeader(*t, file);
  EXPECT_EQ(t->IndexStore.PanelIdDefines.size(), 1u);
}

TEST(PanelIdHeader, MissingFileStopsWithItsMessage) {
  TestRun t;
  EXPECT_THROW(ReadPanelIdHeader(*t, "/nonexistent/gen1/none.pan"), TerminateRun);
  EXPECT_NE(t.Text().find("file /nonexistent/gen1/none.pan not found"), std::string::npos);
}

TEST(LinkedInTopic, EveryOccurrenceModeNeverRemembers) {
  TestRun t;
  InsertIndexEntry(*t, "word", false, false, false);
  TIndexEntry& e = *t->IndexStore.IndexBuckets[IndexBucketOf("word")];
  AddLinkedInTopic(*t, e);
  EXPECT_TRUE(WasLinkedInTopic(*t, e));
  ClearLinkedInTopic(*t);
  EXPECT_FALSE(WasLinkedInTopic(*t, e));
  t->Ini.LinkEveryOccurrence = true;
  AddLinkedInTopic(*t, e);
  EXPECT_FALSE(WasLinkedInTopic(*t, e));
}

}  // namespace
}  // namespace skeldon
