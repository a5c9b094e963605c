// Places where the runtime reaches the platform or the window layer. Each layer installs
// its realisation at start-up; until then the defaults below apply, so the runtime and the
// elements build and test without a display.
#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace hi {

class MemoryStream;

// Shows a text in a modal message box captioned "String-Debug" (default: standard error).
using NoticeHandler = void (*)(const std::string& text);
void setNoticeHandler(NoticeHandler handler);
void showNotice(const std::string& text);

// Loads the program's own resource of type 100 with the given name into a new memory
// stream at position 0. Null when no loader is installed or the name is absent.
using ResourceLoader = std::unique_ptr<MemoryStream> (*)(std::string_view name);
void setResourceLoader(ResourceLoader loader);
std::unique_ptr<MemoryStream> loadResourceStream(std::string_view name);

// The screen's pixels per inch, asked once of the installed source (default 96) and kept.
using PixelsPerInchSource = int (*)();
void setPixelsPerInchSource(PixelsPerInchSource source);
int screenPixelsPerInch();

}  // namespace hi
