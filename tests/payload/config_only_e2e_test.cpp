// End-to-end scenarios of the start-up extraction under Wine: which entries reach the work folder,
// and damaged payloads (traversal name, truncated archive) ending with the damage notice.
#include <gtest/gtest.h>

#include <zlib.h>

#include <algorithm>

#include "driver.h"

using namespace e2e;

namespace {

constexpr char kDamaged[] = "ファイルの読み込みに失敗しました。ファイルが壊れている可能性があります。";

std::string MenuPicture() {
  std::optional<std::string> picture = ReadFileBytes(ZOLMIR_MENU_PICTURE);
  EXPECT_TRUE(picture.has_value()) << ZOLMIR_MENU_PICTURE;
  return picture.value_or("");
}

TEST(ConfigOnly, ExtractsTheConfigurationFilesAndStopsAtANestedFolder) {
  ASSERT_TRUE(WorkFolders().empty()) << "a work folder of an earlier run is in the way";
  Payload payload;
  payload.AddFile("Install.Env", "TITLEBAR\t選別試験\r\n")
      .AddFile("insttscr.rct", MenuPicture())
      .AddFile("README.TXT", "readme")
      .AddFile("notes.txt.bak", "notes")
      .AddFile("update.arc", std::string(300000, 'a'))
      .AddFolder("data\\")
      .AddFile("data\\stage.bin", "stage")
      .AddFolder("data\\bgm\\")
      .AddFile("late.txt", "after the nested folder");
  std::string exe = BuildUpdater(payload, "config_only");
  ASSERT_FALSE(exe.empty());

  Process process = StartUpdater(exe);
  HWND menu = WaitForWindow(process.pid(), "#32770", "選別試験 アップデータ");
  ASSERT_NE(menu, nullptr);
  std::vector<std::string> folders = WorkFolders();
  ASSERT_EQ(folders.size(), 1u);
  std::vector<std::string> names = ListFolder(folders[0]);
  std::vector<std::string> expected = {"Install.Env", "README.TXT", "insttscr.rct", "notes.txt.bak"};
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(names, expected);

  CloseWithBox(menu);
  EXPECT_EQ(WaitForExit(process), std::optional<DWORD>(0));
  EXPECT_TRUE(WorkFolders().empty());
}

// The writer refuses names that leave the folder, so such entries are written raw.
Payload& AddUnsafeFile(Payload& payload, const std::string& name, const std::string& bytes) {
  uLongf stored = compressBound(bytes.size());
  std::string stream(stored, '\0');
  compress2(reinterpret_cast<Bytef*>(&stream[0]), &stored,
            reinterpret_cast<const Bytef*>(bytes.data()), bytes.size(), 6);
  stream.resize(stored);
  return payload.AddRaw(name, static_cast<int32_t>(bytes.size()),
                        static_cast<int32_t>(stream.size()), stream);
}

struct DamageCase {
  const char* name;
  Payload payload;
};

TEST(ConfigOnly, DamagedPayloadsEndWithTheNotice) {
  Payload traversal;
  traversal.AddFile("install.env", "TITLEBAR\t破損\r\n");
  AddUnsafeFile(traversal, "..\\escaped.txt", "outside");
  Payload truncated;
  truncated.AddFile("install.env", "TITLEBAR\t破損\r\n")
      .AddFile("readme.txt", "readme")
      .TruncateBeforeEndMarker();
  Payload drive;
  drive.AddFile("install.env", "TITLEBAR\t破損\r\n");
  AddUnsafeFile(drive, "C:\\escaped.txt", "outside");
  const DamageCase cases[] = {
      {"traversal", traversal}, {"truncated", truncated}, {"drive", drive}};

  for (const DamageCase& c : cases) {
    SCOPED_TRACE(c.name);
    std::string exe = BuildUpdater(c.payload, std::string("damage_") + c.name);
    ASSERT_FALSE(exe.empty());
    Process process = StartUpdater(exe);
    // No main window exists yet: the notice has an empty caption.
    std::optional<Notice> notice = WaitForMessageBox(process.pid(), "");
    ASSERT_TRUE(notice.has_value());
    EXPECT_EQ(notice->text, kDamaged);
    notice->Answer(IDOK);
    EXPECT_EQ(WaitForExit(process), std::optional<DWORD>(0xFFFFFFFFu));
    EXPECT_TRUE(WorkFolders().empty());
    EXPECT_FALSE(FileExists(TempPath() + "escaped.txt"));
    EXPECT_FALSE(FileExists("C:\\escaped.txt"));
  }
}

}  // namespace
