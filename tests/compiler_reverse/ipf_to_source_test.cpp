#include "compiler/reverse/ipf_to_source.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/text.h"
#include "tests/compiler_reverse/reverse_test_support.h"

namespace skeldon {
namespace {

TIpfConversionSettings SampleSettings(bool iso = false) {
  TIpfConversionSettings s;
  s.ToggleChars = kSampleToggles;
  s.ListChars = "-*";
  s.SoftLineEnds = true;
  s.IsoSourceCodePage = iso;
  s.OemToAnsi = platform::conversion_table(platform::CodePage::cp850, platform::CodePage::cp1252);
  return s;
}

struct IpfCase {
  const char* name;
  std::string ipf;
  std::string expected;
  const char* message = nullptr;  // a message the conversion must give
};

// Each expected text was worked out by hand from the rules of the conversion.
TEST(IpfToSource, SymbolsTagsAndLines) {
  const IpfCase cases[] = {
      {"amp", "a&amp.b", "a&b"},
      {"Ae", "&Ae.", "\x8E"},
      {"all symbols", "&per.&colon.&dot.&ae.&Oe.&oe.&Ue.&ue.&Beta.",
       ".:\xFA\x84\x99\x94\x9A\x81\xE1"},
      {"unknown AE", "x&AE.y", "x??y", "Unknown &AE. Search \"??\" !"},
      {"paragraph", "a:p.b", "a\r\n\r\nb"},
      {"heading", ":h2 id=intro.Intro\r\nText", "\r\n\r\n.2\r\nIntro\r\n\r\nText"},
      {"title", ":title.My Help\r\n:p.", ".TI\r\nMy Help\r\n\r\n\r\n\r\n"},
      {"bold", "a :hp2.word:ehp2. b", "a !word! b"},
      {"bold italic", ":hp3.w:ehp3.", "!_w!_"},
      {"underlined bold", ":hp7.w:ehp7.", "`!w`!"},
      {"hp0", ":hp0.w", "w"},
      {"toggle in text", "a!b", "a!!b"},
      {"lists", ":ol.:li.one:eol.:ul.:li.two:ul.:li.three:eul.:eul.:ol.:li.four:eol.",
       "\r\n\r\n.OL\r\n\r\n- one\r\n\r\n.UL\r\n\r\n- two\r\n* three\r\n\r\n.OL\r\n\r\n- four"},
      {"second ordered list", ":ol.:li.a:eol.:ol.:li.b:eol.", "\r\n\r\n.OL\r\n\r\n- a\r\n\r\n- b"},
      {"picture", ":artwork runin name='pic.bmp'.", "\r\n.BM PIC.BMP\r\n"},
      {"picture in double quotes", ":artwork name=\"x.bmp\" align=left.", "\r\n.BM X.BMP\r\n"},
      {"picture without name", "a:artwork runin.b", "ab", "no filename in command ARTWORK RUNIN"},
      {"br", "one\r\n.br\r\ntwo", "one \r\ntwo"},
      {"comment line", "one\r\n.* note\r\n.* more\r\ntwo", "one two"},
      {"line after br", "a\r\n.br\r\n.* x\r\n", "a \r\n.* x "},
      {"dot in quotes", ":artwork name='a.b.bmp'.", "\r\n.BM A.B.BMP\r\n"},
      {"colon in text", "Note: this. rest", "Note rest"},
      {"index", ":i1.alpha beta\r\nText:p.", "Text\r\n.IN alpha beta\r\n\r\n"},
      {"index flushed at the end", "Text\r\n:i1.last\r\n", "Text \r\n.IN last\r\n"},
      {"lines kept", ":xmp.a\r\nb\r\n:exmp.", "\r\n.FM OFF\r\na\r\nb\r\n\r\n.FM ON\r\n"},
      {"joined lines", "one\r\ntwo\r\n", "one two "},
      {"LF lines", "one\ntwo \nthree", "one two three"},
  };
  for (const IpfCase& c : cases) {
    RecordingSink sink;
    const TIpfConversionResult r = ConvertIpfText(c.ipf, SampleSettings(), sink);
    ASSERT_TRUE(r.Succeeded) << c.name << sink.All();
    EXPECT_EQ(Shown(r.Output), Shown(c.expected)) << c.name;
    if (c.message) {
      EXPECT_TRUE(sink.Has(c.message)) << c.name << "\n" << sink.All();
    }
  }
}

TEST(IpfToSource, IsoCodePageWritesWindowsCodes) {
  RecordingSink sink;
  EXPECT_EQ(ConvertIpfText("&ae.&Ue.&Beta.", SampleSettings(true), sink).Output, "\xE4\xDC\xDF");
}

// Running text is joined and broken again at the first blank after column 60 that does not
// follow a sentence end.
TEST(IpfToSource, SoftLineEndsBreakAfterColumnSixty) {
  std::string ipf;
  for (int k = 0; k < 40; ++k) ipf += "word" + std::to_string(k) + (k % 3 == 2 ? "\r\n" : " ");
  RecordingSink sink;
  const std::string out = ConvertIpfText(ipf, SampleSettings(), sink).Output;
  std::size_t start = 0;
  int lines = 0;
  for (std::size_t end = out.find("\r\n"); end != std::string::npos;
       start = end + 2, end = out.find("\r\n", start)) {
    const std::string line = out.substr(start, end - start);
    EXPECT_GT(line.size(), 60u) << line;
    EXPECT_LE(line.size(), 80u) << line;
    EXPECT_EQ(line.back(), ' ') << line;
    ++lines;
  }
  EXPECT_GE(lines, 2);
  // Every word stands in the output once.
  for (int k = 0; k < 20; ++k)
    EXPECT_NE(out.find("word" + std::to_string(k) + " "), std::string::npos) << k;
}

TEST(IpfToSource, LimitsOfTheIndexListTheSymbolAndTheListDepth) {
  {
    std::string ipf;
    for (int k = 0; k < 120; ++k) ipf += ":i1.entry " + std::to_string(k) + "\r\n";
    ipf += "end:p.";
    RecordingSink sink;
    const TIpfConversionResult r = ConvertIpfText(ipf, SampleSettings(), sink);
    ASSERT_TRUE(r.Succeeded);
    for (int k = 0; k < 120; ++k)
      EXPECT_NE(r.Output.find(".IN entry " + std::to_string(k) + "\r\n"), std::string::npos) << k;
  }
  {
    // An "&" never closed: its text stays, marked for the search.
    RecordingSink sink;
    const std::string text(100, 'z');
    const TIpfConversionResult r = ConvertIpfText("a&" + text, SampleSettings(), sink);
    ASSERT_TRUE(r.Succeeded);
    EXPECT_EQ(r.Output, "a??" + text);
    EXPECT_TRUE(sink.Has("Unknown &"));
  }
  {
    RecordingSink sink;
    const TIpfConversionResult r =
        ConvertIpfText(":li.loose:eol.:li.again", SampleSettings(), sink);
    ASSERT_TRUE(r.Succeeded);
    EXPECT_EQ(Shown(r.Output), Shown("\r\n- loose\r\n- again"));
    EXPECT_EQ(sink.CountOf("List item outside a list: level 1 taken"), 2);
  }
  {
    RecordingSink sink;
    const TIpfConversionResult r = ConvertIpfText(":ul.:ul.:ul.:li.deep", SampleSettings(), sink);
    EXPECT_FALSE(r.Succeeded);
    EXPECT_EQ(r.StopCode, 31);
    EXPECT_TRUE(sink.Has("not enough list chars in ini file defined"));
  }
}

}  // namespace
}  // namespace skeldon
