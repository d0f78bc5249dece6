// RTF documents written by other programs, for the tests of the RTF conversions: the same text
// (two headings, umlauts, a footnote, a table) made by pandoc from Markdown and by LibreOffice
// from an OpenDocument text the test writes.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/program_runner.h"
#include "tests/support/test_support.h"

namespace corvina_test {

// The document's words as they come out in code page 850.
inline const std::vector<std::string>& OfficeDocumentWords() {
  static const std::vector<std::string> words = {"Erste",
                                                 "\x9A"
                                                 "berschrift",
                                                 "Umlauten:",
                                                 "\x84\x94\x81",
                                                 "\xE1",
                                                 "Fu\xE1note",
                                                 "Anmerkung.",
                                                 "Zweite",
                                                 "Ebene",
                                                 "eins",
                                                 "zwei",
                                                 "Ende."};
  return words;
}

inline int RunQuietly(const std::vector<std::string>& argv, const std::string& home) {
  return RunProgramIn("", argv, "", home);
}

// pandoc's RTF of the document in dir/pandoc.rtf; empty when pandoc failed.
inline std::string MakePandocRtf(const std::filesystem::path& dir) {
  WriteFile(dir / "pandoc.md",
            "# Erste \xC3\x9C"
            "berschrift\n\n"
            "Text mit Umlauten: \xC3\xA4\xC3\xB6\xC3\xBC \xC3\x9F und eine Fu\xC3\x9Fnote[^1].\n\n"
            "## Zweite Ebene\n\n| Name | Wert |\n|------|------|\n| eins | zwei |\n\nEnde.\n\n"
            "[^1]: Die Anmerkung.\n");
  const std::string rtf = (dir / "pandoc.rtf").string();
  if (RunQuietly({"pandoc", "-s", "-t", "rtf", "-o", rtf, (dir / "pandoc.md").string()},
                 dir.string()) != 0)
    return {};
  return rtf;
}

// LibreOffice's RTF of the document in dir/office.rtf, by way of an .odt; empty on failure.
inline std::string MakeLibreOfficeRtf(const std::filesystem::path& dir) {
  WriteFile(
      dir / "office.fodt",
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<office:document xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
      "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\" "
      "xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" "
      "office:version=\"1.2\" office:mimetype=\"application/vnd.oasis.opendocument.text\">"
      "<office:body><office:text>\n"
      "<text:h text:outline-level=\"1\">Erste \xC3\x9C"
      "berschrift</text:h>\n"
      "<text:p>Text mit Umlauten: \xC3\xA4\xC3\xB6\xC3\xBC \xC3\x9F und eine Fu\xC3\x9Fnote"
      "<text:note text:note-class=\"footnote\"><text:note-citation>1</text:note-citation>"
      "<text:note-body><text:p>Die Anmerkung.</text:p></text:note-body></text:note>.</text:p>\n"
      "<text:h text:outline-level=\"2\">Zweite Ebene</text:h>\n"
      "<table:table><table:table-column table:number-columns-repeated=\"2\"/>"
      "<table:table-row><table:table-cell><text:p>eins</text:p></table:table-cell>"
      "<table:table-cell><text:p>zwei</text:p></table:table-cell></table:table-row>"
      "</table:table>\n<text:p>Ende.</text:p>\n"
      "</office:text></office:body></office:document>\n");
  const std::string profile = "-env:UserInstallation=file://" + (dir / "lo-profile").string();
  const std::string outdir = dir.string();
  if (RunQuietly({"soffice", profile, "--headless", "--convert-to", "odt", "--outdir", outdir,
                  (dir / "office.fodt").string()},
                 outdir) != 0 ||
      !std::filesystem::exists(dir / "office.odt"))
    return {};
  if (RunQuietly({"soffice", profile, "--headless", "--convert-to", "rtf", "--outdir", outdir,
                  (dir / "office.odt").string()},
                 outdir) != 0 ||
      !std::filesystem::exists(dir / "office.rtf"))
    return {};
  return (dir / "office.rtf").string();
}

}  // namespace corvina_test
