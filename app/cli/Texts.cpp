#include "app/cli/Texts.h"

#include <cstdio>

#include "app/cli/Session.h"

namespace hi::cli::texts {

namespace {

// "подтверждено блоков: 12 из 1016, передано в порт байт: 3328 из 260096". The bytes are
// those handed to the port; at an interrupt the close drops what the line had not carried.
std::string where(const SessionReport& r) {
  return "подтверждено блоков: " + std::to_string(r.blocks) + " из " +
         std::to_string(r.totalBlocks) + ", передано в порт байт: " + std::to_string(r.bytes) +
         " из " + std::to_string(r.totalBytes);
}

}  // namespace

std::string interrupted(const SessionReport& r) {
  std::string text = "Прервано пользователем: " + where(r) + ". ";
  text += r.started ? "«PUSK» был отправлен до прерывания: дождитесь запуска устройства."
                    : "«PUSK» не отправлен, устройство не запущено.";
  return text + " Порт " + r.port + " закрыт.";
}

std::string wrongReply(const SessionReport& r) {
  return "Неверный ответ устройства (" + where(r) + ").";
}

std::string silence(const SessionReport& r) {
  return "Устройство перестало отвечать (" + where(r) + ").";
}

std::string lineGone(const SessionReport& r) {
  return "Связь с устройством пропала: порт " + r.port + " отключён (" + where(r) + ").";
}

std::string rate(double bytesPerSecond) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f КБ/с", bytesPerSecond / 1024.0);
  return text;
}

std::string duration(double seconds) {
  if (seconds < 0) return "--:--";
  const long s = static_cast<long>(seconds + 0.5);
  char text[32];
  std::snprintf(text, sizeof text, "%ld:%02ld", s / 60, s % 60);
  return text;
}

}  // namespace hi::cli::texts
