// The files for the application program whose help a run produces: the OS/2 help table
// (HELPTABLE with one HELPSUBTABLE per item, from the .RC lines) and the panel ID file (one
// definition per .ID line), in C or Pascal syntax. Also the reset of the run's link lists.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace skeldon {

struct CompilerRun;
struct THeadingNode;

struct THelpSubItem {
  THeadingNode* Topic = nullptr;
  std::string Name;
};

struct THelpTableItem {
  THeadingNode* Topic = nullptr;  // topic of an .RC NAME line without sub-item
  std::vector<THelpSubItem> SubItems;
  std::string Name;
};

struct THelpTableState {
  std::vector<THelpTableItem> HelpTableList;  // in order of first appearance
  std::string LastMainItemName;               // at most 50
  std::string PanelIdFile;                    // text of the panel ID file
  std::string PanelIdFileName;
  bool PanelIdFileOpen = false;
};

void HandleRcCommand(CompilerRun& run, std::string_view text);
void HandleIdCommand(CompilerRun& run, std::string_view text);
void WriteHelpTables(CompilerRun& run);
void WriteHelpTableFile(CompilerRun& run);
void ResetLinkLists(CompilerRun& run);
void InitSourceUnit(CompilerRun& run);

}  // namespace skeldon
