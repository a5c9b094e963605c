// The program's embedded pictures, decoded by the toolkit.
#pragma once

#include <string_view>

#include "window/Picture.h"

namespace hi {

// The bitmap resource of that name; empty when it is missing or unreadable.
Picture bitmapResource(std::string_view name);
// The icon group resource of that name, with every size it holds; empty when it is missing
// or unreadable.
Icon iconResource(std::string_view name);

}  // namespace hi
