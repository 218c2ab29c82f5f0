// Unit tests of the archive writer's layout and refusals, and of the mkupdate packer.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdlib>
#include <string>

#include "archive_fixture.h"
#include "payload/archive.h"
#include "payload/archive_writer.h"

namespace {

const unsigned char* U(const std::string& s, size_t at) { return reinterpret_cast<const unsigned char*>(s.data()) + at; }

TEST(Writer, LayoutOfAFileEntryAndTheTrailer) {
  FILE* file = tmpfile();
  fputs(std::string(100, 'S').c_str(), file);
  ArchiveWriter writer;
  ASSERT_EQ(BeginArchive(&writer, file, 9), 0);
  EXPECT_EQ(writer.archive_offset, 100u);
  std::string env(4054, 'k');
  ASSERT_EQ(AddFileEntry(&writer, "install.env", env.data(), env.size(), 0x0102030405060708ull), 0);
  ASSERT_EQ(AddFolderEntry(&writer, "data\\"), 0);
  ASSERT_EQ(FinishArchive(&writer), 0);
  std::string bytes(static_cast<size_t>(ftell(file)), '\0');
  rewind(file);
  ASSERT_EQ(fread(&bytes[0], 1, bytes.size(), file), bytes.size());
  fclose(file);
  size_t at = 100;
  EXPECT_EQ(GetU16(U(bytes, at)), 12);
  EXPECT_EQ(std::string(bytes, at + 2, 12), std::string("install.env\0", 12));
  EXPECT_EQ(GetU32(U(bytes, at + 14)), 4054u);
  uint32_t stored = GetU32(U(bytes, at + 18));
  EXPECT_EQ(GetU32(U(bytes, at + 22)), 0x05060708u);
  EXPECT_EQ(GetU32(U(bytes, at + 26)), 0x01020304u);
  EXPECT_EQ(static_cast<unsigned char>(bytes[at + 30]), 0x78);
  size_t folder = at + 30 + stored;
  EXPECT_EQ(GetU16(U(bytes, folder)), 6);
  EXPECT_EQ(static_cast<int32_t>(GetU32(U(bytes, folder + 8))), -1);
  size_t end = folder + 2 + 6 + 8;
  EXPECT_EQ(bytes.size(), end + 8);
  EXPECT_EQ(GetU32(U(bytes, end)), 0u);
  EXPECT_EQ(GetU32(U(bytes, end + 4)), 100u);
}

TEST(Writer, RefusesNamesTheReaderWouldRefuse) {
  const char* bad[] = {"..\\x", "C:x", "\\x", "a\\\\b"};
  FILE* file = tmpfile();
  ArchiveWriter writer;
  ASSERT_EQ(BeginArchive(&writer, file, 6), 0);
  for (const char* name : bad) {
    EXPECT_EQ(AddFileEntry(&writer, name, "x", 1, 0), -1) << name;
    EXPECT_NE(writer.error[0], '\0');
  }
  EXPECT_EQ(AddFolderEntry(&writer, "data"), -1);
  EXPECT_EQ(AddFileEntry(&writer, std::string(260, 'a').c_str(), "x", 1, 0), -1);
  EXPECT_EQ(ftell(file), 0L);
  fclose(file);
  EXPECT_EQ(BeginArchive(&writer, tmpfile(), GetMaxCompressionLevel() + 1), -1);
}

TEST(Writer, StreamedEntryInflatesToTheFile) {
  std::string data(3 << 20, '\0');
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>((i * 7) ^ (i >> 9));
  FILE* in = tmpfile();
  fwrite(data.data(), 1, data.size(), in);
  rewind(in);
  std::string archive = fixture::BuildArchive([&](ArchiveWriter* w) {
    ASSERT_EQ(AddFileEntryFromStream(w, "big.bin", in, data.size(), 5), 0) << w->error;
  }, true, 9);
  fclose(in);
  fixture::Target target;
  MemorySource memory;
  ArchiveSource source = MakeMemorySource(&memory, archive.data(), archive.size());
  ExtractReport report;
  ASSERT_EQ(ExtractArchive(&source, target.Folder(), ExtractMode::Full, &target.hooks, &report), 0);
  EXPECT_EQ(fixture::ReadFile(target.Path("big.bin")), data);
}

// ---- the packer ----

int RunTool(const std::string& command) {
  int status = system((command + " >/dev/null 2>&1").c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

struct Packer : testing::Test {
  fixture::Target scratch;
  std::string tool = MKUPDATE_EXE;
  std::string in, stub, out;
  void SetUp() override {
    in = scratch.Path("in");
    stub = scratch.Path("stub.exe");
    out = scratch.Path("Game_Update.exe");
    mkdir(in.c_str(), 0777);
    fixture::WriteFile(stub, std::string(512, 'M'));
  }
  int Pack() { return RunTool(tool + " pack --stub " + stub + " --out " + out + " --level 6 " + in); }
};

TEST_F(Packer, OrdersConfigurationFilesFirstAndFoldersBeforeTheirContents) {
  mkdir((in + "/data").c_str(), 0777);
  mkdir((in + "/data/bgm").c_str(), 0777);
  fixture::WriteFile(in + "/aaa.bin", "a");
  fixture::WriteFile(in + "/data/bgm/x.ogg", "x");
  fixture::WriteFile(in + "/install.env", "env");
  fixture::WriteFile(in + "/readme.txt", "r");
  const std::string japanese = "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E.txt";  // UTF-8 on this machine
  fixture::WriteFile(in + "/" + japanese, "j");
  ASSERT_EQ(Pack(), 0);
  std::string exe = fixture::ReadFile(out);
  ASSERT_EQ(GetU32(U(exe, exe.size() - 4)), 512u);
  MemorySource memory;
  ArchiveSource source = MakeMemorySource(&memory, exe.data() + 512, exe.size() - 512 - 4);
  std::vector<std::string> names;
  EntryHeader header;
  while (ReadEntryHeader(&source, &header) == HeaderResult::Entry) {
    names.push_back(header.name);
    if (header.file_size != kFolderFileSize) source.skip(source.context, 8 + header.stored_size);
  }
  // cp932 of 日本語: 93 FA 96 7B 8C EA.
  EXPECT_EQ(names, (std::vector<std::string>{"install.env", "readme.txt", "\x93\xfa\x96\x7b\x8c\xea.txt",
                                             "data\\", "data\\bgm\\", "aaa.bin", "data\\bgm\\x.ogg"}));
  EXPECT_EQ(RunTool(tool + " verify " + out), 0);
  EXPECT_EQ(RunTool(tool + " extract " + out + " " + scratch.Path("back")), 0);
  EXPECT_EQ(fixture::ReadFile(scratch.Path("back/" + japanese)), "j");
  EXPECT_EQ(fixture::ReadFile(scratch.Path("back/data/bgm/x.ogg")), "x");
}

TEST_F(Packer, VerifyNamesTheFirstDamagedEntry) {
  std::string data(100000, '\0');
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 31 >> 3);
  fixture::WriteFile(in + "/install.env", "env");
  fixture::WriteFile(in + "/update.arc", data);
  ASSERT_EQ(Pack(), 0);
  std::string exe = fixture::ReadFile(out);
  exe[exe.size() - 40] ^= 0x10;  // inside update.arc's stream, the last entry
  fixture::WriteFile(out, exe);
  std::string report = scratch.Path("report.txt");
  int status = system((tool + " verify " + out + " 2>" + report + " >/dev/null").c_str());
  EXPECT_NE(WEXITSTATUS(status), 0);
  EXPECT_NE(fixture::ReadFile(report).find("update.arc"), std::string::npos) << fixture::ReadFile(report);
}

TEST_F(Packer, RefusalsLeaveNoOutputBehind) {
  struct Case {
    const char* label;
    std::string name;
  };
  const Case cases[] = {
      {"name cp932 cannot hold", "\xF0\x9F\x98\x80.txt"},  // an emoji
      {"colon in a name", "a:b.txt"},
      {"name over the limit", std::string(120, 'd') + "/" + std::string(140, 'f')},
  };
  for (const Case& c : cases) {
    std::string folder = scratch.Path("in");
    RunTool("rm -rf " + folder);
    mkdir(folder.c_str(), 0777);
    size_t slash = c.name.find('/');
    if (slash != std::string::npos) mkdir((folder + "/" + c.name.substr(0, slash)).c_str(), 0777);
    fixture::WriteFile(folder + "/" + c.name, "x");
    EXPECT_NE(Pack(), 0) << c.label;
    EXPECT_FALSE(fixture::Exists(out)) << c.label;
    EXPECT_FALSE(fixture::Exists(out + ".part")) << c.label;
  }
  EXPECT_NE(RunTool(tool + " pack --stub " + scratch.Path("missing.exe") + " --out " + out + " " + in), 0);
  EXPECT_FALSE(fixture::Exists(out + ".part"));
  EXPECT_NE(RunTool(tool + " pack --stub " + stub + " --out " + out + " --level 99 " + in), 0);
}

}  // namespace
