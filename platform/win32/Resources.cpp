// The program's resources as Windows keeps them: compiled by windres into the executable and
// found with FindResource. Bitmaps and icon groups are handed out as the .bmp and .ico files
// they were made from, as the other systems' table holds them: Windows stores a bitmap
// without its file header, and an icon group as a directory of separate icon resources.
#include "platform/Resources.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cstring>
#include <map>
#include <mutex>
#include <utility>
#include <vector>

#include "platform/win32/WideText.h"

namespace hi {

namespace {

using Bytes = std::span<const std::uint8_t>;

std::optional<Bytes> load(HMODULE module, LPCWSTR name, LPCWSTR type) {
  HRSRC found = ::FindResourceW(module, name, type);
  if (found == nullptr) return std::nullopt;
  HGLOBAL loaded = ::LoadResource(module, found);
  const DWORD size = ::SizeofResource(module, found);
  const void* data = loaded != nullptr ? ::LockResource(loaded) : nullptr;
  if (data == nullptr) return std::nullopt;
  return Bytes(static_cast<const std::uint8_t*>(data), size);
}

std::uint32_t le32(const std::uint8_t* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
std::uint16_t le16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
void put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

// A .bmp file: the 14-byte file header in front of what RT_BITMAP holds.
std::optional<std::vector<std::uint8_t>> bitmapFile(Bytes dib) {
  if (dib.size() < 16) return std::nullopt;
  const std::uint32_t headerSize = le32(dib.data());
  if (headerSize > dib.size()) return std::nullopt;
  std::uint32_t colours = 0;
  std::uint32_t masks = 0;
  std::uint32_t entrySize = 4;
  if (headerSize == 12) {  // BITMAPCOREHEADER
    const std::uint16_t bits = le16(dib.data() + 10);
    colours = bits <= 8 ? 1U << bits : 0;
    entrySize = 3;
  } else if (headerSize >= 40) {
    const std::uint16_t bits = le16(dib.data() + 14);
    const std::uint32_t compression = le32(dib.data() + 16);
    const std::uint32_t used = le32(dib.data() + 32);
    colours = used != 0 ? used : (bits <= 8 ? 1U << bits : 0);
    if (headerSize == 40 && (compression == BI_BITFIELDS || compression == 6)) masks = 12;
  } else {
    return std::nullopt;
  }
  constexpr std::uint32_t kFileHeader = 14;
  std::vector<std::uint8_t> file;
  file.reserve(kFileHeader + dib.size());
  file.push_back('B');
  file.push_back('M');
  put32(file, static_cast<std::uint32_t>(kFileHeader + dib.size()));
  put32(file, 0);
  put32(file, kFileHeader + headerSize + masks + colours * entrySize);
  file.insert(file.end(), dib.begin(), dib.end());
  return file;
}

// An .ico file from an RT_GROUP_ICON directory and the RT_ICON images it names.
std::optional<std::vector<std::uint8_t>> iconFile(HMODULE module, Bytes group) {
  constexpr std::size_t kDirHeader = 6, kGroupEntry = 14, kFileEntry = 16;
  if (group.size() < kDirHeader) return std::nullopt;
  const std::uint16_t count = le16(group.data() + 4);
  if (group.size() < kDirHeader + count * kGroupEntry) return std::nullopt;
  std::vector<Bytes> images;
  for (std::uint16_t i = 0; i < count; ++i) {
    const std::uint16_t id = le16(group.data() + kDirHeader + i * kGroupEntry + 12);
    const auto image = load(module, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(3));  // RT_ICON
    if (!image) return std::nullopt;
    images.push_back(*image);
  }
  std::vector<std::uint8_t> file(group.begin(), group.begin() + kDirHeader);
  std::uint32_t offset = static_cast<std::uint32_t>(kDirHeader + count * kFileEntry);
  for (std::uint16_t i = 0; i < count; ++i) {
    const std::uint8_t* entry = group.data() + kDirHeader + i * kGroupEntry;
    file.insert(file.end(), entry, entry + 8);  // size, colours, planes, bits per pixel
    put32(file, static_cast<std::uint32_t>(images[i].size()));
    put32(file, offset);
    offset += static_cast<std::uint32_t>(images[i].size());
  }
  for (const Bytes& image : images) file.insert(file.end(), image.begin(), image.end());
  return file;
}

// Windows folds resource names to capitals; the build gives only capitals, digits and '_',
// so any other name is absent rather than found under another spelling.
bool plainName(std::string_view name) {
  if (name.empty()) return false;
  for (char c : name) {
    const bool ok = (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
    if (!ok) return false;
  }
  return true;
}

}  // namespace

std::optional<std::span<const std::uint8_t>> findResource(std::string_view name,
                                                          std::uint16_t type) {
  if (!plainName(name)) return std::nullopt;
  HMODULE module = ::GetModuleHandleW(nullptr);
  const std::wstring wideName = widenCp1251(name);
  const bool bitmap = type == ResourceTypeBitmap;
  const bool icon = type == ResourceTypeGroupIcon;
  const auto stored = load(module, wideName.c_str(), MAKEINTRESOURCEW(type));
  if (!stored) return std::nullopt;
  if (!bitmap && !icon) return stored;

  // Files put together once and kept for the life of the program, as the interface promises.
  static std::mutex lock;
  static std::map<std::pair<std::string, std::uint16_t>, std::vector<std::uint8_t>> made;
  std::lock_guard guard(lock);
  const auto key = std::make_pair(std::string(name), type);
  if (const auto it = made.find(key); it != made.end()) return Bytes(it->second);
  auto file = bitmap ? bitmapFile(*stored) : iconFile(module, *stored);
  if (!file) return std::nullopt;
  return Bytes(made.emplace(key, std::move(*file)).first->second);
}

}  // namespace hi
