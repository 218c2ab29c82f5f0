// Scenarios of the installation lookup and the version gate, from the menu's Update button.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "driver.h"
#include "folder_scenario.h"

namespace {

using folder::Expect;
using folder::ExpectCalledOff;
using folder::kKeyPath;
using folder::Updater;

class Lookup : public ::testing::Test {
 protected:
  void SetUp() override { folder::ClearRegistry(); }
  void TearDown() override { folder::ClearRegistry(); }
};

// A lookup that ends in -1: its notice, the offer of the manual choice (declined), calling off.
void ExpectNotFound(const Updater& updater, const char* notice) {
  e2e::Click(updater.menu, folder::kUpdateButton);
  Expect(updater, notice, IDOK, {IDOK});
  Expect(updater, folder::kManualQuestion, IDNO, {IDYES, IDNO});
  ExpectCalledOff(updater);
}

// A gate refusal ends in -2: its notice and calling off, with no offer of the manual choice.
void ExpectGateRefuses(const Updater& updater, const char* notice) {
  e2e::Click(updater.menu, folder::kUpdateButton);
  Expect(updater, notice, IDOK, {IDOK});
  ExpectCalledOff(updater);
}

TEST_F(Lookup, NoVersionGateWithoutChkreg) {
  // A version far out of any range is never read when CHKREG is empty: the lookup goes
  // straight to IsInst.
  e2e::SetRegString(HKEY_CURRENT_USER, kKeyPath, "Ver", "-5");
  Updater updater = folder::Start({"CHKREGVER 3", "CHKREGVERHIGH 3"}, "nogate");
  ASSERT_TRUE(updater.menu);
  ExpectNotFound(updater, folder::kNotInstalled);
  folder::Finish(updater);
}

TEST_F(Lookup, MissingVersionIsRefusedBeforeIsInst) {
  Updater updater = folder::Start({"CHKREG Ver", "CHKREGVER 1", "CHKREGVERHIGH 5"}, "missing");
  ASSERT_TRUE(updater.menu);
  ExpectGateRefuses(updater, folder::kTooOld);
  folder::Finish(updater);
}

TEST_F(Lookup, GateJudgesTheVersionText) {
  struct Case {
    const char* name;
    std::function<void()> store;
    const char* refusal;  // null: the gate passes and the lookup reports the game missing
  };
  auto text = [](const char* value) {
    return [value] { e2e::SetRegString(HKEY_CURRENT_USER, kKeyPath, "Ver", value); };
  };
  const Case cases[] = {
      {"3", text("3"), nullptr},
      {"3a", text("3a"), nullptr},
      {" +3", text(" +3"), nullptr},
      {"2", text("2"), folder::kTooOld},
      {"4", text("4"), folder::kAlreadyApplied},
      {"no digits", text("v3"), folder::kTooOld},
      {"REG_DWORD 3", [] { e2e::SetRegDword(HKEY_CURRENT_USER, kKeyPath, "Ver", 3); }, folder::kTooOld},
      {"64-bit view only",
       [] {
         e2e::DeleteRegValue(HKEY_CURRENT_USER, kKeyPath, "Ver");
         e2e::SetRegString(HKEY_CURRENT_USER, kKeyPath, "Ver", "3", e2e::RegView::k64);
       },
       nullptr},
  };
  Updater updater = folder::Start({"CHKREG Ver", "CHKREGVER 3", "CHKREGVERHIGH 3"}, "range");
  ASSERT_TRUE(updater.menu);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    c.store();
    if (c.refusal) {
      ExpectGateRefuses(updater, c.refusal);
    } else {
      ExpectNotFound(updater, folder::kNotInstalled);
    }
  }
  folder::Finish(updater);
}

TEST_F(Lookup, UpperBoundDefaultsToZero) {
  e2e::SetRegString(HKEY_CURRENT_USER, kKeyPath, "Ver", "1");
  Updater updater = folder::Start({"CHKREG Ver", "CHKREGVER 1"}, "nohigh");
  ASSERT_TRUE(updater.menu);
  ExpectGateRefuses(updater, folder::kAlreadyApplied);
  folder::Finish(updater);
}

TEST_F(Lookup, UnusableRegistrationsOfferTheManualChoice) {
  std::string game = e2e::MakeTempFolder("game");
  struct Case {
    const char* name;
    std::function<void()> store;
    const char* notice;
  };
  const Case cases[] = {
      {"IsInst text 0", [&] { folder::Register("0", game); }, folder::kNotInstalled},
      {"IsInst REG_DWORD 1",
       [&] {
         folder::Register("0", game);
         e2e::SetRegDword(HKEY_LOCAL_MACHINE, kKeyPath, "IsInst", 1);
       },
       folder::kNotInstalled},
      {"IsInst missing",
       [&] {
         folder::Register("1", game);
         e2e::DeleteRegValue(HKEY_LOCAL_MACHINE, kKeyPath, "IsInst");
       },
       folder::kNotInstalled},
      {"registered in the 64-bit view only",
       [&] {
         folder::ClearRegistry();
         e2e::SetRegString(HKEY_LOCAL_MACHINE, kKeyPath, "IsInst", "1", e2e::RegView::k64);
         e2e::SetRegString(HKEY_LOCAL_MACHINE, kKeyPath, "InstTo", game, e2e::RegView::k64);
       },
       folder::kNotInstalled},
      {"InstTo missing",
       [&] {
         folder::ClearRegistry();
         e2e::SetRegString(HKEY_LOCAL_MACHINE, kKeyPath, "IsInst", "1");
       },
       folder::kFolderUnknown},
      {"InstTo empty", [&] { folder::Register("1", ""); }, folder::kFolderUnknown},
      {"InstTo REG_DWORD",
       [&] {
         folder::Register("1", game);
         e2e::DeleteRegValue(HKEY_LOCAL_MACHINE, kKeyPath, "InstTo");
         e2e::SetRegDword(HKEY_LOCAL_MACHINE, kKeyPath, "InstTo", 1);
       },
       folder::kFolderUnknown},
      {"folder gone", [&] { folder::Register("1", game + "\\gone"); }, folder::kFolderUnknown},
      {"key file missing", [&] { folder::Register("1", game); }, folder::kFolderUnknown},
      {"InstTo over 259 bytes",
       [&] { folder::Register("1", game + "\\" + std::string(300 - game.size(), 'x')); },
       folder::kPathTooLong},
  };
  Updater updater = folder::Start({"KEYFILE game.exe"}, "unusable");
  ASSERT_TRUE(updater.menu);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    c.store();
    ExpectNotFound(updater, c.notice);
  }
  folder::Finish(updater);
}

TEST_F(Lookup, UsableFolderConfirmedOrDeclined) {
  std::string game = e2e::MakeTempFolder("game");
  ASSERT_TRUE(e2e::WriteFileBytes(e2e::JoinPath(game, "game.exe"), "MZ"));
  folder::Register("1", game);
  e2e::SetRegString(HKEY_CURRENT_USER, kKeyPath, "Ver", "2");
  Updater updater = folder::Start({"KEYFILE game.exe", "CHKREG Ver", "CHKREGVER 1", "CHKREGVERHIGH 2"},
                                  "usable");
  ASSERT_TRUE(updater.menu);
  // Declining the registered folder calls the update off without offering the manual choice.
  e2e::Click(updater.menu, folder::kUpdateButton);
  Expect(updater, folder::Confirmation(game), IDNO, {IDYES, IDNO});
  ExpectCalledOff(updater);
  folder::Finish(updater);
}

TEST_F(Lookup, CurrentDirectoryIsTheWorkFolderAfterEveryLookup) {
  // With the registered folder ".", the key file is looked for in the current directory: it is
  // found only while the work folder, which holds install.env, is current.
  std::string game = e2e::MakeTempFolder("game");
  ASSERT_TRUE(e2e::WriteFileBytes(e2e::JoinPath(game, "install.env"), "x"));
  Updater updater = folder::Start({"KEYFILE install.env"}, "current");
  ASSERT_TRUE(updater.menu);

  // The lookup entered the game's folder before asking; declining must leave it again.
  folder::Register("1", game);
  e2e::Click(updater.menu, folder::kUpdateButton);
  Expect(updater, folder::Confirmation(game), IDNO);
  ExpectCalledOff(updater);
  ASSERT_TRUE(e2e::RemoveTree(game));

  folder::Register("1", ".");
  e2e::Click(updater.menu, folder::kUpdateButton);
  Expect(updater, folder::Confirmation("."), IDNO);
  ExpectCalledOff(updater);

  // And after a refusal for a folder that is gone.
  folder::Register("1", game);
  ExpectNotFound(updater, folder::kFolderUnknown);
  folder::Register("1", ".");
  e2e::Click(updater.menu, folder::kUpdateButton);
  Expect(updater, folder::Confirmation("."), IDNO);
  ExpectCalledOff(updater);
  folder::Finish(updater);
}

}  // namespace
