// What the install button does: the editor-path file, the start-menu group and its links,
// the start-menu and desktop links, and the WordStar file associations, written to the
// suite's registry and exported to the desktop's file types.
#pragma once

#include <string>

#include "tools/install/install_run.h"

namespace install_tool {

// "English.txt" or "Deutsch.txt" in the current directory, as Tavrel reads it at its start.
void WriteLanguageMarker(InstallRun& run);
// Fields 803 and 811 as the dialog holds them; false (with a box) when one is too long.
bool ReadDirectoryFields(InstallRun& run, const std::string& editorField,
                         const std::string& formatterField);
void WriteEditorNameFile(InstallRun& run);
// Every install step after the fields were read; the box at the end names what failed.
void RunInstallSteps(InstallRun& run);

// The desktop file name of a link ("Tavrel Documentation" -> "tavrel-documentation.desktop").
std::string LinkFileName(const std::string& linkName);
// The desktop's file types and default application from the associations in the registry:
// called after the associations were written or removed.
bool ExportAssociations(InstallRun& run);

// Names the suite uses for the types and Tavrel's entry in the group.
inline constexpr const char* kUnformattedType = "application/x-wordstar-unformatted";
inline constexpr const char* kFormattedType = "application/x-wordstar-formatted";
inline constexpr const char* kMimePackage = "corvina-wordstar";
inline constexpr const char* kGroupFolderName = "corvina";
// Desktop file id of Tavrel's entry in the group (applications/corvina/tavrel.desktop).
inline constexpr const char* kTavrelDesktopId = "corvina-tavrel.desktop";
// Where the links that an installation made are recorded for the removal.
inline constexpr const char* kMadeLinksKey = "HKEY_CURRENT_USER\\Software\\Corvina\\Links";

}  // namespace install_tool
