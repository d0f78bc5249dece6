// The cross-process window layer against a real second process (the stand-in editor).
#include "platform/gui/window_registry.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "tests/support/stand_in_editor_process.h"
#include "tests/support/test_support.h"

using platform::gui::ForeignMessage;
using platform::gui::WindowHandle;
using platform::gui::WindowRegistry;

namespace {

class RegistryTest : public ::testing::Test {
 protected:
  corvina_test::TempDir work{"wreg"};
  std::string dir = (work.Path() / "windows").string();
  WindowRegistry registry{dir};

  // Messages arrive asynchronously: read until n have come or a generous limit passed.
  static std::vector<ForeignMessage> receive_n(platform::gui::RegisteredWindow& window,
                                               std::size_t n) {
    std::vector<ForeignMessage> got;
    for (int i = 0; i < 2000 && got.size() < n; ++i) {
      while (auto m = window.receive()) got.push_back(*m);
      if (got.size() < n) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return got;
  }
};

TEST_F(RegistryTest, DirectoryIsPrivate) {
  ASSERT_TRUE(registry.ok()) << registry.error();
  struct stat info {};
  ASSERT_EQ(::lstat(dir.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0700u);
}

TEST_F(RegistryTest, UnsafeDirectoriesAreRefused) {
  const std::string open = (work.Path() / "open").string();
  ::mkdir(open.c_str(), 0755);
  ::chmod(open.c_str(), 0755);
  const std::string file = (work.Path() / "file").string();
  std::ofstream(file) << "x";
  const std::string link = (work.Path() / "link").string();
  std::filesystem::create_directory_symlink(dir, link);
  for (const auto& path : {open, file, link}) {
    WindowRegistry unsafe(path);
    EXPECT_FALSE(unsafe.ok()) << path;
    EXPECT_EQ(unsafe.register_window("x"), nullptr) << path;
  }
}

TEST_F(RegistryTest, ZOrderFollowsActivationAcrossProcesses) {
  auto own = registry.register_window("Tavrel");
  ASSERT_NE(own, nullptr);
  corvina_test::StandInEditor editor(dir, work.Path().string(),
                                     {"--title", "REPORT.WS - DUNMOOR", "--child", "1"});
  ASSERT_GT(editor.top(), 0);
  ASSERT_GT(editor.child(), 0);
  // The newest window is on top; the child is no top-level window.
  EXPECT_EQ(registry.z_order(), (std::vector<WindowHandle>{editor.top(), own->handle()}));
  own->activate();
  EXPECT_EQ(registry.z_order(), (std::vector<WindowHandle>{own->handle(), editor.top()}));
  EXPECT_TRUE(registry.bring_to_front(editor.top()));
  EXPECT_EQ(registry.z_order().front(), editor.top());
  EXPECT_EQ(registry.window_title(editor.top()), "REPORT.WS - DUNMOOR");
  EXPECT_EQ(registry.first_child(editor.top()), editor.child());
  EXPECT_EQ(registry.first_child(own->handle()), 0);
}

TEST_F(RegistryTest, TitleIsReadInto199Characters) {
  const std::string longTitle = std::string(150, 'a') + "REPORT.WS" + std::string(150, 'b');
  auto own = registry.register_window(longTitle);
  ASSERT_NE(own, nullptr);
  EXPECT_EQ(registry.window_title(own->handle()), longTitle.substr(0, 199));
  own->set_title("short");
  EXPECT_EQ(registry.window_title(own->handle()), "short");
}

TEST_F(RegistryTest, StreamArrivesCompleteAndInOrder) {
  corvina_test::StandInEditor editor(dir, work.Path().string(),
                                     {"--title", "report.ws (Par 1)", "--child", "1"});
  ASSERT_GT(editor.child(), 0);
  // More than the socket queue holds at once: the sender waits for room, nothing is lost.
  const int count = 3000;
  for (int i = 0; i < count; ++i)
    ASSERT_TRUE(registry.post(editor.child(), 7777, 100, i % 256)) << i;
  ASSERT_TRUE(registry.post(editor.child(), 0x12, 0, 0));
  editor.wait();
  const auto lines = editor.received();
  ASSERT_EQ(lines.size(), static_cast<std::size_t>(count + 1));
  for (int i = 0; i < count; ++i)
    ASSERT_EQ(lines[i], "child 7777 100 " + std::to_string(i % 256)) << i;
  EXPECT_EQ(lines.back(), "child 18 0 0");
}

TEST_F(RegistryTest, EditorCommandsReachOurWindow) {
  auto own = registry.register_window("Tavrel");
  ASSERT_NE(own, nullptr);
  corvina_test::StandInEditor editor(
      dir, work.Path().string(),
      {"--title", "x - DUNMOOR", "--reply-to", std::to_string(own->handle()), "--send",
       "3:65,3:-1,7:12,10:99"});
  const auto got = receive_n(*own, 4);
  ASSERT_EQ(got.size(), 4u);
  const int expected[4][3] = {{7777, 3, 65}, {7777, 3, -1}, {7777, 7, 12}, {7777, 10, 99}};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(got[i].message, static_cast<std::uint32_t>(expected[i][0]));
    EXPECT_EQ(got[i].wParam, expected[i][1]);
    EXPECT_EQ(got[i].lParam, expected[i][2]);
  }
}

TEST_F(RegistryTest, DeadProcessEntryIsRemovedByTheWalk) {
  corvina_test::StandInEditor editor(dir, work.Path().string(),
                                     {"--title", "dead - DUNMOOR", "--child", "1"});
  const WindowHandle top = editor.top();
  ASSERT_GT(top, 0);
  editor.kill_now();
  // Killed: it could not clean up, its entry is still there.
  ASSERT_TRUE(std::filesystem::exists(dir + "/" + std::to_string(top) + ".entry"));
  EXPECT_TRUE(registry.z_order().empty());
  EXPECT_FALSE(std::filesystem::exists(dir + "/" + std::to_string(top) + ".entry"));
  EXPECT_FALSE(std::filesystem::exists(dir + "/" + std::to_string(top) + ".sock"));
  EXPECT_FALSE(registry.post(top, 7777, 1, 0));
}

TEST_F(RegistryTest, ForeignSocketsAreNotPostedTo) {
  auto own = registry.register_window("Tavrel");
  ASSERT_NE(own, nullptr);
  const std::string sock = dir + "/" + std::to_string(own->handle()) + ".sock";
  const std::string moved = dir + "/moved.sock";
  // A symbolic link in place of the socket, and a plain file, are not our sockets.
  ASSERT_EQ(::rename(sock.c_str(), moved.c_str()), 0);
  std::filesystem::create_symlink(moved, sock);
  EXPECT_FALSE(registry.post(own->handle(), 7777, 1, 0));
  std::filesystem::remove(sock);
  std::ofstream(sock) << "not a socket";
  EXPECT_FALSE(registry.post(own->handle(), 7777, 1, 0));
  EXPECT_FALSE(own->receive().has_value());
}

TEST_F(RegistryTest, DatagramsOfAnotherShapeAreDropped) {
  auto own = registry.register_window("Tavrel");
  ASSERT_NE(own, nullptr);
  const int fd = ::socket(AF_UNIX, SOCK_DGRAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const std::string path = dir + "/" + std::to_string(own->handle()) + ".sock";
  std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
  const unsigned char shortOne[3] = {1, 2, 3};
  unsigned char wrongMagic[16] = {};
  wrongMagic[4] = 0x61;
  unsigned char longOne[40] = {};
  for (const auto& [data, size] :
       {std::pair<const void*, std::size_t>{shortOne, 3}, {wrongMagic, 16}, {longOne, 40}})
    ASSERT_EQ(::sendto(fd, data, size, 0, reinterpret_cast<sockaddr*>(&address), sizeof address),
              static_cast<ssize_t>(size));
  ::close(fd);
  ASSERT_TRUE(registry.post(own->handle(), 7777, 62, 1));
  const auto m = own->receive();
  ASSERT_TRUE(m.has_value());
  EXPECT_EQ(m->wParam, 62);
  EXPECT_EQ(m->lParam, 1);
  EXPECT_FALSE(own->receive().has_value());
}

}  // namespace

#include <QCoreApplication>
#include <QTest>

#include "platform/gui/foreign_window_port.h"

namespace {

TEST_F(RegistryTest, PortHandsForeignMessagesToTheGuiThread) {
  std::vector<std::array<std::int32_t, 3>> got;
  platform::gui::ForeignWindowPort port(registry, "Tavrel",
                                        [&](std::uint32_t m, std::int32_t w, std::int32_t l) {
                                          EXPECT_TRUE(platform::gui::on_gui_thread());
                                          got.push_back({static_cast<std::int32_t>(m), w, l});
                                          return std::intptr_t{0};
                                        });
  ASSERT_TRUE(port.ok());
  corvina_test::StandInEditor editor(dir, work.Path().string(),
                                     {"--title", "x - DUNMOOR", "--reply-to",
                                      std::to_string(port.handle()), "--send", "1:0,9:4,199:0"});
  QTRY_COMPARE_WITH_TIMEOUT(got.size(), std::size_t{3}, 10000);
  const std::vector<std::array<std::int32_t, 3>> expected = {
      {7777, 1, 0}, {7777, 9, 4}, {7777, 199, 0}};
  EXPECT_EQ(got, expected);
}

TEST_F(RegistryTest, PortWithoutUsableRegistryIsInert) {
  WindowRegistry broken((work.Path() / "missing" / "deeper").string());
  ASSERT_FALSE(broken.ok());
  platform::gui::ForeignWindowPort port(broken, "Tavrel", nullptr);
  EXPECT_FALSE(port.ok());
  EXPECT_EQ(port.handle(), 0);
  port.set_title("still fine");
  port.activate();
}

}  // namespace
