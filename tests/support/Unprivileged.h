// Acting as an ordinary user inside a test that runs as root.
#pragma once

#include <grp.h>
#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

namespace hi::test {

// Makes the whole process (every thread) act as the user "nobody", without supplementary
// groups, for the life of the object. The real and saved user stay root, so it comes back.
// Inactive unless the process runs as root.
class AsUnprivilegedUser {
 public:
  AsUnprivilegedUser() {
    if (::geteuid() != 0) return;
    const passwd* nobody = ::getpwnam("nobody");
    if (nobody == nullptr) return;
    const int count = ::getgroups(0, nullptr);
    groups_.resize(count > 0 ? static_cast<std::size_t>(count) : 0);
    if (count > 0 && ::getgroups(count, groups_.data()) != count) return;
    if (::setgroups(0, nullptr) != 0) return;
    if (::setegid(nobody->pw_gid) != 0 || ::seteuid(nobody->pw_uid) != 0) {
      restore();
      return;
    }
    active_ = true;
  }
  ~AsUnprivilegedUser() {
    if (active_) restore();
  }
  AsUnprivilegedUser(const AsUnprivilegedUser&) = delete;
  AsUnprivilegedUser& operator=(const AsUnprivilegedUser&) = delete;

  bool active() const { return active_; }

 private:
  void restore() {
    // A test that cannot become root again would run the rest of the suite unprivileged.
    if (::seteuid(0) != 0 || ::setegid(0) != 0 ||
        ::setgroups(groups_.size(), groups_.data()) != 0) {
      std::abort();
    }
  }

  std::vector<gid_t> groups_;
  bool active_ = false;
};

}  // namespace hi::test
