// Job S: index volumes merged into sorted index documents.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <set>

#include "formatter/derived/index_builder.h"
#include "tests/formatter_derived/derived_fixture.h"

namespace tavrel::testing {
namespace {

class IndexBuilderTest : public DerivedFixture {
 protected:
  IndexJobResult Build() {
    IndexJobInput input{settings_, dir_.string(),
                        [this](const std::string& line) { progress_.push_back(line); }};
    return BuildIndex(input, Messages());
  }

  // One volume file (index number 1, volume 0) and the body of the document built from it.
  std::string BuildFrom(const std::string& volume) {
    WriteFileBytes(dir_ / "doc.IX1", volume);
    const IndexJobResult r = Build();
    EXPECT_FALSE(r.Aborted);
    const std::string text = ReadFileBytes(dir_ / "INDEX_1.WS");
    const std::string title = "Index Number 1 \r\n\r\n";
    EXPECT_EQ(text.substr(0, title.size()), title);
    return text.substr(std::min(title.size(), text.size()));
  }
};

// Two volumes of a book, scanned by the formatting road and merged: sort order, umlauts in ESC
// form under their base letter, turned entries, sub-entries, joined pages and volume numerals.
TEST_F(IndexBuilderTest, TwoVolumesMatchTheReviewedDocuments) {
  settings_.IndexSortUmlautAsAe = 1;
  settings_.WeightedPages = 0;
  ScanIndex(CopyData("book01.ws"));
  ScanIndex(CopyData("book02.ws"));
  const IndexJobResult r = Build();
  ASSERT_FALSE(r.Aborted);
  EXPECT_EQ(r.Documents, (std::vector<std::string>{(dir_ / "INDEX_1.WS").string(),
                                                   (dir_ / "INDEX_2.WS").string()}));
  ExpectDerivedGolden("two_volumes_INDEX_1.WS", ReadFileBytes(dir_ / "INDEX_1.WS"));
  ExpectDerivedGolden("two_volumes_INDEX_2.WS", ReadFileBytes(dir_ / "INDEX_2.WS"));
  EXPECT_EQ(progress_[0], "Compiling ___.IX1 files...");
  EXPECT_EQ(progress_[1],
            "reading index file " + (dir_ / "book01.IX1").string() + " (Volume 1)...");
  EXPECT_EQ(progress_[3], "The index file name is " + (dir_ / "INDEX_1.WS").string());
  // the merge is announced, and each document is handed to the editor
  EXPECT_EQ(notifier_.WithCode(MN_INDEX_MERGE).size(), 1u);
  EXPECT_EQ(notifier_.WithCode(MN_OPEN_INDEX_IN_EDITOR),
            (std::vector<RecordingNotifier::Entry>{{false, MN_OPEN_INDEX_IN_EDITOR, 1},
                                                   {false, MN_OPEN_INDEX_IN_EDITOR, 2}}));
  EXPECT_TRUE(BoxTexts().empty());
}

TEST_F(IndexBuilderTest, EntriesAndPagesAreWrittenByTheSettings) {
  struct Case {
    const char* what;
    bool weighted, asAe;
    std::string volume, body;
  };
  const std::string B = "\x02";
  const Case cases[] = {
      {"two consecutive pages", false, false, "Apfel*n12\r\nApfel*n13\r\n",
       B + "A" + B + "pfel 12 f.\r\n\r\n"},
      {"three and more, equal pages once", false, false,
       "Apfel*n14\r\nApfel*n12\r\nApfel*n13\r\nApfel*n13\r\nApfel*n20\r\n",
       B + "A" + B + "pfel 12 ff., 20\r\n\r\n"},
      {"weighted pages bold, thrice-met pages bold", true, false,
       "Apfel*N3\r\nApfel*n4\r\nApfel*n5\r\nApfel*n5\r\nApfel*n5\r\nApfel*n6\r\n",
       B + "A" + B + "pfel " + B + "3" + B + ", 4, " + B + "5" + B + ", 6\r\n\r\n"},
      {"capital flag means nothing without weighting", false, false, "Apfel*N3\r\n",
       B + "A" + B + "pfel 3\r\n\r\n"},
      {"umlaut sorts as its base letter", false, false,
       "Apfel*n1\r\n\x1b\x8e\x1cpfel*n2\r\nAnker*n3\r\n",
       B + "A" + B + "nker 3\r\nApfel 1\r\n\x1b\x8e\x1cpfel 2\r\n\r\n"},
      {"umlaut spelt out sorts as AE", false, true,
       "Apfel*n1\r\n\x1b\x8e\x1cpfel*n2\r\nAffe*n3\r\nAdler*n4\r\n",
       B + "A" + B + "dler 4\r\n\x1b\x8e\x1cpfel 2\r\nAffe 3\r\nApfel 1\r\n\r\n"},
      {"plain code page umlaut keeps its byte", false, false, "\x8epfel*n2\r\nAnker*n3\r\n",
       B + "A" + B + "nker 3\r\n\x8epfel 2\r\n\r\n"},
      {"7-bit German letter sorts as its umlaut", false, false, "[pfel*n2\r\nAnker*n3\r\n",
       B + "A" + B + "nker 3\r\n[pfel 2\r\n\r\n"},
      {"sharp s sorts as SS", false, false,
       "Stra\xe1"
       "e*n1\r\nStrasse*n2\r\nStrata*n3\r\n",
       B + "S" + B +
           "tra\xe1"
           "e 1 f.\r\nStrata 3\r\n\r\n"},
      {"comma splits into entry and sub-entry", false, false,
       "Baum, Eiche*n2\r\nBaum, Linde*n3\r\nBaum*n1\r\n",
       B + "B" + B + "aum 1\r\n-, Eiche 2\r\n-, Linde 3\r\n\r\n"},
      {"turned entry puts the last word first", false, false, "red wine glass*t7\r\n",
       B + "g" + B + "lass\r\n-, red wine 7\r\n\r\n"},
      {"turned entry with a comma turns there", false, false, "glass, red wine*T7\r\n",
       B + "r" + B + "ed\r\n-, wine glass 7\r\n\r\n"},
      {"same key in other case stays apart", false, false, "apfel*n1\r\nApfel*n2\r\n",
       B + "A" + B + "pfel 2\r\napfel 1\r\n\r\n"},
      {"groups in letter order", false, false, "Zebra*n1\r\nmaus*n2\r\nAal*n3\r\n",
       B + "A" + B + "al 3\r\n\r\n" + B + "m" + B + "aus 2\r\n\r\n" + B + "Z" + B +
           "ebra 1\r\n\r\n"},
      {"tagged blocks are not part of the entry", false, false,
       "Ap\x1dxx\x1d"
       "fel*n1\r\nApfel*n2\r\n",
       B + "A" + B + "pfel 1 f.\r\n\r\n"},
  };
  for (const Case& c : cases) {
    settings_.WeightedPages = c.weighted;
    settings_.IndexSortUmlautAsAe = c.asAe;
    const std::string body = BuildFrom(c.volume);
    EXPECT_EQ(body, c.body) << c.what << "\n" << Readable(body);
    EXPECT_TRUE(BoxTexts().empty()) << c.what;
  }
}

// Volume numbers come from the names; the page key holds every volume without overflow.
TEST_F(IndexBuilderTest, PagesOfHighVolumesKeepTheirNumbers) {
  WriteFileBytes(dir_ / "a40.IX1", "Apfel*n2147483646\r\n");
  WriteFileBytes(dir_ / "a02.IX1", "Apfel*n5\r\nApfel*n6\r\n");
  WriteFileBytes(dir_ / "a1.IX1", "Apfel*n2147483646\r\nApfel*n0\r\n");
  ASSERT_FALSE(Build().Aborted);
  EXPECT_EQ(ReadFileBytes(dir_ / "INDEX_1.WS"),
            "Index Number 1 \r\n\r\n\x02"
            "A\x02pfel I-0, I-2147483646, II-5 f., XXXX-2147483646"
            "\r\n\r\n");
}

TEST_F(IndexBuilderTest, VolumeNumbersAndNumerals) {
  const std::pair<const char*, int> names[] = {{"book.IX1", 0},  {"book1.IX1", 1}, {"bk07.IX2", 7},
                                               {"b123.IX1", 23}, {"12.IX1", 12},   {"x9y.IX1", 0}};
  for (const auto& [name, volume] : names) EXPECT_EQ(VolumeOfFileName(name), volume) << name;
  const std::pair<int, const char*> numerals[] = {{1, "I"},           {4, "IV"},    {9, "IX"},
                                                  {14, "XIV"},        {40, "XXXX"}, {49, "XXXXIX"},
                                                  {99, "XXXXXXXXXIX"}};
  for (const auto& [v, text] : numerals) EXPECT_EQ(VolumeNumeral(v), text) << v;
}

TEST_F(IndexBuilderTest, BadLinesAreReportedAndTheRestIsKept) {
  struct Case {
    const char* what;
    std::string line;
    std::string box;  // empty: the line is taken
  };
  const Case cases[] = {
      {"page is not a number", "Birne*n1x\r\n", "Index file is corrupted"},
      {"negative page", "Birne*n-3\r\n", "Index file is corrupted"},
      {"page beyond a volume", "Birne*n2147483647\r\n", "Index file is corrupted"},
      {"no page", "Birne*n\r\n", "Index file is corrupted"},
      {"no flag", "Birne*\r\n", "Index file is corrupted"},
      {"truncated before the star", "Birn", "Index file is corrupted"},
      {"only the index character", "*n5\r\n",
       "3st index entry empty, that means index char "
       "occurs separately from a word"},
      {"entry of a digit", "7up*n5\r\n", "3st index entry cannot be accepted"},
      {"ESC pair of no umlaut",
       "\x1b\x82\x1c"
       "cole*n5\r\n",
       "3st index entry cannot be accepted"},
      {"truncated after the page", "Birne*n4", ""},
  };
  for (const Case& c : cases) {
    const std::size_t before = BoxTexts().size();
    const std::string body = BuildFrom("Apfel*n1\r\nCitrone*n2\r\n" + c.line);
    const std::vector<std::string> all = BoxTexts();
    const std::vector<std::string> boxes(all.begin() + static_cast<std::ptrdiff_t>(before),
                                         all.end());
    SCOPED_TRACE(c.what);
    if (c.box.empty()) {
      EXPECT_TRUE(boxes.empty());
      EXPECT_NE(body.find("irne 4"), std::string::npos) << Readable(body);
    } else {
      ASSERT_EQ(boxes.size(), 1u);
      EXPECT_EQ(boxes[0], c.box);
      EXPECT_EQ(body.find("irne"), std::string::npos);
    }
    // the lines before it are kept
    EXPECT_NE(body.find("pfel 1"), std::string::npos);
    EXPECT_NE(body.find("itrone 2"), std::string::npos);
  }
}

TEST_F(IndexBuilderTest, LongEntriesAreKeptWhole) {
  const std::string word(300, 'x');
  const std::string body = BuildFrom("A" + word + " " + word + "*n9\r\n");
  EXPECT_EQ(body,
            "\x02"
            "A\x02" +
                word + "\r\n-, " + word + " 9\r\n\r\n");
}

TEST_F(IndexBuilderTest, EmptyVolumeGivesATitleOnlyDocument) {
  EXPECT_EQ(BuildFrom(""), "");
  EXPECT_TRUE(BoxTexts().empty());
}

TEST_F(IndexBuilderTest, NoVolumesGiveNoDocument) {
  const IndexJobResult r = Build();
  EXPECT_FALSE(r.Aborted);
  EXPECT_TRUE(r.Documents.empty());
  EXPECT_FALSE(std::filesystem::exists(dir_ / "INDEX_1.WS"));
}

TEST_F(IndexBuilderTest, UnwritableDocumentAbortsTheJob) {
  WriteFileBytes(dir_ / "doc.IX1", "Apfel*n1\r\n");
  std::filesystem::create_directory(dir_ / "INDEX_1.WS");
  const IndexJobResult r = Build();
  EXPECT_TRUE(r.Aborted);
  EXPECT_EQ(BoxTexts(),
            (std::vector<std::string>{"error writing file " + (dir_ / "INDEX_1.WS").string()}));
  EXPECT_EQ(messages_->AbortRequested.load(), 1);
}

TEST_F(IndexBuilderTest, GermanTextsFollowTheLanguage) {
  settings_.Language = 1;
  WriteFileBytes(dir_ / "doc3.IX2", "*n1\r\nApfel*n1\r\n");
  Build();
  EXPECT_EQ(ReadFileBytes(dir_ / "INDEX_2.WS"),
            " Stichwortverzeichnis Nr. 2 \r\n\r\n\x02"
            "A\x02pfel III-1\r\n\r\n");
  EXPECT_EQ(BoxTexts(),
            (std::vector<std::string>{
                "1-tes Stichwort leer, d.h. Markierungszeichen steht alleine im Text"}));
  EXPECT_EQ(progress_[0], "Bearbeiten der ___.IX2-Dateien...");
  EXPECT_EQ(progress_[1], "Die Stichw\xf6rterdatei " + (dir_ / "doc3.IX2").string() +
                              " (Band 3) wird in den Speicher gelesen...");
}

// For any set of entries, every entry appears once with all its distinct pages, and the groups'
// entries stand in the order of their keys.
TEST_F(IndexBuilderTest, EveryEntryAppearsOnceWithItsPages) {
  std::mt19937 rng(7);
  const char* words[] = {"Apfel", "Anker", "Birne", "Baum", "Zebra", "Zug", "Kiwi", "Kern"};
  for (int round = 0; round < 20; ++round) {
    std::map<std::string, std::set<int>> expected;
    std::string volume;
    for (int i = 0; i < 40; ++i) {
      const std::string w = words[rng() % 8];
      const int page = static_cast<int>(rng() % 30) * 2;  // never consecutive
      expected[w].insert(page);
      volume += w + "*n" + std::to_string(page) + "\r\n";
    }
    settings_.WeightedPages = 0;
    const std::string body = BuildFrom(volume);
    std::string previous;
    for (const auto& [w, pages] : expected) {
      std::string line = w.substr(1) + " ";
      bool first = true;
      for (int p : pages) line += (first ? "" : ", ") + std::to_string(p), first = false;
      const std::size_t at = body.find(line + "\r\n");
      ASSERT_NE(at, std::string::npos) << line << "\n" << Readable(body);
      EXPECT_EQ(body.find(line + "\r\n", at + 1), std::string::npos) << line;
    }
  }
}

}  // namespace
}  // namespace tavrel::testing
