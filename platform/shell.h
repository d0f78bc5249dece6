// The desktop's shell folders, links and file associations, on the freedesktop.org
// mechanisms: a link is a desktop entry, the start menu is $XDG_DATA_HOME/applications with a
// menu file for a submenu, a file type is a shared-mime-info package, and the program that
// opens a type stands in mimeapps.list. Everything written here carries the suite's mark, so
// that removal takes away exactly what the suite made.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace platform {

struct ShellFolders {
  std::string data_home;    // $XDG_DATA_HOME or ~/.local/share
  std::string config_home;  // $XDG_CONFIG_HOME or ~/.config
  std::string programs;     // data_home/applications: the start menu's programs
  std::string start_menu;   // the same folder: its entries show at the top level
  std::string desktop;      // XDG_DESKTOP_DIR of user-dirs.dirs, else ~/Desktop
};
ShellFolders shell_folders();

// The key written into every entry the suite makes.
inline constexpr std::string_view kSuiteMark = "X-Corvina-Made";

struct ShellLink {
  std::string target;  // a program, a document or a folder
  std::string working_dir;
  std::string name;  // shown
  std::string description;
  std::string icon;  // a PNG file, or empty
  std::vector<std::string> arguments;
  // For a program that opens documents of these types: its Exec line takes the file (%f).
  std::vector<std::string> mime_types;
};

enum class LinkResult {
  created,
  target_missing,  // nothing to link to: no entry is made
  foreign_file,    // an entry of that name exists that the suite did not make: left alone
  unwritable,
};

// Writes the desktop entry link_file (a program: Type=Application with its Exec line; a
// document or folder: Type=Link with a file:// URL).
LinkResult create_link(const std::string& link_file, const ShellLink& link);
// Removes an entry the suite made; false when it is missing or someone else's.
bool remove_link(const std::string& link_file);
bool is_suite_entry(const std::string& file);

// One argument of an Exec line, quoted by the rules of desktop entry files.
std::string quote_exec_argument(std::string_view argument);
// A file:// URL of an absolute path, with the characters a URL cannot hold escaped.
std::string file_url(std::string_view path);

// The submenu: a menu file in config_home/menus/applications-merged and its directory entry
// in data_home/desktop-directories, listing the given desktop file ids.
bool write_submenu(const ShellFolders& folders, const std::string& name,
                   const std::vector<std::string>& desktop_ids);
// Removes both files when they are the suite's; false when nothing was removed.
bool remove_submenu(const ShellFolders& folders, const std::string& name);

// A shared-mime-info package data_home/mime/packages/<name>.xml, then update-mime-database.
// An empty xml removes the package. False when the file or the database update fails.
bool write_mime_package(const ShellFolders& folders, const std::string& name,
                        const std::string& xml);

// mimeapps.list in config_home: the default application of a MIME type, keeping every other
// line; and the removal of the defaults that name desktop_id (no other line changes).
bool set_default_application(const ShellFolders& folders, const std::string& mime_type,
                             const std::string& desktop_id);
bool remove_default_applications(const ShellFolders& folders, const std::string& desktop_id);
// The default application of a type in mimeapps.list, empty when none.
std::string default_application(const ShellFolders& folders, const std::string& mime_type);

}  // namespace platform
