// The host's own words, in UTF-8, where the window has none: where an upload stopped and
// why. The window's texts themselves come from the graph.
#pragma once

#include <string>

namespace hi::cli {
struct SessionReport;
}

namespace hi::cli::texts {

inline constexpr const char* kNoDevice = "На этом порту устройств не найдено.";
inline constexpr const char* kPortGone = ": устройство отключено от компьютера.";

std::string interrupted(const SessionReport& report);
std::string wrongReply(const SessionReport& report);
std::string silence(const SessionReport& report);
std::string lineGone(const SessionReport& report);

// "12.3 КБ/с", "1:05"
std::string rate(double bytesPerSecond);
std::string duration(double seconds);

}  // namespace hi::cli::texts
