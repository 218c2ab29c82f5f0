// Splitting and text substitution of the [ini] and [reg] directive lines of an update.
#pragma once
#include <cstddef>

// Every text here (results, key, value, name and data texts) is a 512-byte line.
constexpr size_t kDirectiveTextSize = 512;
