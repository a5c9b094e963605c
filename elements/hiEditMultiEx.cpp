#include "elements/hiEditMultiEx.h"

#include "elements/hiMultiElementEx.h"

namespace hi {

namespace {

// Marks an inner call of an instance as running for as long as the call lasts.
class BusyScope {
 public:
  BusyScope(THIEditMultiEx* instance, THIMultiElementEx* container)
      : frame_{instance, container->busy, container} {
    container->busy = &frame_;
  }
  ~BusyScope() {
    if (frame_.container != nullptr) frame_.container->busy = frame_.previous;
  }
  BusyScope(const BusyScope&) = delete;
  BusyScope& operator=(const BusyScope&) = delete;

 private:
  BusyFrame frame_;
};

}  // namespace

void THIEditMultiEx::doEvent(TData& d, std::uint16_t index) {
  THIMultiElementEx* owner = container;
  if (owner == nullptr || index >= owner->onEvent.size()) return;
  BusyScope scope(this, owner);
  fireEvent(owner->onEvent[index], d);
}

void THIEditMultiEx::GetData(TData& d, std::uint16_t index) {
  THIMultiElementEx* owner = container;
  if (owner == nullptr || index >= owner->inData.size()) {
    d.type = dtBreak;
    return;
  }
  BusyScope scope(this, owner);
  readOrBreak(owner->inData[index], d);
}

}  // namespace hi
