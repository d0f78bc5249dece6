// The registry of Windows, as far as the suite uses it: keys below a root such as
// "HKEY_CLASSES_ROOT", each with a class and a default text value. It lives in one text file
// per user ($XDG_CONFIG_HOME/corvina/registry), read whole, changed in memory and replaced
// atomically; names are compared without regard to case, as Windows does.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

enum class RegistryError {
  none,
  damaged,     // the file is not a registry store: nothing is read or written
  in_use,      // another process holds the store
  unwritable,  // the store cannot be saved
};
const char* registry_error_text(RegistryError error);

class RegistryStore {
 public:
  struct Key {
    std::string name;  // full path, "\"-separated, with the case it was created in
    std::string class_name;
    std::optional<std::string> default_value;
  };

  // $XDG_CONFIG_HOME/corvina/registry (~/.config when XDG_CONFIG_HOME is unset).
  static std::string default_path();

  explicit RegistryStore(std::string path);
  ~RegistryStore();
  RegistryStore(const RegistryStore&) = delete;
  RegistryStore& operator=(const RegistryStore&) = delete;

  // Takes the store for this process (other processes get in_use until it is destroyed) and
  // reads it; a missing file is an empty store.
  RegistryError open();
  // Writes the store back (temporary file and rename).
  RegistryError save();

  bool exists(std::string_view key) const;
  // RegCreateKeyEx: opens or creates the key and its parents; a new key gets the class.
  void create(std::string_view key, std::string_view class_name = "");
  // RegDeleteKey: only a key without subkeys; false when it is missing or has some.
  bool remove(std::string_view key);
  std::optional<std::string> default_value(std::string_view key) const;
  // Creates the key when needed.
  void set_default_value(std::string_view key, std::string_view value);
  // Every key in name order, for export and tests.
  std::vector<Key> keys() const;

 private:
  static std::string fold(std::string_view key);
  std::string path_;
  int lock_fd_ = -1;
  std::map<std::string, Key> keys_;  // by folded name
};

}  // namespace platform
