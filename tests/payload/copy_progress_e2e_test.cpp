// End-to-end scenarios of the copy progress window under Wine: a full extraction of a registered
// game watched from outside (owner, controls, ranges, growing positions, file name, Cancel), and
// a damaged payload whose window closes before the damage notice.
#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <random>

#include "driver.h"

using namespace e2e;

namespace {

constexpr char kProgressTitle[] = "ファイルのコピー中...";
constexpr char kEndTitle[] = "インストール終了";
constexpr char kDamaged[] = "ファイルの読み込みに失敗しました。ファイルが壊れている可能性があります。";
constexpr int kUpdateSlot = 1001;  // no readme and no DirectX folder: Exit, then Update
constexpr int kFileBar = 1010;
constexpr int kFileName = 1012;
constexpr int kTotalBar = 1019;
constexpr int kAnimation = 1020;
constexpr uint32_t kUnit = 0x20000;
// A file that compresses to almost nothing but takes seconds to write, so the window can be watched.
constexpr size_t kSlowFileSize = 400u << 20;
// Incompressible bytes that give the overall bar a range of several dozen units.
constexpr size_t kNoiseSize = 12u << 20;
constexpr unsigned kCopyWaitMs = 120000;

std::string KeyPath(const std::string& global, const std::string& local) {
  return "Software\\" + global + "\\" + local;
}

std::string Noise(size_t size) {
  std::mt19937 random(20261211);
  std::string bytes(size, '\0');
  for (char& byte : bytes) byte = static_cast<char>(random());
  return bytes;
}

std::string Settings(const std::string& title, const std::string& global, const std::string& local) {
  return "TITLEBAR\t" + title + "\r\nREG_GLOBAL\t" + global + "\r\nREG_LOCAL\t" + local + "\r\n";
}

Payload BasePayload(const std::string& settings) {
  std::optional<std::string> picture = ReadFileBytes(ZOLMIR_MENU_PICTURE);
  EXPECT_TRUE(picture.has_value()) << ZOLMIR_MENU_PICTURE;
  Payload payload;
  payload.AddFile("install.env", settings).AddFile("insttscr.rct", picture.value_or(""));
  return payload;
}

// Payload size as the updater computes it: length - 4 - the trailer's archive offset.
uint32_t PayloadSize(const std::string& exe) {
  std::optional<std::string> bytes = ReadFileBytes(exe);
  if (!bytes || bytes->size() < 4) return 0;
  uint32_t offset = 0;
  memcpy(&offset, bytes->data() + bytes->size() - 4, 4);
  return static_cast<uint32_t>(bytes->size() - 4 - offset);
}

class CopyProgress : public ::testing::Test {
 protected:
  void Register(const std::string& global, const std::string& local) {
    global_ = global;
    local_ = local;
    game_ = MakeTempFolder("copy_game");
    ASSERT_TRUE(SetRegString(HKEY_LOCAL_MACHINE, KeyPath(global, local), "IsInst", "1"));
    ASSERT_TRUE(SetRegString(HKEY_LOCAL_MACHINE, KeyPath(global, local), "InstTo", game_));
  }
  void TearDown() override {
    if (process_.valid() && !WaitForExit(process_, 1)) Kill(process_);
    if (!global_.empty()) DeleteRegTree(HKEY_LOCAL_MACHINE, KeyPath(global_, local_));
    if (!game_.empty()) RemoveTree(game_);
  }
  // Starts the updater, presses Update and confirms the registered folder; the menu, or null.
  HWND StartUpdate(const std::string& exe, const std::string& title) {
    process_ = StartUpdater(exe);
    HWND menu = WaitForWindow(process_.pid(), "#32770", (title + " アップデータ").c_str());
    if (!menu) return nullptr;
    Click(menu, kUpdateSlot);
    std::optional<Notice> confirm = WaitForMessageBox(process_.pid(), nullptr);
    if (!confirm) return nullptr;
    EXPECT_EQ(confirm->text, "[" + game_ + "]をアップデートします");
    confirm->Answer(IDYES);
    return menu;
  }

  std::string global_, local_, game_;
  Process process_;
};

TEST_F(CopyProgress, FollowsTheExtractionToTheEndAndCancelOnlyStopsTheAnimation) {
  const std::string title = "コピー試験";
  Register("ZolmirCopy", "Watch");
  Payload payload = BasePayload(Settings(title, global_, local_));
  payload.AddFile("noise.bin", Noise(kNoiseSize)).AddFolder("data\\").AddFile(
      "data\\slow.bin", std::string(kSlowFileSize, '\0'));
  std::string exe = BuildUpdater(payload, "copy_watch");
  ASSERT_FALSE(exe.empty());
  const uint32_t payload_size = PayloadSize(exe);
  const int total_units = std::max<int>(1, payload_size / kUnit);
  // Every byte but the end marker and the two bytes after it is read before the last block.
  const int final_total = static_cast<int>((payload_size - 4) / kUnit);

  HWND menu = StartUpdate(exe, title);
  ASSERT_NE(menu, nullptr);
  HWND window = WaitForWindow(process_.pid(), "#32770", kProgressTitle, Scaled(kCopyWaitMs));
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(Owner(window), menu);
  for (int id : {kFileBar, kFileName, IDCANCEL, kTotalBar, kAnimation}) {
    EXPECT_TRUE(ControlExists(window, id)) << id;
  }
  // The window starts with the range 0 to 1; the payload's range follows right after it is made.
  EXPECT_TRUE(WaitUntil([&] {
    return ProgressRange(GetDlgItem(window, kTotalBar)) == std::make_pair(0, total_units);
  }, "the overall range from the payload size"));

  const std::string slow_path = game_ + "\\data\\slow.bin";
  int last_total = 0, last_file = 0;
  bool saw_slow_file = false, cancelled = false, grew = true;
  while (IsWindow(window) && IsWindowVisible(window)) {
    int total = ProgressPos(GetDlgItem(window, kTotalBar));
    std::string name = ControlText(window, kFileName);
    int file = ProgressPos(GetDlgItem(window, kFileBar));
    // A reading taken while the window was being destroyed says nothing.
    if (!IsWindow(window) || !IsWindowVisible(window)) break;
    if (name == slow_path) {
      // The name is set just before the file bar is reset, so the first reading may still show
      // the previous file's position.
      if (saw_slow_file && file < last_file) grew = false;
      if (saw_slow_file) last_file = file;
      if (!saw_slow_file) {
        EXPECT_EQ(ProgressRange(GetDlgItem(window, kFileBar)),
                  std::make_pair(0, static_cast<int>(kSlowFileSize / kUnit)));
        SaveWindowShot(window, "copy_progress");
        // Cancel twice: the window stays and the copy goes on.
        Click(window, IDCANCEL);
        Click(window, IDCANCEL);
        cancelled = true;
      }
      saw_slow_file = true;
    }
    if (total < last_total) grew = false;
    last_total = std::max(last_total, total);
    Sleep(kPollMs);
  }
  EXPECT_TRUE(saw_slow_file) << "the file name text never showed " << slow_path;
  EXPECT_TRUE(cancelled);
  EXPECT_TRUE(grew) << "a position went back";
  EXPECT_EQ(last_total, final_total);
  EXPECT_GT(last_file, 0);

  HWND end = WaitForWindow(process_.pid(), "#32770", kEndTitle, Scaled(kCopyWaitMs));
  ASSERT_NE(end, nullptr);
  Click(end, IDOK);
  EXPECT_EQ(WaitForExit(process_), std::optional<DWORD>(0));
  std::optional<std::string> slow = ReadFileBytes(slow_path);
  ASSERT_TRUE(slow.has_value());
  EXPECT_EQ(slow->size(), kSlowFileSize) << "Cancel must not stop the copy";
  EXPECT_EQ(ReadFileBytes(game_ + "\\noise.bin")->size(), kNoiseSize);
}

TEST_F(CopyProgress, DamagedPayloadClosesTheWindowBeforeTheNotice) {
  const std::string title = "破損試験";
  Register("ZolmirCopy", "Damage");
  std::string good(1 << 20, 'x');
  uLongf stored = compressBound(good.size());
  std::string stream(stored, '\0');
  ASSERT_EQ(compress2(reinterpret_cast<Bytef*>(&stream[0]), &stored,
                      reinterpret_cast<const Bytef*>(good.data()), good.size(), 6), Z_OK);
  stream.resize(stored);
  stream.back() ^= 0x55;  // wrong Adler-32
  Payload payload = BasePayload(Settings(title, global_, local_));
  payload.AddFile("before.bin", Noise(1 << 20))
      .AddRaw("broken.bin", static_cast<int32_t>(good.size()), static_cast<int32_t>(stream.size()),
              stream);
  std::string exe = BuildUpdater(payload, "copy_damage");
  ASSERT_FALSE(exe.empty());

  ASSERT_NE(StartUpdate(exe, title), nullptr);
  std::optional<Notice> notice =
      WaitForMessageBox(process_.pid(), (title + " アップデータ").c_str(), Scaled(kCopyWaitMs));
  ASSERT_TRUE(notice.has_value());
  EXPECT_EQ(notice->text, kDamaged);
  HWND window = FindProcessWindow(process_.pid(), "#32770", kProgressTitle);
  EXPECT_TRUE(window == nullptr || !IsWindowVisible(window)) << "the window outlived the damage";
  notice->Answer(IDOK);
  EXPECT_EQ(WaitForExit(process_), std::optional<DWORD>(0xFFFFFFFFu));
  EXPECT_TRUE(FileExists(game_ + "\\before.bin"));
  EXPECT_FALSE(FileExists(game_ + "\\broken.bin")) << "no partial file where none stood";
}

}  // namespace
