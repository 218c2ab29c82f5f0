// Small settings files for the tests: written to the test's temp folder or opened from memory.
#pragma once
#include <cstdio>
#include <string>

#include <unistd.h>

#include <gtest/gtest.h>

// Writes `bytes` to a fresh file in the test temp folder and gives its path. The process id
// keeps the names apart when ctest runs the tests in parallel processes.
inline std::string WriteSettingsFile(const std::string& bytes) {
  static int counter = 0;
  std::string path = testing::TempDir() + "settings_" + std::to_string(getpid()) + "_" + std::to_string(counter++) + ".env";
  FILE* file = fopen(path.c_str(), "wb");
  if (file) {
    fwrite(bytes.data(), 1, bytes.size(), file);
    fclose(file);
  }
  return path;
}

// `count` copies of `line`.
inline std::string Repeat(const std::string& line, int count) {
  std::string text;
  for (int i = 0; i < count; ++i) text += line;
  return text;
}
