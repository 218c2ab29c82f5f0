// End-to-end scenarios of the main menu: the picture as painted on the screen, the DirectX
// button and the program it starts, the readme button, and the Exit button.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "driver.h"
#include "image/rct.h"
#include "image/rct_encode.h"
#include "resource.h"
#include "test_pictures.h"

namespace {

using e2e::Picture;

constexpr char kTitle[] = "Menu アップデータ";
constexpr char kSettings[] = "TITLEBAR Menu\r\n";
constexpr char kReadmeLabel[] = "お読みください";
// How long a readme viewer gets to appear.
constexpr unsigned kViewerWaitMs = 15000;
// A DirectX folder is put into the work folder from outside while the updater starts; if the
// menu was quicker, the run is repeated.
constexpr int kPlantAttempts = 3;

e2e::Payload MenuPayload(const std::string& settings, const std::string& picture) {
  e2e::Payload payload;
  payload.AddFile("install.env", settings);
  payload.AddFile("insttscr.rct", picture);
  payload.AddFile("readme.txt", "readme\r\n");
  return payload;
}

std::string BytesOf(const std::vector<uint8_t>& bytes) { return std::string(bytes.begin(), bytes.end()); }

// A full-size menu picture made by the converter (the demo's scene), from the image tests' data.
std::string ConverterPicture() {
  auto bytes = e2e::ReadFileBytes(ZOLMIR_MENU_PICTURE);
  EXPECT_TRUE(bytes) << ZOLMIR_MENU_PICTURE;
  return bytes.value_or("");
}

uint32_t Rgb(uint8_t red, uint8_t green, uint8_t blue) {
  return static_cast<uint32_t>(red) << 16 | static_cast<uint32_t>(green) << 8 | blue;
}

// The dialog background as the screen shows it, 0x00RRGGBB.
uint32_t Background() {
  COLORREF face = GetSysColor(COLOR_BTNFACE);
  return Rgb(GetRValue(face), GetGValue(face), GetBValue(face));
}

std::vector<RECT> ButtonRects(HWND menu) {
  std::vector<RECT> rects;
  for (int id = IDC_MENU_SLOT0; id <= IDC_MENU_SLOT8; ++id) {
    if (e2e::ControlExists(menu, id)) rects.push_back(e2e::ControlRect(menu, id));
  }
  return rects;
}

// What the client area must show: the picture (packed blue-green-red, top row first) with its
// top-left corner at the origin, clipped to the client area, the background elsewhere; the
// buttons are not looked at.
struct Expected {
  const std::vector<uint8_t>* bgr;  // null: nothing painted
  int width;
  int height;
  int x;
  int y;
};

// Empty when the shot shows what is expected, else the count and the first differing pixel.
std::string CompareClient(const Picture& shot, const Expected& expected,
                          const std::vector<RECT>& buttons) {
  if (shot.empty()) return "no screen capture";
  const uint32_t background = Background();
  long differing = 0;
  std::string first;
  for (int y = 0; y < shot.height; ++y) {
    for (int x = 0; x < shot.width; ++x) {
      bool on_button = false;
      for (const RECT& r : buttons) on_button = on_button || (x >= r.left && x < r.right && y >= r.top && y < r.bottom);
      if (on_button) continue;
      int px = x - expected.x;
      int py = y - expected.y;
      uint32_t want = background;
      if (expected.bgr && px >= 0 && py >= 0 && px < expected.width && py < expected.height) {
        const uint8_t* p = expected.bgr->data() + (static_cast<size_t>(py) * expected.width + px) * 3;
        want = Rgb(p[2], p[1], p[0]);
      }
      if (shot.At(x, y) == want) continue;
      if (differing++ == 0) {
        char line[160];
        std::snprintf(line, sizeof line, "client (%d, %d): shows %06X, expected %06X", x, y,
                      static_cast<unsigned>(shot.At(x, y)), static_cast<unsigned>(want));
        first = line;
      }
    }
  }
  if (differing == 0) return std::string();
  return std::to_string(differing) + " pixels differ; first at " + first;
}

// The menu of a freshly started updater.
struct Menu {
  e2e::Process process;
  HWND window = nullptr;
};

Menu StartMenu(const std::string& exe) {
  Menu menu;
  menu.process = e2e::StartUpdater(exe);
  if (menu.process.valid()) menu.window = e2e::WaitForWindow(menu.process.pid(), "#32770", kTitle);
  return menu;
}

// Ends the menu with its Exit button: exit code 0 and no work folder left behind.
void ExitWithButton(Menu& menu, const std::vector<std::string>& work_before) {
  ASSERT_EQ(e2e::ControlText(menu.window, IDC_MENU_SLOT0), "終了");
  e2e::Click(menu.window, IDC_MENU_SLOT0);
  EXPECT_EQ(e2e::WaitForExit(menu.process), std::optional<DWORD>(0));
  EXPECT_EQ(e2e::WorkFolders(), work_before);
}

// ---------------------------------------------------------------------------------------------
// The picture

struct PictureRow {
  const char* name;
  int kind;  // RctKind; -1: a file that is no picture
  uint32_t width;
  uint32_t height;
  bool beyond_client;  // larger than the client area both ways: a negative origin, clipped
};

class MenuPicture : public ::testing::TestWithParam<PictureRow> {};

TEST_P(MenuPicture, IsPaintedOneToOneAtTheOriginTakenFromTheClientHeight) {
  const PictureRow& row = GetParam();
  std::vector<uint8_t> bgr = MakeNoisePicture(row.width, row.height, 0x5EED0000u + row.width);
  std::vector<uint8_t> file;
  if (row.kind >= 0) {
    ASSERT_EQ(EncodeRct(row.kind, bgr.data(), row.width, row.height, "menu_mask.rct", &file), 0);
  } else {
    const char kNotPicture[] = "this is not a picture, just a text of some length\r\n";
    file.assign(kNotPicture, kNotPicture + sizeof kNotPicture - 1);
  }
  const auto work_before = e2e::WorkFolders();
  std::string exe = e2e::BuildUpdater(MenuPayload(kSettings, BytesOf(file)), row.name);
  ASSERT_FALSE(exe.empty());
  Menu menu = StartMenu(exe);
  ASSERT_NE(menu.window, nullptr);
  SetForegroundWindow(menu.window);

  RECT client = e2e::ClientRect(menu.window);
  const int client_height = client.bottom - client.top;
  Expected expected = {row.kind >= 0 ? &bgr : nullptr, static_cast<int>(row.width),
                       static_cast<int>(row.height),
                       (client_height - static_cast<int>(row.width)) / 2,
                       (client_height - static_cast<int>(row.height)) / 2};
  if (row.beyond_client) {
    EXPECT_LT(expected.x, 0);
    EXPECT_LT(expected.y, 0);
    EXPECT_LT(client.right - client.left, static_cast<int>(row.width));
  }
  const std::vector<RECT> buttons = ButtonRects(menu.window);
  std::string difference = "not compared";
  e2e::WaitUntil(
      [&] { return (difference = CompareClient(e2e::CaptureClient(menu.window), expected, buttons)).empty(); },
      "the painted picture", e2e::kWaitMs);
  EXPECT_EQ(difference, "") << row.name << ": origin (" << expected.x << ", " << expected.y
                            << "), client height " << client_height;
  e2e::SaveWindowShot(menu.window, std::string("menu_picture_") + row.name);
  ExitWithButton(menu, work_before);
}

// The client area is some 270 pixels high: the last picture is larger both ways, and its width
// and height differ in parity, so one of the two negative origins is an odd number halved
// (which truncates toward zero).
const PictureRow kPictures[] = {
    {"tc00", kRctTC00, 160, 120, false},
    {"ts01", kRctTS01, 121, 99, false},
    {"larger_than_client", kRctTC00, 641, 600, true},
    {"no_picture", -1, 0, 0, false},
};
INSTANTIATE_TEST_SUITE_P(Pictures, MenuPicture, ::testing::ValuesIn(kPictures),
                         [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------------------------
// The DirectX button

enum class Plant { kFolder, kFile };

// Puts a `DirectX` folder (holding the probe program as dxsetup.exe) or a plain file of that
// name into the next updater's work folder as soon as that folder appears. The menu looks for
// it only after the start-up extraction and the settings, so the plant normally comes first;
// `in_time` tells whether it did (no new dialog existed yet).
class DirectXPlanter {
 public:
  explicit DirectXPlanter(Plant plant)
      : plant_(plant), work_before_(e2e::WorkFolders()), dialogs_before_(e2e::AllWindowsOfClass("#32770")) {
    thread_ = std::thread([this] { Watch(); });
  }
  ~DirectXPlanter() { Finish(); }

  // Waits for the watch to end; the work folder planted in, empty when none appeared.
  std::string Finish() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    return work_;
  }
  bool in_time() const { return in_time_; }
  bool planted() const { return planted_; }

 private:
  void Watch() {
    const DWORD limit = e2e::Scaled(e2e::kWaitMs);
    const DWORD start = GetTickCount();
    while (!stop_ && GetTickCount() - start < limit) {
      for (const std::string& folder : e2e::WorkFolders()) {
        bool old = false;
        for (const std::string& b : work_before_) old = old || b == folder;
        if (!old) {
          work_ = folder;
          PlantInto(folder);
          return;
        }
      }
      Sleep(0);
    }
  }

  void PlantInto(const std::string& folder) {
    std::string name = e2e::JoinPath(folder, "DirectX");
    if (plant_ == Plant::kFolder) {
      planted_ = CreateDirectoryA(name.c_str(), nullptr) != FALSE;
    } else {
      planted_ = e2e::WriteFileBytes(name, "a plain file, not a folder\r\n");
    }
    std::set<HWND> dialogs = e2e::AllWindowsOfClass("#32770");
    in_time_ = true;
    for (HWND dialog : dialogs) in_time_ = in_time_ && dialogs_before_.count(dialog) != 0;
    if (plant_ == Plant::kFolder && planted_) {
      planted_ = CopyFileA(ZOLMIR_PROBE_EXE, e2e::JoinPath(name, "dxsetup.exe").c_str(), FALSE) != FALSE;
    }
  }

  const Plant plant_;
  const std::vector<std::string> work_before_;
  const std::set<HWND> dialogs_before_;
  std::thread thread_;
  std::atomic<bool> stop_{false};
  std::string work_;
  bool planted_ = false;
  bool in_time_ = false;
};

struct DirectXRow {
  const char* name;
  Plant plant;
  const char* settings;
  std::vector<std::string> labels;  // slot 0 upward
};

class MenuDirectX : public ::testing::TestWithParam<DirectXRow> {};

TEST_P(MenuDirectX, FolderInTheWorkFolderGivesTheButtonThatStartsItsSetupProgram) {
  const DirectXRow& row = GetParam();
  const auto work_before = e2e::WorkFolders();
  std::string exe = e2e::BuildUpdater(MenuPayload(row.settings, ConverterPicture()), row.name);
  ASSERT_FALSE(exe.empty());

  Menu menu;
  std::string work;
  for (int attempt = 0; attempt < kPlantAttempts; ++attempt) {
    DirectXPlanter planter(row.plant);
    menu = StartMenu(exe);
    ASSERT_NE(menu.window, nullptr);
    work = planter.Finish();
    ASSERT_FALSE(work.empty()) << "no work folder appeared";
    ASSERT_TRUE(planter.planted()) << work;
    if (planter.in_time()) break;
    // The menu was built before the plant: start again.
    e2e::Kill(menu.process);
    e2e::RemoveTree(work);
    menu = Menu();
    work.clear();
  }
  ASSERT_NE(menu.window, nullptr) << "the menu was quicker than the plant every time";

  for (int slot = 0; slot < 9; ++slot) {
    int id = IDC_MENU_SLOT0 + slot;
    if (static_cast<size_t>(slot) < row.labels.size()) {
      EXPECT_EQ(e2e::ControlText(menu.window, id), row.labels[slot]) << id;
    } else {
      EXPECT_FALSE(e2e::ControlExists(menu.window, id)) << id;
    }
  }

  if (row.plant == Plant::kFolder) {
    // The setup program is started by a quoted relative path, in the work folder.
    e2e::SaveWindowShot(menu.window, std::string("menu_directx_") + row.name);
    std::string record = e2e::JoinPath(e2e::JoinPath(work, "DirectX"), "started.txt");
    e2e::Click(menu.window, IDC_MENU_SLOT1);
    EXPECT_TRUE(e2e::WaitUntil([&] { return e2e::FileExists(record); }, "the setup program's record"));
    EXPECT_EQ(e2e::ReadFileBytes(record).value_or(""), "\"DirectX\\dxsetup.exe\"\n" + work + "\n");
    EXPECT_TRUE(menu.process.Running());
  }

  e2e::CloseWithBox(menu.window);
  EXPECT_EQ(e2e::WaitForExit(menu.process), std::optional<DWORD>(0));
  if (row.plant == Plant::kFolder) {
    // The files of the work folder are deleted; the folder, which holds a folder, stays.
    EXPECT_EQ(e2e::ListFolder(work), std::vector<std::string>{"DirectX\\"});
    e2e::RemoveTree(work);
  }
  EXPECT_EQ(e2e::WorkFolders(), work_before);
}

const DirectXRow kDirectXRows[] = {
    {"folder", Plant::kFolder, kSettings, {"終了", "DirectXインストール", "アップデート"}},
    {"folder_and_readme", Plant::kFolder, "TITLEBAR Menu\r\nINSTREADME お読みください\r\n",
     {"終了", "DirectXインストール", kReadmeLabel, "アップデート"}},
    {"plain_file", Plant::kFile, kSettings, {"終了", "アップデート"}},
};
INSTANTIATE_TEST_SUITE_P(Plants, MenuDirectX, ::testing::ValuesIn(kDirectXRows),
                         [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------------------------
// The readme button

struct ReadmeRow {
  const char* name;
  const char* settings;
  const char* file;  // the readme in the payload, which the viewer's title names
};

class MenuReadme : public ::testing::TestWithParam<ReadmeRow> {};

TEST_P(MenuReadme, OpensTheReadmeOfTheWorkFolderInTheTextViewer) {
  const ReadmeRow& row = GetParam();
  e2e::EnsureTextAssociation();
  const auto work_before = e2e::WorkFolders();
  e2e::Payload payload;
  payload.AddFile("install.env", row.settings);
  payload.AddFile("insttscr.rct", ConverterPicture());
  payload.AddFile(row.file, "読んでください\r\n");
  std::string exe = e2e::BuildUpdater(payload, row.name);
  ASSERT_FALSE(exe.empty());
  Menu menu = StartMenu(exe);
  ASSERT_NE(menu.window, nullptr);
  ASSERT_EQ(e2e::ControlText(menu.window, IDC_MENU_SLOT1), kReadmeLabel);

  std::set<HWND> before = e2e::AllVisibleWindows();
  std::string stem = std::string(row.file).substr(0, std::string(row.file).find('.'));
  e2e::Click(menu.window, IDC_MENU_SLOT1);
  HWND viewer = nullptr;
  EXPECT_TRUE(e2e::WaitUntil([&] { return (viewer = e2e::NewWindowTitled(before, stem)) != nullptr; },
                             "a text viewer showing the readme", kViewerWaitMs));
  EXPECT_TRUE(menu.process.Running());
  // The viewer runs in the work folder, which it inherited; it must be gone before the folder
  // can be removed.
  if (viewer) e2e::CloseProgramWindow(viewer);
  ExitWithButton(menu, work_before);
}

const ReadmeRow kReadmeRows[] = {
    {"named", "TITLEBAR Menu\r\nINSTREADME お読みください\r\nINSTREADMEFL menu_notes.txt\r\n", "menu_notes.txt"},
    {"default_name", "TITLEBAR Menu\r\nINSTREADME お読みください\r\n", "readme.txt"},
};
INSTANTIATE_TEST_SUITE_P(Readmes, MenuReadme, ::testing::ValuesIn(kReadmeRows),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
