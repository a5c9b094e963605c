#include "runtime/Seams.h"

#include <atomic>
#include <cstdio>

#include "runtime/MemoryStream.h"

namespace hi {

namespace {

std::atomic<NoticeHandler> g_notice{nullptr};
std::atomic<ResourceLoader> g_loader{nullptr};
std::atomic<PixelsPerInchSource> g_ppiSource{nullptr};
std::atomic<int> g_ppi{0};

}  // namespace

void setNoticeHandler(NoticeHandler handler) { g_notice.store(handler); }

void showNotice(const std::string& text) {
  if (NoticeHandler h = g_notice.load()) {
    h(text);
  } else {
    std::fprintf(stderr, "String-Debug: %s\n", text.c_str());
  }
}

void setResourceLoader(ResourceLoader loader) { g_loader.store(loader); }

std::unique_ptr<MemoryStream> loadResourceStream(std::string_view name) {
  ResourceLoader loader = g_loader.load();
  return loader != nullptr ? loader(name) : nullptr;
}

void setPixelsPerInchSource(PixelsPerInchSource source) {
  g_ppiSource.store(source);
  g_ppi.store(0);  // ask the new source at the next use
}

int screenPixelsPerInch() {
  int ppi = g_ppi.load();
  if (ppi == 0) {
    PixelsPerInchSource source = g_ppiSource.load();
    ppi = source != nullptr ? source() : 96;
    if (ppi <= 0) ppi = 96;
    g_ppi.store(ppi);
  }
  return ppi;
}

}  // namespace hi
