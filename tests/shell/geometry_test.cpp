// Unit tests of the centring arithmetic and of the work folder's name.
#include "shell/geometry.h"
#include "shell/work_folder_name.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(CenteredOrigin, TruncatesTowardZero) {
  struct Row {
    int screen;
    int size;
    int expected;
  };
  const Row rows[] = {
      {1024, 640, 192}, {768, 480, 144}, {1024, 1025, 0}, {1024, 1027, -1}, {1024, 1024, 0}, {768, 771, -1}, {0, 5, -2},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(CenteredOrigin(row.screen, row.size), row.expected) << row.screen << " " << row.size;
  }
}

TEST(WorkFolderName, IsTheSignedMillisecondCountWithNineDigits) {
  struct Row {
    uint32_t milliseconds;
    const char* expected;
  };
  const Row rows[] = {
      {987, "TempGPInstallFolder_000000987"},
      {0, "TempGPInstallFolder_000000000"},
      {1234567890, "TempGPInstallFolder_1234567890"},
      {0x7FFFFFFFu, "TempGPInstallFolder_2147483647"},
      {0x80000000u, "TempGPInstallFolder_-2147483648"},
      {0xFFFFFFFFu, "TempGPInstallFolder_-00000001"},
  };
  for (const Row& row : rows) {
    char name[kWorkFolderNameSize];
    FormatWorkFolderName(name, sizeof name, row.milliseconds);
    EXPECT_EQ(std::string(name), row.expected);
  }
}

}  // namespace
