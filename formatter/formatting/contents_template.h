#pragma once
// The contents-format template ("Gliform.ws" / "Headings.ws"): how a heading of each level is
// written (text before the number, numbering style and separator, text between number and
// heading, text after the heading).

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace tavrel {

class RunMessages;
struct FileContext;

inline constexpr std::size_t kTemplateTextSize = 1000;
inline constexpr int kTemplateLevels = 10;

struct TemplatePart {
  std::int32_t First = 0;
  std::int32_t Last = 0;  // empty when First > Last
};

struct LevelTemplate {
  TemplatePart Parts[3];  // 0 before the number, 1 between number and text, 2 after the text
};

struct LevelNumberingEntry {
  std::uint8_t NumberSeparatorFlag = 0;
  std::uint8_t NumberingStyle = 0;  // 0 all levels, 1 "1", 2 "I", 3 "A", 4 "a", 5 "aa", 6 alpha
};

// Lives for the whole program: a job loads it at its first heading.
struct HeadingsTemplate {
  std::string HeadingsTemplateName;
  std::uint8_t HeadingsTemplateReload = 0;
  std::string ReaderFileName;  // first 12 characters of the file being read
  std::array<std::uint8_t, kTemplateTextSize + 1> TemplateText{};  // positions 1..1000
  std::int32_t Position = 0;
  LevelTemplate LevelTemplates[kTemplateLevels + 1];        // levels 1..10
  LevelNumberingEntry LevelNumbering[kTemplateLevels + 1];  // levels 1..10
};

// "Gliform.ws" for German (language 1), else "Headings.ws".
std::string GetHeadingsTemplateName(std::uint8_t language);

// Reads plain characters of a WordStar document: tagged blocks skipped (type 18 gives 1), bit 7
// cleared, ESC c FS gives c. At the end (or at Ctrl-Z) it gives 26.
// A bare LF (without CR in front) is read as CR LF.
class TemplateCharReader {
 public:
  explicit TemplateCharReader(std::string data) : data_(std::move(data)) {}
  bool AtEnd() const;
  std::uint8_t ReadTemplateChar();
  // One byte as it is, for skipping the rest of a header line.
  std::uint8_t ReadRawByte();

 private:
  std::uint8_t NextByte();
  std::string data_;
  std::size_t pos_ = 0;
  bool pendingLf_ = false;
  std::uint8_t last_ = 0;
};

// Loads the template named by HeadingsTemplateName (falling back to the default name). False
// when nothing could be loaded; errors go to the message list and interrupt the run.
bool LoadHeadingsTemplate(HeadingsTemplate& tpl, std::uint8_t language, const FileContext& files,
                          RunMessages& messages);
// The same from bytes already read (fileName only names them in messages).
void ParseHeadingsTemplate(HeadingsTemplate& tpl, std::string_view fileName, std::string data,
                           RunMessages& messages);

// The characters of one part of level 1..10, LF left out: what the heading writer feeds in.
std::string TemplatePartText(const HeadingsTemplate& tpl, int level, int part);

// The number of a level-L heading in L's style, followed by its separator. numbers[i] is the
// current number of level i + 1.
std::string FormatHeadingNumber(const HeadingsTemplate& tpl, int level,
                                const std::int32_t numbers[9]);

// Roman capitals (1..3999; decimal beyond).
std::string RomanNumber(std::int32_t n);

}  // namespace tavrel
