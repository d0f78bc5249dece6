#pragma once
// The help files of the program directory: the panel table ("tavdoc-e.pan", help topic numbers
// by name) and the dot-command help list ("dothelpg.txt" / "dothelpe.txt"). Each is read on its
// first use and kept; a missing file is not tried again.

#include <cstdint>
#include <string>
#include <vector>

namespace tavrel {

class MessageBoxes;

struct HelpFiles {
  struct Panel {
    std::string Name;
    std::int16_t Number = 0;
  };
  struct DotHelp {
    std::string Command;  // empty: never found
    std::string Text;     // display code page
    std::int16_t Panel = 0;
  };

  std::string ProgramDirectory;
  std::uint8_t Language = 0;
  MessageBoxes* Boxes = nullptr;  // reports a missing panel table

  bool PanelsRead = false;
  std::vector<Panel> Panels;
  bool DotHelpRead = false;
  std::vector<DotHelp> DotHelpList;
};

// Keeps the help in the language the settings choose: a dot-command list read in another
// language is dropped and read again from its own file at the next look-up.
void FollowLanguage(HelpFiles& help, std::uint8_t language);

// The number of the first panel named exactly so; 0 when none.
std::int16_t LookUpPanelNumber(HelpFiles& help, const std::string& name);

// The help of the first command that the line begins with (case ignored); empty text when none.
void LookUpDotCommandHelp(HelpFiles& help, const std::string& line, std::int16_t& panelNumber,
                          std::string& text);

}  // namespace tavrel
