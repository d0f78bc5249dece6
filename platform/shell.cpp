#include "platform/shell.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <sstream>

#include "platform/files.h"
#include "platform/process.h"

namespace platform {

namespace {

std::string environment(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}

void make_folders(const std::string& folder) {
  for (std::size_t at = 1; at <= folder.size(); ++at)
    if (at == folder.size() || folder[at] == '/') ::mkdir(folder.substr(0, at).c_str(), 0755);
}

bool write_text(const std::string& file, const std::string& text) {
  make_folders(extract_file_dir(file));
  return replace_file_atomic(file, text) == FileError::none;
}

// XDG_DESKTOP_DIR="$HOME/Schreibtisch" in user-dirs.dirs.
std::string desktop_from_user_dirs(const std::string& config_home, const std::string& home) {
  ReadTextResult file = read_text_file(config_home + "/user-dirs.dirs");
  if (file.error != FileError::none) return "";
  std::istringstream lines(file.text);
  std::string line;
  while (std::getline(lines, line)) {
    if (line.rfind("XDG_DESKTOP_DIR=", 0) != 0) continue;
    std::string value = line.substr(16);
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
      value = value.substr(1, value.size() - 2);
    if (value.rfind("$HOME", 0) == 0) value = home + value.substr(5);
    if (!value.empty() && value[0] == '/') return value;
  }
  return "";
}

bool executable_file(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

// Values of desktop entries escape line ends and backslashes.
std::string entry_value(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c == '\\')
      out += "\\\\";
    else if (c == '\n')
      out += "\\n";
    else if (c == '\r')
      out += "\\r";
    else if (c == '\t')
      out += "\\t";
    else
      out += c;
  }
  return out;
}

std::string xml_text(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c == '&')
      out += "&amp;";
    else if (c == '<')
      out += "&lt;";
    else if (c == '>')
      out += "&gt;";
    else if (c == '"')
      out += "&quot;";
    else
      out += c;
  }
  return out;
}

std::string menu_file(const ShellFolders& f, const std::string& name) {
  std::string id = name;
  for (char& c : id) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
  return f.config_home + "/menus/applications-merged/" + id + ".menu";
}

std::string directory_file(const ShellFolders& f, const std::string& name) {
  std::string id = name;
  for (char& c : id) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
  return f.data_home + "/desktop-directories/" + id + ".directory";
}

bool holds_suite_mark(const std::string& file) {
  ReadTextResult r = read_text_file(file);
  return r.error == FileError::none && r.text.find(kSuiteMark) != std::string::npos;
}

}  // namespace

ShellFolders shell_folders() {
  ShellFolders f;
  std::string home = environment("HOME");
  f.data_home = environment("XDG_DATA_HOME");
  if (f.data_home.empty() || f.data_home[0] != '/') f.data_home = home + "/.local/share";
  f.config_home = environment("XDG_CONFIG_HOME");
  if (f.config_home.empty() || f.config_home[0] != '/') f.config_home = home + "/.config";
  f.programs = f.data_home + "/applications";
  f.start_menu = f.programs;
  f.desktop = desktop_from_user_dirs(f.config_home, home);
  if (f.desktop.empty()) f.desktop = home + "/Desktop";
  return f;
}

std::string quote_exec_argument(std::string_view argument) {
  bool plain = !argument.empty();
  for (char c : argument)
    if (std::string_view(" \t\n\"'\\><~|&;$*?#()`%=").find(c) != std::string_view::npos)
      plain = false;
  std::string out;
  if (plain) return std::string(argument);
  out = "\"";
  for (char c : argument) {
    if (c == '"' || c == '`' || c == '$' || c == '\\') out += '\\';
    if (c == '%') out += '%';  // a literal percent sign is doubled
    out += c;
  }
  return out + "\"";
}

std::string file_url(std::string_view path) {
  static const char* hex = "0123456789ABCDEF";
  std::string out = "file://";
  for (unsigned char c : path) {
    bool keep = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                std::string_view("/-._~").find(static_cast<char>(c)) != std::string_view::npos;
    if (keep) {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += hex[c >> 4];
      out += hex[c & 15];
    }
  }
  return out;
}

bool is_suite_entry(const std::string& file) { return holds_suite_mark(file); }

LinkResult create_link(const std::string& link_file, const ShellLink& link) {
  struct stat st;
  if (::stat(link.target.c_str(), &st) != 0) return LinkResult::target_missing;
  if (::lstat(link_file.c_str(), &st) == 0 && !holds_suite_mark(link_file))
    return LinkResult::foreign_file;
  std::string text = "[Desktop Entry]\n";
  if (executable_file(link.target)) {
    text += "Type=Application\n";
    text += "Name=" + entry_value(link.name) + "\n";
    // A comment that repeats the name says nothing (and the desktop's validator warns).
    if (!link.description.empty() && link.description != link.name)
      text += "Comment=" + entry_value(link.description) + "\n";
    std::string exec = quote_exec_argument(link.target);
    for (const std::string& a : link.arguments) exec += " " + quote_exec_argument(a);
    if (!link.mime_types.empty()) exec += " %f";
    text += "Exec=" + entry_value(exec) + "\n";
    if (!link.working_dir.empty()) text += "Path=" + entry_value(link.working_dir) + "\n";
    if (!link.mime_types.empty()) {
      text += "MimeType=";
      for (const std::string& m : link.mime_types) text += m + ";";
      text += "\n";
    }
  } else {
    text += "Type=Link\n";
    text += "Name=" + entry_value(link.name) + "\n";
    if (!link.description.empty() && link.description != link.name)
      text += "Comment=" + entry_value(link.description) + "\n";
    text += "URL=" + file_url(link.target) + "\n";
  }
  if (!link.icon.empty()) text += "Icon=" + entry_value(link.icon) + "\n";
  text += std::string(kSuiteMark) + "=true\n";
  return write_text(link_file, text) ? LinkResult::created : LinkResult::unwritable;
}

bool remove_link(const std::string& link_file) {
  return holds_suite_mark(link_file) && ::unlink(link_file.c_str()) == 0;
}

bool write_submenu(const ShellFolders& folders, const std::string& name,
                   const std::vector<std::string>& desktop_ids) {
  std::string id = extract_file_name(directory_file(folders, name));
  std::string menu =
      "<!DOCTYPE Menu PUBLIC \"-//freedesktop//DTD Menu 1.0//EN\"\n"
      " \"http://www.freedesktop.org/standards/menu-spec/1.0/menu.dtd\">\n"
      "<!-- " +
      std::string(kSuiteMark) +
      " -->\n"
      "<Menu>\n  <Name>Applications</Name>\n  <Menu>\n    <Name>" +
      xml_text(name) + "</Name>\n    <Directory>" + xml_text(id) + "</Directory>\n    <Include>\n";
  for (const std::string& d : desktop_ids)
    menu += "      <Filename>" + xml_text(d) + "</Filename>\n";
  menu += "    </Include>\n  </Menu>\n</Menu>\n";
  std::string directory = "[Desktop Entry]\nType=Directory\nName=" + entry_value(name) + "\n" +
                          std::string(kSuiteMark) + "=true\n";
  std::string mf = menu_file(folders, name), df = directory_file(folders, name);
  struct stat st;
  if ((::lstat(mf.c_str(), &st) == 0 && !holds_suite_mark(mf)) ||
      (::lstat(df.c_str(), &st) == 0 && !holds_suite_mark(df)))
    return false;
  return write_text(df, directory) && write_text(mf, menu);
}

bool remove_submenu(const ShellFolders& folders, const std::string& name) {
  bool menu = remove_link(menu_file(folders, name));
  bool directory = remove_link(directory_file(folders, name));
  return menu || directory;
}

bool write_mime_package(const ShellFolders& folders, const std::string& name,
                        const std::string& xml) {
  std::string mime = folders.data_home + "/mime";
  std::string package = mime + "/packages/" + name + ".xml";
  if (xml.empty()) {
    if (!holds_suite_mark(package) || ::unlink(package.c_str()) != 0) return false;
  } else if (!write_text(package, xml)) {
    return false;
  }
  SpawnResult r = start_program("update-mime-database", {mime}, true);
  return r.ok() && wait_program(r.pid) == 0;
}

namespace {

std::string mimeapps_file(const ShellFolders& f) { return f.config_home + "/mimeapps.list"; }

std::vector<std::string> read_lines(const std::string& file) {
  std::vector<std::string> lines;
  ReadTextResult r = read_text_file(file);
  if (r.error != FileError::none) return lines;
  std::istringstream in(r.text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::string join_lines(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& l : lines) text += l + "\n";
  return text;
}

}  // namespace

bool set_default_application(const ShellFolders& folders, const std::string& mime_type,
                             const std::string& desktop_id) {
  std::vector<std::string> lines = read_lines(mimeapps_file(folders));
  std::string entry = mime_type + "=" + desktop_id;
  bool inGroup = false, done = false;
  for (std::size_t i = 0; i < lines.size() && !done; ++i) {
    if (!lines[i].empty() && lines[i][0] == '[') {
      if (inGroup) {
        lines.insert(lines.begin() + static_cast<long>(i), entry);
        done = true;
      }
      inGroup = lines[i] == "[Default Applications]";
    } else if (inGroup && lines[i].rfind(mime_type + "=", 0) == 0) {
      lines[i] = entry;
      done = true;
    }
  }
  if (!done && inGroup) {
    lines.push_back(entry);
    done = true;
  }
  if (!done) {
    lines.push_back("[Default Applications]");
    lines.push_back(entry);
  }
  return write_text(mimeapps_file(folders), join_lines(lines));
}

bool remove_default_applications(const ShellFolders& folders, const std::string& desktop_id) {
  std::vector<std::string> lines = read_lines(mimeapps_file(folders));
  std::vector<std::string> kept;
  bool removed = false;
  for (const std::string& l : lines) {
    std::size_t eq = l.find('=');
    if (eq != std::string::npos && l[0] != '[' && l.substr(eq + 1) == desktop_id) {
      removed = true;
      continue;
    }
    kept.push_back(l);
  }
  return removed && write_text(mimeapps_file(folders), join_lines(kept));
}

std::string default_application(const ShellFolders& folders, const std::string& mime_type) {
  bool inGroup = false;
  for (const std::string& l : read_lines(mimeapps_file(folders))) {
    if (!l.empty() && l[0] == '[')
      inGroup = l == "[Default Applications]";
    else if (inGroup && l.rfind(mime_type + "=", 0) == 0)
      return l.substr(mime_type.size() + 1);
  }
  return "";
}

}  // namespace platform
