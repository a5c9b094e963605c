#include "window/Pictures.h"

#include "window/SystemDriver.h"

namespace hi {

Picture bitmapResource(std::string_view name) {
  return systemDriver().loadBitmap(name);
}

Icon iconResource(std::string_view name) {
  return systemDriver().loadIcon(name);
}

}  // namespace hi
