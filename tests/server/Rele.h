#pragma once
// A relay between a desk and the Firebird server of the tests (127.0.0.1:3050),
// so a test can take the server away from a desk and give it back.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

// A relay from a local port to the server's 3050: "stopping the server" cuts
// every connection through it and refuses new ones; "starting" it again
// listens on the same port. "Freezing" it is a network that drops every
// packet: the connections stay open and new ones are accepted, but nothing
// goes through either way until it thaws (what was sent meanwhile then goes).
class Rele {
 public:
  Rele() : thread_([this] { roda(); }) {}
  ~Rele() {
    fim_ = true;
    thread_.join();
    desliga();
  }
  int porta() const { return porta_; }
  void liga() {
    std::lock_guard trava(mutex_);
    escuta_ = socket(AF_INET, SOCK_STREAM, 0);
    const int sim = 1;
    setsockopt(escuta_, SOL_SOCKET, SO_REUSEADDR, &sim, sizeof sim);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    // A port below the system's ephemeral range (32768 and up): with the
    // relay stopped, a connection to a port in that range may be given the
    // same port as its own and connect to itself, talking to its own packets
    // ("connection rejected by remote interface") instead of being refused.
    if (porta_ == 0) {
      static std::atomic<int> proxima{static_cast<int>(::getpid() % 12000)};
      for (int i = 0; i < 500; ++i) {
        a.sin_port = htons(static_cast<uint16_t>(proxima.fetch_add(1) % 12000 + 20000));
        if (bind(escuta_, reinterpret_cast<sockaddr *>(&a), sizeof a) == 0) break;
      }
    } else {
      a.sin_port = htons(static_cast<uint16_t>(porta_));
      // The old socket lingers until the relay thread's poll lets it go.
      for (int i = 0; i < 200 && bind(escuta_, reinterpret_cast<sockaddr *>(&a), sizeof a) != 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    listen(escuta_, 16);
    fcntl(escuta_, F_SETFL, O_NONBLOCK);
    socklen_t n = sizeof a;
    getsockname(escuta_, reinterpret_cast<sockaddr *>(&a), &n);
    porta_ = ntohs(a.sin_port);
  }
  void congela(bool sim = true) { congelado_ = sim; }
  void desliga() {
    {
      std::lock_guard trava(mutex_);
      if (escuta_ >= 0) close(escuta_);
      escuta_ = -1;
      for (auto [a, b] : pares_) {
        close(a);
        close(b);
      }
      pares_.clear();
    }
    // A socket closed while the relay thread polls it lives until that poll
    // returns: the port would still take a connection (and then drop it)
    // for a moment. Stopped means refused, so the thread's poll is waited for.
    const long antes = voltas_;
    for (int i = 0; i < 100 && !fim_ && voltas_ < antes + 2; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }

 private:
  void roda() {
    for (; !fim_; ++voltas_) {
      std::vector<pollfd> fds;
      {
        std::lock_guard trava(mutex_);
        if (escuta_ >= 0) fds.push_back({escuta_, POLLIN, 0});
        for (auto [a, b] : pares_) {
          if (congelado_) break;
          fds.push_back({a, POLLIN, 0});
          fds.push_back({b, POLLIN, 0});
        }
      }
      if (poll(fds.data(), fds.size(), 20) <= 0) continue;
      std::lock_guard trava(mutex_);
      for (const pollfd &f : fds) {
        if (!(f.revents & (POLLIN | POLLHUP | POLLERR))) continue;
        if (f.fd == escuta_) {
          const int cliente = accept(escuta_, nullptr, nullptr);
          if (cliente < 0) continue;
          const int servidor = socket(AF_INET, SOCK_STREAM, 0);
          sockaddr_in a{};
          a.sin_family = AF_INET;
          a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
          a.sin_port = htons(3050);
          if (connect(servidor, reinterpret_cast<sockaddr *>(&a), sizeof a) == 0) {
            pares_.push_back({cliente, servidor});
          } else {
            close(cliente);
            close(servidor);
          }
          continue;
        }
        for (size_t i = 0; i < pares_.size(); ++i) {
          auto [a, b] = pares_[i];
          if (f.fd != a && f.fd != b) continue;
          char buffer[65536];
          const ssize_t n = read(f.fd, buffer, sizeof buffer);
          if (n <= 0 || write(f.fd == a ? b : a, buffer, static_cast<size_t>(n)) != n) {
            close(a);
            close(b);
            pares_.erase(pares_.begin() + static_cast<std::ptrdiff_t>(i));
          }
          break;
        }
      }
    }
  }

  std::mutex mutex_;
  int escuta_ = -1;
  int porta_ = 0;
  std::vector<std::pair<int, int>> pares_;
  std::atomic<bool> fim_{false};
  std::atomic<bool> congelado_{false};
  std::atomic<long> voltas_{0};  // turns of the relay thread's loop
  std::thread thread_;
};
