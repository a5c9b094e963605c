// Reading what the flight recorder left: the journal's entries and a trace's text.
#pragma once

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace hi::test {

inline std::string fileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Every line of a journal file, parsed; a line that is no JSON object is a discarded value.
inline std::vector<nlohmann::json> journalEntries(const std::string& path) {
  std::vector<nlohmann::json> entries;
  std::ifstream in(path, std::ios::binary);
  for (std::string line; std::getline(in, line);) {
    entries.push_back(nlohmann::json::parse(line, nullptr, false));
  }
  return entries;
}

// The trace an entry names, beside the journal.
inline std::string traceOf(const std::string& folder, const nlohmann::json& entry) {
  if (!entry.contains("trace") || !entry["trace"].is_string()) return {};
  return fileText(folder + "/" + entry["trace"].get<std::string>());
}

}  // namespace hi::test
