#include "platform/registry.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <sstream>

#include "platform/files.h"

namespace platform {

namespace {

// The file: a first line naming the format, then one line per key: name, class and default
// value separated by tabs, the value prefixed with "=" when it is set; "\", tab and line
// ends inside a field are escaped.
constexpr std::string_view kHeader = "corvina registry 1";

std::string escape(std::string_view s) {
  std::string out;
  for (char c : s) {
    switch (c) {
      case '\\':
        out += "\\\\";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      default:
        out += c;
    }
  }
  return out;
}

bool unescape(std::string_view s, std::string& out) {
  out.clear();
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] != '\\') {
      out += s[i];
      continue;
    }
    if (++i == s.size()) return false;
    switch (s[i]) {
      case '\\':
        out += '\\';
        break;
      case 't':
        out += '\t';
        break;
      case 'n':
        out += '\n';
        break;
      case 'r':
        out += '\r';
        break;
      default:
        return false;
    }
  }
  return true;
}

std::string parent_of(const std::string& key) {
  std::size_t cut = key.rfind('\\');
  return cut == std::string::npos ? std::string() : key.substr(0, cut);
}

}  // namespace

const char* registry_error_text(RegistryError error) {
  switch (error) {
    case RegistryError::none:
      return "no error";
    case RegistryError::damaged:
      return "the registry file is damaged";
    case RegistryError::in_use:
      return "the registry file is in use by another program";
    case RegistryError::unwritable:
      return "the registry file cannot be written";
  }
  return "unknown error";
}

std::string RegistryStore::default_path() {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  std::string base = config && *config
                         ? config
                         : std::string(std::getenv("HOME") ? std::getenv("HOME") : "") + "/.config";
  return base + "/corvina/registry";
}

RegistryStore::RegistryStore(std::string path) : path_(std::move(path)) {}

RegistryStore::~RegistryStore() {
  if (lock_fd_ >= 0) ::close(lock_fd_);
}

std::string RegistryStore::fold(std::string_view key) {
  std::string out(key);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    if (c == '/') c = '\\';
  }
  while (!out.empty() && out.back() == '\\') out.pop_back();
  return out;
}

RegistryError RegistryStore::open() {
  std::string folder = extract_file_dir(path_);
  // The folder may be missing on a fresh account.
  for (std::size_t at = 1; at <= folder.size(); ++at) {
    if (at == folder.size() || folder[at] == '/') ::mkdir(folder.substr(0, at).c_str(), 0700);
  }
  if (lock_fd_ < 0) {
    lock_fd_ = ::open((path_ + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (lock_fd_ < 0) return RegistryError::unwritable;
    if (::flock(lock_fd_, LOCK_EX | LOCK_NB) != 0) {
      ::close(lock_fd_);
      lock_fd_ = -1;
      return RegistryError::in_use;
    }
  }
  keys_.clear();
  ReadTextResult file = read_text_file(path_);
  if (file.error == FileError::missing) return RegistryError::none;
  if (file.error != FileError::none) return RegistryError::damaged;
  std::istringstream lines(file.text);
  std::string line;
  if (!std::getline(lines, line) || line != kHeader) return RegistryError::damaged;
  std::map<std::string, Key> read;
  while (std::getline(lines, line)) {
    if (line.empty()) continue;
    std::size_t tab1 = line.find('\t');
    std::size_t tab2 = tab1 == std::string::npos ? tab1 : line.find('\t', tab1 + 1);
    if (tab2 == std::string::npos || line.find('\t', tab2 + 1) != std::string::npos)
      return RegistryError::damaged;
    Key key;
    std::string value;
    std::string_view valueField = std::string_view(line).substr(tab2 + 1);
    if (!unescape(std::string_view(line).substr(0, tab1), key.name) || key.name.empty() ||
        !unescape(std::string_view(line).substr(tab1 + 1, tab2 - tab1 - 1), key.class_name) ||
        !unescape(valueField.empty() ? valueField : valueField.substr(1), value) ||
        (!valueField.empty() && valueField[0] != '='))
      return RegistryError::damaged;
    if (!valueField.empty()) key.default_value = value;
    read[fold(key.name)] = std::move(key);
  }
  keys_ = std::move(read);
  return RegistryError::none;
}

RegistryError RegistryStore::save() {
  std::string text(kHeader);
  text += '\n';
  for (const auto& [folded, key] : keys_) {
    text += escape(key.name) + '\t' + escape(key.class_name) + '\t';
    if (key.default_value) text += '=' + escape(*key.default_value);
    text += '\n';
  }
  return replace_file_atomic(path_, text) == FileError::none ? RegistryError::none
                                                             : RegistryError::unwritable;
}

bool RegistryStore::exists(std::string_view key) const { return keys_.count(fold(key)) > 0; }

void RegistryStore::create(std::string_view key, std::string_view class_name) {
  std::string name(key);
  while (!name.empty() && name.back() == '\\') name.pop_back();
  if (name.empty() || exists(name)) return;
  std::string parent = parent_of(name);
  if (!parent.empty()) create(parent);
  keys_[fold(name)] = Key{name, std::string(class_name), std::nullopt};
}

bool RegistryStore::remove(std::string_view key) {
  std::string folded = fold(key);
  auto it = keys_.find(folded);
  if (it == keys_.end()) return false;
  std::string below = folded + "\\";
  auto child = keys_.lower_bound(below);
  if (child != keys_.end() && child->first.compare(0, below.size(), below) == 0) return false;
  keys_.erase(it);
  return true;
}

std::optional<std::string> RegistryStore::default_value(std::string_view key) const {
  auto it = keys_.find(fold(key));
  if (it == keys_.end()) return std::nullopt;
  return it->second.default_value;
}

void RegistryStore::set_default_value(std::string_view key, std::string_view value) {
  create(key);
  keys_[fold(key)].default_value = std::string(value);
}

std::vector<RegistryStore::Key> RegistryStore::keys() const {
  std::vector<Key> out;
  for (const auto& [folded, key] : keys_) out.push_back(key);
  return out;
}

}  // namespace platform
