#include "elements/hiMultiElementEx.h"

#include "elements/hiEditMultiEx.h"

namespace hi {

THIMultiElementEx::InnerCall::InnerCall(THIEditMultiEx* instance, THIMultiElementEx& container)
    : instance_(instance), previous_(container.busy_), container_(&container) {
  container.busy_ = this;
}

THIMultiElementEx::InnerCall::~InnerCall() {
  if (container_ != nullptr) container_->busy_ = previous_;
}

THIMultiElementEx::~THIMultiElementEx() {
  for (std::size_t i = instances_.size(); i-- > 0;) {
    THIEditMultiEx* instance = instances_[i]->edge;
    if (isBusy(instance)) {
      // Its own call is still running further up the stack: it stays alive, and nothing
      // can tell when that call is over, so nobody destroys it.
      showNotice("Self destruction is not allowed !!!");
      static_cast<void>(instances_[i].release());
      continue;
    }
    if (instance == current_) current_ = nullptr;
    instances_[i].reset();
  }
  // Calls still running further up the stack must not reach back into this object: the
  // instances they run in are cut loose, and their frames forget the busy list.
  for (InnerCall* call = busy_; call != nullptr; call = call->previous_) {
    call->container_ = nullptr;
    if (call->instance_ != nullptr) call->instance_->container = nullptr;
  }
}

void THIMultiElementEx::setCreator(MultiCreator routine) {
  creator_ = routine;
  if (Mode != 0) return;
  MultiInstance instance = createInstance();
  if (!instance) return;
  current_ = instance->edge;
  instances_.push_back(std::move(instance));
}

MultiInstance THIMultiElementEx::createInstance() {
  if (creator_ == nullptr) return nullptr;
  // Start-up handlers of an instance built while the program is live run at once, after
  // its whole sub-graph exists; during the main graph's construction they wait for the
  // main window's start.
  const std::uint8_t saved = GraphReady;
  GraphReady = 0;
  MultiInstance instance = creator_(this, parentWindow_, ownerGraph);
  if (saved != 0) runStartupHandlers();
  return instance;
}

bool THIMultiElementEx::isBusy(const THIEditMultiEx* instance) const {
  for (const InnerCall* call = busy_; call != nullptr; call = call->previous_) {
    if (call->instance_ == instance) return true;
  }
  return false;
}

// Neither handler touches this object after firing: the call may end up destroying the
// container. A temporary instance lives on the stack until its call is over.
void THIMultiElementEx::doWork(TData& d, std::uint16_t index) {
  if (current_ != nullptr) {
    if (index < current_->onWork.size()) fireEvent(current_->onWork[index], d);
    return;
  }
  const MultiInstance temporary = createInstance();
  if (temporary && index < temporary->edge->onWork.size()) {
    fireEvent(temporary->edge->onWork[index], d);
  }
}

void THIMultiElementEx::GetVar(TData& d, std::uint16_t index) {
  const MultiInstance temporary = current_ == nullptr ? createInstance() : nullptr;
  const THIEditMultiEx* instance = current_ != nullptr ? current_ : temporary ? temporary->edge : nullptr;
  if (instance != nullptr && index < instance->Var.size()) {
    readOrBreak(instance->Var[index], d);
  } else {
    d.type = dtBreak;
  }
}

}  // namespace hi
