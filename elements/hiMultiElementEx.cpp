#include "elements/hiMultiElementEx.h"

#include "elements/hiEditMultiEx.h"
#include "elements/hiMultiBase.h"

namespace hi {

namespace {

// Destroys the instance of a call made without a current instance once the call is over.
class TemporaryInstance {
 public:
  explicit TemporaryInstance(THIEditMultiEx* edge) : edge_(edge) {}
  ~TemporaryInstance() {
    if (edge_ != nullptr) delete edge_->innerGraph;
  }
  TemporaryInstance(const TemporaryInstance&) = delete;
  TemporaryInstance& operator=(const TemporaryInstance&) = delete;

  THIEditMultiEx* get() const { return edge_; }

 private:
  THIEditMultiEx* edge_;
};

}  // namespace

THIMultiElementEx::~THIMultiElementEx() {
  for (std::size_t i = instances.size(); i-- > 0;) {
    THIEditMultiEx* instance = instances[i];
    if (isBusy(instance)) {
      // Its own call is still running further up the stack: it stays alive.
      showNotice("Self destruction is not allowed !!!");
      continue;
    }
    if (instance == current) current = nullptr;
    delete instance->innerGraph;
    instances.erase(instances.begin() + static_cast<std::ptrdiff_t>(i));
  }
  // Calls still running further up the stack must not reach back into this object: the
  // instances they run in are cut loose, and their frames forget the busy list.
  for (BusyFrame* frame = busy; frame != nullptr; frame = frame->previous) {
    frame->container = nullptr;
    if (frame->instance != nullptr) frame->instance->container = nullptr;
  }
}

void THIMultiElementEx::setCreator(MultiCreator routine) {
  creator = routine;
  if (Mode != 0) return;
  THIEditMultiEx* instance = createInstance();
  if (instance == nullptr) return;
  current = instance;
  instances.push_back(instance);
}

THIEditMultiEx* THIMultiElementEx::createInstance() {
  if (creator == nullptr) return nullptr;
  // Start-up handlers of an instance built while the program is live run at once, after
  // its whole sub-graph exists; during the main graph's construction they wait for the
  // main window's start.
  const std::uint8_t saved = GraphReady;
  GraphReady = 0;
  THIEditMultiEx* instance = creator(this, parentWindow, ownerGraph);
  if (saved != 0) runStartupHandlers();
  return instance;
}

bool THIMultiElementEx::isBusy(const THIEditMultiEx* instance) const {
  for (const BusyFrame* frame = busy; frame != nullptr; frame = frame->previous) {
    if (frame->instance == instance) return true;
  }
  return false;
}

// Neither handler touches this object after firing: the call may end up destroying the
// container.
void THIMultiElementEx::doWork(TData& d, std::uint16_t index) {
  if (current != nullptr) {
    if (index < current->onWork.size()) fireEvent(current->onWork[index], d);
    return;
  }
  TemporaryInstance temporary(createInstance());
  THIEditMultiEx* instance = temporary.get();
  if (instance != nullptr && index < instance->onWork.size()) {
    fireEvent(instance->onWork[index], d);
  }
}

void THIMultiElementEx::GetVar(TData& d, std::uint16_t index) {
  if (current != nullptr) {
    if (index < current->Var.size()) {
      readOrBreak(current->Var[index], d);
    } else {
      d.type = dtBreak;
    }
    return;
  }
  TemporaryInstance temporary(createInstance());
  THIEditMultiEx* instance = temporary.get();
  if (instance != nullptr && index < instance->Var.size()) {
    readOrBreak(instance->Var[index], d);
  } else {
    d.type = dtBreak;
  }
}

}  // namespace hi
