#include "platform/drives.h"

#include <gtest/gtest.h>

#include "tests/support/test_support.h"

namespace {

std::string Letters(const std::vector<platform::Drive>& drives) {
  std::string out;
  for (const auto& d : drives) out += std::string(1, d.letter) + "=" + d.root + ";";
  return out;
}

TEST(DrivesTest, MountTableGivesTheFoldersThatHoldFiles) {
  const char* mounts =
      "overlay / overlay rw 0 0\n"
      "proc /proc proc rw 0 0\n"
      "tmpfs /run tmpfs rw 0 0\n"
      "tmpfs /dev/shm tmpfs rw 0 0\n"
      "/dev/sdc1 /data ext4 rw 0 0\n"
      "/dev/sdb1 /media/usb\\040stick vfat rw 0 0\n"
      "tmpfs /tmp tmpfs rw 0 0\n"
      "cgroup2 /sys/fs/cgroup cgroup2 rw 0 0\n"
      "/dev/sdc1 /data ext4 rw 0 0\n"
      "broken line\n";
  auto drives = platform::drives_from_mount_table(mounts);
  EXPECT_EQ(Letters(drives), "C=/;D=/data;E=/media/usb stick;F=/tmp;");
  EXPECT_FALSE(drives[0].must_be_mount_point);
  EXPECT_TRUE(drives[1].must_be_mount_point);

  EXPECT_EQ(platform::drive_of_path(drives, "/media/usb stick/a")->letter, 'E');
  EXPECT_EQ(platform::drive_of_path(drives, "/datafile")->letter, 'C');
  EXPECT_EQ(platform::drive_of_path(drives, "/data")->letter, 'D');
  EXPECT_EQ(platform::drive_of_path(drives, "relative"), nullptr);
  EXPECT_EQ(platform::find_drive(drives, 'f')->root, "/tmp");
  EXPECT_EQ(platform::find_drive(drives, 'Q'), nullptr);
}

TEST(DrivesTest, AMappedDriveIsReadyWhenItsFolderExists) {
  corvina_test::TempDir dir{"drives"};
  auto drives = platform::drives_from_mapping("D=" + (dir / "media") + "/;C=/");
  ASSERT_EQ(Letters(drives), "C=/;D=" + (dir / "media") + ";");
  EXPECT_TRUE(platform::drive_ready(drives[0]));
  EXPECT_FALSE(platform::drive_ready(drives[1]));
  std::filesystem::create_directory(dir / "media");
  EXPECT_TRUE(platform::drive_ready(drives[1]));
  // A folder that should be a mount point and is not: an empty media mount point.
  EXPECT_FALSE(platform::drive_ready(platform::Drive{'E', dir / "media", true}));
  auto space = platform::disk_space(dir.Path().string());
  ASSERT_TRUE(space);
  EXPECT_GT(space->total_bytes, 0u);
  EXPECT_LE(space->free_bytes, space->total_bytes);
}

}  // namespace
