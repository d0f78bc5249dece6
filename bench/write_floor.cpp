// The file-system floor of a compile run: the time to write the same files with the same bytes
// by plain writes (open, write, close), nothing else. The files are read into memory first
// (not timed); the written copy goes into a fresh folder, as a first compile's pages do.
//
// Usage: build/normal/bench/write_floor SOURCE_FOLDER TARGET_FOLDER
//   -> prints "<ms> <files> <setup us>": the writes, and the time from main() to the first
//   write (reading the files), which a caller timing the whole process takes off.
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace fs = std::filesystem;

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: write_floor SOURCE_FOLDER TARGET_FOLDER\n");
    return 2;
  }
  const auto entered = std::chrono::steady_clock::now();
  const fs::path source = argv[1], target = argv[2];
  struct File {
    fs::path Name;
    std::string Bytes;
  };
  std::vector<File> files;
  std::vector<fs::path> folders;
  for (const fs::directory_entry& e : fs::recursive_directory_iterator(source)) {
    const fs::path relative = fs::relative(e.path(), source);
    if (e.is_directory()) {
      folders.push_back(target / relative);
    } else if (e.is_regular_file()) {
      std::ifstream in(e.path(), std::ios::binary);
      files.push_back({target / relative, std::string(std::istreambuf_iterator<char>(in), {})});
    }
  }
  fs::create_directories(target);
  const auto start = std::chrono::steady_clock::now();
  for (const fs::path& folder : folders) fs::create_directories(folder);
  for (const File& f : files) {
    const int fd = ::open(f.Name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0 ||
        ::write(fd, f.Bytes.data(), f.Bytes.size()) != static_cast<ssize_t>(f.Bytes.size()) ||
        ::close(fd) != 0) {
      std::perror(f.Name.c_str());
      return 1;
    }
  }
  const auto end = std::chrono::steady_clock::now();
  using std::chrono::duration_cast;
  const long long writeMs = duration_cast<std::chrono::milliseconds>(end - start).count();
  const long long setupUs = duration_cast<std::chrono::microseconds>(start - entered).count();
  std::printf("%lld %zu %lld\n", writeMs, files.size(), setupUs);
  return 0;
}
