// The application's tests run the real windows on Qt's offscreen platform.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <cstdlib>
#include <filesystem>
#include <string>

int main(int argc, char** argv) {
  ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
  // The main windows register among the windows of other processes: in a folder of this run
  // only, so that no editor of the user or of another test run takes part.
  std::string runtime = (std::filesystem::temp_directory_path() / "tavrel-app-XXXXXX").string();
  if (::mkdtemp(runtime.data())) ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  const int result = RUN_ALL_TESTS();
  std::error_code ec;
  std::filesystem::remove_all(runtime, ec);
  return result;
}
