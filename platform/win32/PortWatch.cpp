// The port watch on Windows. The system tells top-level windows of ports that arrive or are
// removed (WM_DEVICECHANGE with DBT_DEVICEARRIVAL or DBT_DEVICEREMOVECOMPLETE for a
// DBT_DEVTYP_PORT device); the window realisation hands each such message to
// reportDevicesChanged(), so the watch needs no thread of its own, and its reports run on the
// window thread.
#include "platform/PortWatch.h"

#include <utility>

namespace hi {

std::unique_ptr<PortWatch> PortWatch::start(Changed changed) {
  return startRelayedPortWatch(std::move(changed));
}

}  // namespace hi
