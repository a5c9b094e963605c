// The program's embedded pictures as Qt images.
#pragma once

#include <QIcon>
#include <QImage>
#include <string_view>

namespace hi {

// The bitmap resource of that name; a null image when it is missing or unreadable.
QImage bitmapResource(std::string_view name);
// The icon group resource of that name, with every size it holds; a null icon when it is
// missing or unreadable.
QIcon iconResource(std::string_view name);

}  // namespace hi
