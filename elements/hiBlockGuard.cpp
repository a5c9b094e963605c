#include "elements/hiBlockGuard.h"

#include "runtime/MemoryStream.h"

namespace hi {

void THIBlockGuard::doCheck(TData& d) {
  const MemoryStream* image = readStream(inStream);
  const bool more = image != nullptr && image->position() <= image->size() &&
                    image->size() - image->position() >= BlockSize;
  forwardTo(d, more ? onMore : onEnd, d);
}

}  // namespace hi
