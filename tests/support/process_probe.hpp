#pragma once

// Looking at another process from outside: resident memory, open descriptors and its TCP sockets.
// Linux /proc only; the soak test that uses it is built on Linux alone.
#if !defined(__linux__)
#error "The process probe reads /proc and runs on Linux."
#endif

#include <fcntl.h>
#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <system_error>
#include <vector>

namespace vantry::test {

// VmRSS of /proc/<pid>/status, in kB; 0 when the process is gone.
inline std::uint64_t residentKilobytes(pid_t pid) {
  std::ifstream file("/proc/" + std::to_string(pid) + "/status");
  for (std::string line; std::getline(file, line);) {
    if (line.rfind("VmRSS:", 0) == 0) {
      std::istringstream fields(line.substr(6));
      std::uint64_t kb = 0;
      fields >> kb;
      return kb;
    }
  }
  return 0;
}

struct OpenDescriptors {
  std::size_t total = 0;
  std::set<std::uint64_t> socketInodes;
};

inline OpenDescriptors openDescriptors(pid_t pid) {
  OpenDescriptors out;
  std::error_code error;
  const auto folder = std::filesystem::path("/proc") / std::to_string(pid) / "fd";
  for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
    ++out.total;
    const auto target = std::filesystem::read_symlink(entry.path(), error).string();
    if (!error && target.rfind("socket:[", 0) == 0) out.socketInodes.insert(std::stoull(target.substr(8)));
  }
  return out;
}

struct TcpSocket {
  std::uint64_t inode = 0;
  std::string remoteAddress;  // hex as the kernel writes it
  unsigned remotePort = 0;
  unsigned state = 0;  // 0x0A: listening

  bool listening() const { return state == 0x0A; }
  // 127.0.0.1 as IPv4, or as an IPv4-mapped IPv6 address.
  bool remoteIsLoopbackV4() const {
    return remoteAddress == "0100007F" || remoteAddress == "0000000000000000FFFF00000100007F";
  }
};

// The TCP sockets of the process: the namespace's tables matched against the process's descriptors.
inline std::vector<TcpSocket> tcpSockets(pid_t pid) {
  const auto mine = openDescriptors(pid).socketInodes;
  std::vector<TcpSocket> out;
  for (const char* table : {"tcp", "tcp6"}) {
    std::ifstream file("/proc/" + std::to_string(pid) + "/net/" + table);
    std::string line;
    std::getline(file, line);  // column names
    while (std::getline(file, line)) {
      std::istringstream fields(line);
      std::string slot, local, remote, state, queues, timer, retransmits, uid, timeout;
      std::uint64_t inode = 0;
      fields >> slot >> local >> remote >> state >> queues >> timer >> retransmits >> uid >> timeout >> inode;
      if (!fields || !mine.count(inode)) continue;
      TcpSocket s;
      s.inode = inode;
      const auto colon = remote.find(':');
      s.remoteAddress = remote.substr(0, colon);
      s.remotePort = static_cast<unsigned>(std::stoul(remote.substr(colon + 1), nullptr, 16));
      s.state = static_cast<unsigned>(std::stoul(state, nullptr, 16));
      out.push_back(s);
    }
  }
  return out;
}

// Keeps this process's descriptors, its listening sockets among them, out of the children it starts:
// a child holding a copy of a listener would keep its port open after the test closes it.
inline void closeOnExecAll() {
  std::error_code error;
  std::vector<int> fds;
  for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd", error)) {
    fds.push_back(std::stoi(entry.path().filename().string()));
  }
  for (const int fd : fds) {
    if (fd <= 2) continue;
    const int flags = fcntl(fd, F_GETFD);
    if (flags >= 0) fcntl(fd, F_SETFD, flags | FD_CLOEXEC);
  }
}

}  // namespace vantry::test
