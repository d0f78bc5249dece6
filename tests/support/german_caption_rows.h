// The reviewed table of German captions (tests/golden/formatter_windows/german_captions.tsv),
// read the way the caption dump writes its rows.
#pragma once

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace tavrel {

// "control<TAB>german" for a caption, "control part index<TAB>german" for the other parts, for
// the rows of one window.
inline std::vector<std::string> GermanCaptionRows(const std::string& form) {
  std::ifstream in(std::string(CORVINA_SOURCE_DIR) +
                   "/tests/golden/formatter_windows/german_captions.tsv");
  std::vector<std::string> rows;
  for (std::string line; std::getline(in, line);) {
    std::istringstream fields(line);
    std::string name, control, part, index, german;
    std::getline(fields, name, '\t');
    std::getline(fields, control, '\t');
    std::getline(fields, part, '\t');
    std::getline(fields, index, '\t');
    std::getline(fields, german);
    if (name != form) continue;
    std::string key = control;
    if (part != "caption") key += " " + part + " " + index;
    rows.push_back(key + "\t" + german);
  }
  return rows;
}

}  // namespace tavrel
