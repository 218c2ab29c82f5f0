// Unit tests of the extraction walk: both modes, progress, and damage that must leave old files whole.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "archive_fixture.h"
#include "payload/archive.h"
#include "payload/extract_core.h"

namespace {

using fixture::BuildArchive;
using fixture::Target;

constexpr uint64_t kStamp = 0x01C417E0DBBE2000ull;

std::string Pattern(size_t size) {
  std::string data(size, '\0');
  uint32_t x = 12345;
  for (size_t i = 0; i < size; ++i) {
    x = x * 1103515245u + 12345u;
    data[i] = static_cast<char>(i % 3 == 0 ? (x >> 24) : 'a' + (i / 7) % 26);
  }
  return data;
}

// A memory source that counts the bytes handed out.
struct CountingSource {
  MemorySource memory;
  uint64_t delivered = 0;
  ArchiveSource inner;
  ArchiveSource source;
  explicit CountingSource(const std::string& bytes) {
    inner = MakeMemorySource(&memory, bytes.data(), bytes.size());
    source = ArchiveSource{this, Read, Skip};
  }
  static size_t Read(void* context, void* buffer, size_t size) {
    CountingSource* self = static_cast<CountingSource*>(context);
    size_t got = self->inner.read(self->inner.context, buffer, size);
    self->delivered += got;
    return got;
  }
  static void Skip(void* context, uint64_t count) {
    CountingSource* self = static_cast<CountingSource*>(context);
    self->inner.skip(self->inner.context, count);
  }
};

int Extract(const std::string& archive, Target& target, ExtractMode mode, ExtractReport* report) {
  MemorySource memory;
  ArchiveSource source = MakeMemorySource(&memory, archive.data(), archive.size());
  return ExtractArchive(&source, target.Folder(), mode, &target.hooks, report);
}

bool HasTemporaryFile(const std::string& folder) {
  for (const std::string& name : fixture::List(folder)) {
    if (name.find("~zp") != std::string::npos) return true;
  }
  return false;
}

TEST(FullExtraction, WritesEveryEntryWithItsTimeStamp) {
  std::string big = Pattern(300000);
  std::string archive = BuildArchive([&](ArchiveWriter* w) {
    AddFileEntry(w, "install.env", "KEY 1\n", 6, kStamp);
    AddFolderEntry(w, "data\\");
    AddFileEntry(w, "data\\a.bin", big.data(), big.size(), kStamp + 1);
    AddFileEntry(w, "empty.txt", "", 0, kStamp + 2);
  });
  Target target;
  fixture::WriteFile(target.Path("install.env"), "an older, longer settings file");
  ExtractReport report;
  ASSERT_EQ(Extract(archive, target, ExtractMode::Full, &report), 0) << DescribeExtractStatus(report.status);
  EXPECT_EQ(report.files, 3u);
  EXPECT_EQ(report.folders, 1u);
  EXPECT_EQ(fixture::ReadFile(target.Path("install.env")), "KEY 1\n");
  EXPECT_EQ(fixture::ReadFile(target.Path("data/a.bin")), big);
  EXPECT_EQ(fixture::ReadFile(target.Path("empty.txt")), "");
  EXPECT_FALSE(HasTemporaryFile(target.root));
  EXPECT_FALSE(HasTemporaryFile(target.Path("data")));
  // The time stamp goes on the finished temporary file, before it replaces the target.
  ASSERT_EQ(target.times.size(), 3u);
  EXPECT_EQ(target.times[1].first, target.root + "\\data\\a.bin.~zp");
  EXPECT_EQ(target.times[1].second, kStamp + 1);
  EXPECT_EQ(target.times[2].second, kStamp + 2);
  EXPECT_EQ(target.begun[2].second, 0);
}

TEST(FullExtraction, ProgressCountsBlocksAndConsumedBytes) {
  std::string big = Pattern(300000);
  std::string archive = BuildArchive([&](ArchiveWriter* w) {
    AddFileEntry(w, "a.bin", big.data(), big.size(), kStamp);
  });
  uint32_t stored = GetU32(reinterpret_cast<const unsigned char*>(archive.data()) + 2 + 6 + 4);
  Target target;
  ExtractReport report;
  ASSERT_EQ(Extract(archive, target, ExtractMode::Full, &report), 0);
  ASSERT_EQ(target.begun.size(), 1u);
  EXPECT_EQ(target.begun[0].second, 300000);
  // Two full blocks, then the partial last one: per-file positions 1, 2 and 300000 / 128 KiB.
  ASSERT_EQ(target.progress.size(), 3u);
  EXPECT_EQ(target.progress[0].first, 1u);
  EXPECT_EQ(target.progress[1].first, 2u);
  EXPECT_EQ(target.progress[2].first, 2u);
  uint64_t total = 6 + kHeaderOverhead + kTimeStampSize + stored;
  EXPECT_EQ(target.progress[2].second, ProgressUnits(total));
  EXPECT_LE(target.progress[0].second, target.progress[1].second);
  EXPECT_EQ(target.pumps, 3);
}

TEST(ConfigOnly, PicksConfigurationNamesAndStopsAtANestedFolder) {
  std::string arc = Pattern(400000);
  std::string archive = BuildArchive([&](ArchiveWriter* w) {
    AddFileEntry(w, "README.TXT", "readme", 6, kStamp);
    AddFileEntry(w, "update.arc", arc.data(), arc.size(), kStamp);
    AddFileEntry(w, "notes.txt.bak", "notes", 5, kStamp);
    AddFileEntry(w, "Install.Env", "env", 3, kStamp);
    AddFolderEntry(w, "data\\");
    AddFileEntry(w, "picture.bin", "p", 1, kStamp);
    AddFolderEntry(w, "data\\bgm\\");
    AddFileEntry(w, "later.txt", "late", 4, kStamp);
  });
  Target target;
  CountingSource counting(archive);
  ExtractReport report;
  ASSERT_EQ(ExtractArchive(&counting.source, target.Folder(), ExtractMode::ConfigOnly, &target.hooks, &report), 0);
  EXPECT_EQ(fixture::List(target.root), (std::vector<std::string>{"Install.Env", "README.TXT", "notes.txt.bak"}));
  EXPECT_TRUE(target.folders.empty());
  // update.arc was passed over by seeking: far fewer bytes read than its data holds.
  EXPECT_LT(counting.delivered, 1000u);
}

TEST(ConfigOnly, TextFileInsideAFolderFails) {
  std::string archive = BuildArchive([&](ArchiveWriter* w) {
    AddFolderEntry(w, "data\\");
    AddFileEntry(w, "data\\readme.txt", "r", 1, kStamp);
  });
  Target target;
  ExtractReport report;
  EXPECT_EQ(Extract(archive, target, ExtractMode::ConfigOnly, &report), -1);
  EXPECT_EQ(report.status, ExtractStatus::OutputFailed);
  EXPECT_STREQ(report.entry, "data\\readme.txt");
}

TEST(Extraction, EmptyArchiveAndExistingFolder) {
  Target target;
  ExtractReport report;
  EXPECT_EQ(Extract(BuildArchive([](ArchiveWriter*) {}), target, ExtractMode::Full, &report), 0);
  EXPECT_TRUE(fixture::List(target.root).empty());
  std::string archive = BuildArchive([](ArchiveWriter* w) {
    AddFolderEntry(w, "data\\");
    AddFolderEntry(w, "data\\");
    AddFileEntry(w, "data\\x", "x", 1, kStamp);
  });
  EXPECT_EQ(Extract(archive, target, ExtractMode::Full, &report), 0);
  EXPECT_EQ(fixture::ReadFile(target.Path("data/x")), "x");
}

// A good first entry, then "victim.dat" damaged in one way, over an old victim.dat.
struct DamageCase {
  const char* label;
  std::string (*make)();
  ExtractStatus expected;
  long write_budget;
};

const std::string kData = Pattern(200000);

std::string WithVictim(const char* name, int32_t file_size, const std::string& stored, bool finish = true) {
  return BuildArchive([&](ArchiveWriter* w) {
    AddFileEntry(w, "first.txt", "first", 5, kStamp);
    AddRawEntry(w, name, file_size, static_cast<int32_t>(stored.size()), kStamp, stored.data(), stored.size());
  }, finish);
}

const DamageCase kDamage[] = {
    {"wrong Adler-32", [] { return WithVictim("victim.dat", 200000, fixture::BadAdlerStream(kData)); },
     ExtractStatus::DamagedData, -1},
    {"stored data ends before the stream",
     [] {
       std::string s = fixture::ZlibStream(kData);
       return WithVictim("victim.dat", 200000, s.substr(0, s.size() / 2));
     },
     ExtractStatus::DamagedData, -1},
    {"archive truncated inside the data",
     [] {
       std::string a = WithVictim("victim.dat", 200000, fixture::ZlibStream(kData), false);
       return a.substr(0, a.size() - 500);
     },
     ExtractStatus::DamagedData, -1},
    {"file size larger than the stream", [] { return WithVictim("victim.dat", 200001, fixture::ZlibStream(kData)); },
     ExtractStatus::DamagedData, -1},
    {"file size smaller than the stream", [] { return WithVictim("victim.dat", 1000, fixture::ZlibStream(kData)); },
     ExtractStatus::DamagedData, -1},
    {"bytes after the stream end", [] { return WithVictim("victim.dat", 200000, fixture::ZlibStream(kData) + "xx"); },
     ExtractStatus::DamagedData, -1},
    {"disk full", [] { return WithVictim("victim.dat", 200000, fixture::ZlibStream(kData)); },
     ExtractStatus::OutputFailed, 150000},
    {"traversal name", [] { return WithVictim("..\\victim.dat", 200000, fixture::ZlibStream(kData)); },
     ExtractStatus::BadName, -1},
    {"drive name", [] { return WithVictim("C:victim.dat", 200000, fixture::ZlibStream(kData)); },
     ExtractStatus::BadName, -1},
    {"name over 260 bytes",
     [] { return WithVictim((std::string(300, 'v')).c_str(), 200000, fixture::ZlibStream(kData)); },
     ExtractStatus::BadName, -1},
    {"truncated before the end marker", [] {
       return BuildArchive([](ArchiveWriter* w) { AddFileEntry(w, "first.txt", "first", 5, kStamp); }, false);
     }, ExtractStatus::ShortHeader, -1},
};

class Damage : public testing::TestWithParam<DamageCase> {};

TEST_P(Damage, FailsAndLeavesTheOldFileWhole) {
  const DamageCase& c = GetParam();
  Target target;
  fixture::WriteFile(target.Path("victim.dat"), "OLD");
  target.write_budget = c.write_budget;
  std::string parent = target.root.substr(0, target.root.rfind('/'));
  bool outside_before = fixture::Exists(parent + "/victim.dat");
  ExtractReport report;
  EXPECT_EQ(Extract(c.make(), target, ExtractMode::Full, &report), -1) << c.label;
  EXPECT_EQ(report.status, c.expected) << c.label << ": " << DescribeExtractStatus(report.status);
  EXPECT_EQ(fixture::ReadFile(target.Path("first.txt")), "first");
  EXPECT_EQ(fixture::ReadFile(target.Path("victim.dat")), "OLD") << c.label;
  EXPECT_FALSE(HasTemporaryFile(target.root)) << c.label;
  EXPECT_EQ(fixture::Exists(parent + "/victim.dat"), outside_before);
  EXPECT_EQ(fixture::List(target.root), (std::vector<std::string>{"first.txt", "victim.dat"}));
}

INSTANTIATE_TEST_SUITE_P(Table, Damage, testing::ValuesIn(kDamage),
                         [](const testing::TestParamInfo<DamageCase>& info) {
                           std::string label = info.param.label;
                           for (char& ch : label) {
                             if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
                           }
                           return label;
                         });

TEST(Extraction, BadNameIsRefusedBeforeItsFolderIsMade) {
  std::string archive = BuildArchive([](ArchiveWriter* w) { AddRawEntry(w, "..\\up\\", -1, 0, 0, nullptr, 0); });
  Target target;
  ExtractReport report;
  EXPECT_EQ(Extract(archive, target, ExtractMode::Full, &report), -1);
  EXPECT_EQ(report.status, ExtractStatus::BadName);
  EXPECT_TRUE(target.folders.empty());
}

TEST(Extraction, DestinationPathOverTheLimitOpensNothing) {
  std::string name(259 - 1 - 0, 'n');
  std::string archive = BuildArchive([&](ArchiveWriter* w) { AddFileEntry(w, name.c_str(), "x", 1, kStamp); });
  Target target;
  ExtractReport report;
  EXPECT_EQ(Extract(archive, target, ExtractMode::Full, &report), -1);
  EXPECT_EQ(report.status, ExtractStatus::PathTooLong);
  EXPECT_TRUE(target.opened.empty());
}

TEST(Extraction, NoMemoryOpensNothing) {
  std::string archive = BuildArchive([](ArchiveWriter* w) { AddFileEntry(w, "a", "x", 1, kStamp); });
  Target target;
  target.no_memory = true;
  ExtractReport report;
  EXPECT_EQ(Extract(archive, target, ExtractMode::Full, &report), -1);
  EXPECT_EQ(report.status, ExtractStatus::NoMemory);
  EXPECT_TRUE(target.opened.empty());
}

}  // namespace
