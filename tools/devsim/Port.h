#pragma once

#include <string>

namespace hi::devsim {

// The pseudo-terminal and its name in the port map. The device end stays with the simulator;
// the program end is reached through the link <dir>/COM<n> -> /dev/pts/<k>.
class Port {
 public:
  Port() = default;
  ~Port();
  Port(const Port&) = delete;
  Port& operator=(const Port&) = delete;

  // dir empty: a fresh temporary directory, removed again at close when it is empty.
  bool open(const std::string& dir, unsigned com, std::string& error);
  // Removes the link (only while it still points at this pseudo-terminal) and closes.
  void close();
  // Closes the device end alone, which hangs up the program end; the link goes too.
  void hangUp();

  int masterFd() const { return master_; }
  const std::string& devicePath() const { return device_; }
  const std::string& dir() const { return dir_; }
  const std::string& linkPath() const { return link_; }
  const std::string& comName() const { return com_; }

 private:
  bool publish(std::string& error);
  void unpublish();

  int master_ = -1;
  std::string device_;
  std::string dir_;
  std::string link_;
  std::string com_;
  bool ownsDir_ = false;
};

}  // namespace hi::devsim
