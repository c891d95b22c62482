// Wall-clock timing of a step, in seconds, for the maintenance benchmarks.
#pragma once

#include <algorithm>
#include <chrono>
#include <functional>
#include <vector>

inline double SecondsOf(const std::function<void()>& step) {
  auto start = std::chrono::steady_clock::now();
  step();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

inline double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

inline double Min(const std::vector<double>& values) { return *std::min_element(values.begin(), values.end()); }
inline double Max(const std::vector<double>& values) { return *std::max_element(values.begin(), values.end()); }
