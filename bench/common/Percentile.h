// Order statistics of a sample: the value below which the given fraction of
// it lies (nearest rank, no interpolation).
#pragma once

#include <algorithm>
#include <cstddef>
#include <vector>

inline double Percentile(std::vector<double> values, double fraction) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const auto index = static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1));
  return values[index];
}

inline double Median(std::vector<double> values) {
  return Percentile(std::move(values), 0.5);
}
