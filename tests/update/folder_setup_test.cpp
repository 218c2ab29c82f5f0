// Scenarios of the manual choice: the SETUP dialog's proposal, the typed folder's checks, the
// folder browser, the key file, the version gate and the confirmation.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "driver.h"
#include "folder_scenario.h"

namespace {

using folder::Expect;
using folder::ExpectCalledOff;
using folder::kKeyPath;
using folder::Updater;

class Setup : public ::testing::Test {
 protected:
  void SetUp() override { folder::ClearRegistry(); }
  void TearDown() override { folder::ClearRegistry(); }
};

// "C:" under Wine: the drive of the Windows directory.
std::string WindowsDrive() { return e2e::WindowsDirectory().substr(0, 2); }

TEST_F(Setup, ProposesTheProgramFilesFolder) {
  struct Case {
    const char* name;
    std::vector<std::string> settings;
    std::string shown;
  };
  const Case cases[] = {
      {"defaults", {}, "\\Program Files\\ZOLMIR_APP"},
      {"maker and game", {"INSTFOL Maker", "INSTTO Game"}, "\\Program Files\\Maker\\Game"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Updater updater = folder::Start(c.settings, c.name);
    ASSERT_TRUE(updater.menu);
    HWND setup = folder::OpenSetup(updater);
    ASSERT_TRUE(setup);
    EXPECT_TRUE(folder::WaitForEditText(setup, WindowsDrive() + c.shown));
    // Cancel ends the choice with no notice of its own.
    e2e::Click(setup, IDCANCEL);
    ExpectCalledOff(updater);
    folder::Finish(updater);
  }
}

TEST_F(Setup, ShowsTheRegisteredFolderInstead) {
  Updater updater = folder::Start({}, "registered");
  ASSERT_TRUE(updater.menu);
  // Registered, but the folder does not exist: the lookup fails, the proposal is InstTo.
  for (const std::string& registered : {std::string("C:\\Old Games\\App"), std::string("")}) {
    SCOPED_TRACE(registered);
    folder::Register("1", registered);
    e2e::Click(updater.menu, folder::kUpdateButton);
    Expect(updater, folder::kFolderUnknown, IDOK);
    Expect(updater, folder::kManualQuestion, IDYES);
    HWND setup = e2e::WaitForWindow(updater.pid(), "#32770", folder::kSetupTitle);
    ASSERT_TRUE(setup);
    if (!registered.empty()) {
      EXPECT_TRUE(folder::WaitForEditText(setup, registered));
    }
    folder::SettleSetup(setup);
    EXPECT_EQ(registered, e2e::ControlText(setup, folder::kSetupEdit));
    // Next proves what the buffer held: the registered text, or for the empty one the root of
    // the Windows drive rather than the default proposal.
    e2e::Click(setup, IDOK);
    if (registered.empty()) {
      Expect(updater, folder::kDriveRoot, IDRETRY);
    } else {
      Expect(updater, folder::Confirmation(registered), IDNO);
    }
    ExpectCalledOff(updater);
  }
  folder::Finish(updater);
}

struct TypedCase {
  const char* name;
  std::string typed;
  // What follows Next: the notice text, or the confirmation of this folder.
  std::string notice;
  bool confirmation;
  bool retry_cancel;
};

void RunTypedCases(const std::vector<std::string>& settings, const std::string& name,
                   const std::vector<TypedCase>& cases) {
  Updater updater = folder::Start(settings, name);
  ASSERT_TRUE(updater.menu);
  for (const TypedCase& c : cases) {
    SCOPED_TRACE(c.name);
    HWND setup = folder::OpenSetup(updater);
    ASSERT_TRUE(setup);
    folder::TypeAndNext(setup, c.typed);
    if (c.confirmation) {
      Expect(updater, folder::Confirmation(c.notice), IDNO, {IDYES, IDNO});
    } else if (c.retry_cancel) {
      // Retry is a refusal like any other; Cancel would end the program.
      Expect(updater, c.notice, IDRETRY, {IDRETRY, IDCANCEL});
    } else {
      Expect(updater, c.notice, IDOK, {IDOK});
    }
    ExpectCalledOff(updater);
  }
  folder::Finish(updater);
}

TEST_F(Setup, TypedFolderIsNormalisedOrRefused) {
  const std::string drive = WindowsDrive();
  const std::string so = "ソ";  // 83 5C: a trail byte that is a backslash
  RunTypedCases({}, "typed", {
      {"slashes", "D:/Games/App", "D:\\Games\\App", true, false},
      {"unc", "\\\\server\\share", folder::kNetworkPath, false, false},
      {"doubled backslash", "D:\\Games\\\\App", folder::kNetworkPath, false, false},
      {"trail byte before separator", "D:\\" + so + "\\App", "D:\\" + so + "\\App", true, false},
      {"root", "D:\\", folder::kDriveRoot, false, true},
      {"bare drive", "D:", folder::kDriveRoot, false, true},
      {"empty", "", folder::kDriveRoot, false, true},
      {"rooted without drive", "\\Games\\App", drive + "\\Games\\App", true, false},
      {"relative", "Games", drive + "\\Games", true, false},
      {"trailing backslash", "D:\\Games\\", "D:\\Games", true, false},
      {"too long", std::string(258, 'a'), folder::kPathTooLong, false, false},
  });
}

TEST_F(Setup, GameFolderIsAppended) {
  RunTypedCases({"INSTMAKEFOL 1"}, "makefol", {
      {"root gets the game folder", "D:\\", "D:\\ZOLMIR_APP", true, false},
      {"already there", "D:\\Games\\ZOLMIR_APP\\", "D:\\Games\\ZOLMIR_APP", true, false},
      {"appended", "D:\\Games", "D:\\Games\\ZOLMIR_APP", true, false},
  });
  RunTypedCases({"INSTMAKEFOL 1", "INSTFOL Maker"}, "maker", {
      {"maker and game", "D:\\Games", "D:\\Games\\Maker\\ZOLMIR_APP", true, false},
  });
}

TEST_F(Setup, KeyFileDecides) {
  std::string without = e2e::MakeTempFolder("without");
  std::string with = e2e::MakeTempFolder("with");
  ASSERT_TRUE(e2e::WriteFileBytes(e2e::JoinPath(with, "game.exe"), "MZ"));
  RunTypedCases({"KEYFILE game.exe"}, "keyfile", {
      {"missing", without, folder::kKeyFileMissing, false, false},
      {"present", with, with, true, false},
  });
}

TEST_F(Setup, VersionGateRunsOnTheChosenFolder) {
  std::string game = e2e::MakeTempFolder("game");
  e2e::SetRegString(HKEY_CURRENT_USER, kKeyPath, "Ver", "2");
  Updater updater = folder::Start({"CHKREG Ver", "CHKREGVER 2", "CHKREGVERHIGH 2"}, "gate");
  ASSERT_TRUE(updater.menu);
  HWND setup = folder::OpenSetup(updater);
  ASSERT_TRUE(setup);
  // The version changes while the dialog is open: the chosen folder meets the gate again.
  e2e::SetRegString(HKEY_CURRENT_USER, kKeyPath, "Ver", "3");
  folder::TypeAndNext(setup, game);
  Expect(updater, folder::kAlreadyApplied, IDOK);
  ExpectCalledOff(updater);
  folder::Finish(updater);
}

TEST_F(Setup, CancelledBrowseShowsTheBufferAgain) {
  Updater updater = folder::Start({}, "browse");
  ASSERT_TRUE(updater.menu);
  HWND setup = folder::OpenSetup(updater);
  ASSERT_TRUE(setup);
  std::string proposal = WindowsDrive() + "\\Program Files\\ZOLMIR_APP";
  ASSERT_TRUE(folder::WaitForEditText(setup, proposal));
  ASSERT_TRUE(e2e::SetControlText(setup, folder::kSetupEdit, "D:\\Typed"));
  e2e::Click(setup, folder::kSetupBrowse);
  HWND browser = e2e::WaitForWindow(updater.pid(), "#32770", folder::kBrowserTitle);
  ASSERT_TRUE(browser);
  e2e::Click(browser, IDCANCEL);
  EXPECT_TRUE(e2e::WaitForWindowGone(browser));
  EXPECT_TRUE(e2e::WaitUntil([&] { return e2e::ControlText(setup, folder::kSetupEdit) == proposal; },
                             "the proposal back in the edit"));
  // Next now takes the proposal, not what had been typed.
  e2e::Click(setup, IDOK);
  Expect(updater, folder::Confirmation(proposal), IDNO);
  ExpectCalledOff(updater);
  folder::Finish(updater);
}

TEST_F(Setup, CurrentDirectoryIsTheWorkFolderAfterTheChoice) {
  // A registered "." finds install.env only while the work folder is current.
  std::string game = e2e::MakeTempFolder("game");
  ASSERT_TRUE(e2e::WriteFileBytes(e2e::JoinPath(game, "install.env"), "x"));
  Updater updater = folder::Start({"KEYFILE install.env"}, "current");
  ASSERT_TRUE(updater.menu);
  HWND setup = folder::OpenSetup(updater);
  ASSERT_TRUE(setup);
  folder::TypeAndNext(setup, game);
  Expect(updater, folder::Confirmation(game), IDNO);
  ExpectCalledOff(updater);
  folder::Register("1", ".");
  e2e::Click(updater.menu, folder::kUpdateButton);
  Expect(updater, folder::Confirmation("."), IDNO);
  ExpectCalledOff(updater);
  folder::Finish(updater);
}

}  // namespace
