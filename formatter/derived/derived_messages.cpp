#include "formatter/derived/derived_messages.h"

#include <array>
#include <stdexcept>

#include "formatter/common/messages.h"

namespace tavrel {
namespace {

struct Row {
  DerivedText Id;
  std::string_view German;  // code page 850
  std::string_view English;
};

using T = DerivedText;
constexpr Row kRows[] = {
    {T::kCompilingVolumes, "Bearbeiten der ___.IX%1-Dateien...", "Compiling ___.IX%1 files..."},
    {T::kCannotOpenFile,
     "Datei %1 kann nicht ge\x94"
     "ffnet werden.",
     "Cannot open file %1"},
    {T::kReadingIndexFile, "Die Stichw\x94rterdatei %1", "reading index file %1"},
    {T::kVolume, " (Band %1)", " (Volume %1)"},
    {T::kReadingIndexFileEnd, " wird in den Speicher gelesen...", "..."},
    {T::kIndexEntryEmpty, "%1-tes Stichwort leer, d.h. Markierungszeichen steht alleine im Text",
     "%1st index entry empty, that means index char occurs separately from a word"},
    {T::kIndexEntryNotAccepted, "%1-tes Stichwort kann nicht akzeptiert werden!",
     "%1st index entry cannot be accepted"},
    {T::kIndexFileCorrupted, " Stichwort-Datei fehlerhaft ", "Index file is corrupted"},
    {T::kIndexFileName, "Das Stichwortverzeichnis wird in %1 abgelegt... ",
     "The index file name is %1"},
    {T::kErrorWritingFile, "Fehler beim Schreiben der Datei %1", "error writing file %1"},
    {T::kIndexTitle, " Stichwortverzeichnis Nr. %1 ", "Index Number %1 "},
    {T::kNumberRequired, "FEHLER: Seite %1: Nach .%2 mu\xE1 eine Zahl folgen!",
     "Error page %1Number required after .%2"},
    {T::kNumberOutOfRange, "Fehler beim Punktbefehl .%1%2 Zahl stimmt nicht  ",
     "Error in dot command .%1%2Number out of range"},
};
static_assert(std::size(kRows) == static_cast<std::size_t>(DerivedText::kCount));

constexpr bool RowsInOrder() {
  for (std::size_t i = 0; i < std::size(kRows); ++i)
    if (static_cast<std::size_t>(kRows[i].Id) != i) return false;
  return true;
}
static_assert(RowsInOrder(), "rows in the order of DerivedText");

std::string Substitute(std::string_view text, std::initializer_list<std::string_view> args) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 1 < text.size() && text[i + 1] >= '1' && text[i + 1] <= '9') {
      const std::size_t n = static_cast<std::size_t>(text[i + 1] - '1');
      if (n < args.size()) out += *(args.begin() + n);
      ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

}  // namespace

std::string DerivedMessage(std::uint8_t language, DerivedText id,
                           std::initializer_list<std::string_view> args) {
  const auto index = static_cast<std::size_t>(id);
  if (index >= std::size(kRows)) throw std::out_of_range("no such derived text");
  const Row& row = kRows[index];
  return ShowMessage(language, {Substitute(row.German, args), Substitute(row.English, args)});
}

}  // namespace tavrel
