// A real mosquitto broker on a loopback port for the tests, and a subscriber that records what
// the broker holds and sends. The broker is started by the test and killed with it; it keeps
// nothing on disk (no persistence), so a restart forgets every retained message.
#pragma once

#include <mosquitto.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace wm033::testing {

inline bool BrokerInstalled() {
  return std::filesystem::exists("/usr/sbin/mosquitto");
}

// A free TCP port on 127.0.0.1 (the kernel's choice).
inline int FreePort() {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
  socklen_t len = sizeof a;
  getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
  close(fd);
  return ntohs(a.sin_port);
}

inline bool WaitFor(const std::function<bool()>& done, int ms) {
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (std::chrono::steady_clock::now() < until) {
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return done();
}

inline bool PortOpen(int port) {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(static_cast<uint16_t>(port));
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  const bool ok = connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
  close(fd);
  return ok;
}

class Broker {
 public:
  // `extra` lines go into the broker's configuration (listener options, password file, TLS).
  explicit Broker(std::string folder, std::vector<std::string> extra = {}, int port = 0)
      : folder_(std::move(folder)), extra_(std::move(extra)), port_(port ? port : FreePort()) {}
  ~Broker() { Kill(); }

  bool Start() {
    const std::string conf = folder_ + "/broker.conf";
    {
      std::ofstream out(conf);
      out << "user root\npersistence false\nlistener " << port_ << " 127.0.0.1\n";
      bool auth = false;
      for (const std::string& line : extra_) {
        out << line << "\n";
        if (line.rfind("password_file", 0) == 0) auth = true;
      }
      out << "allow_anonymous " << (auth ? "false" : "true") << "\n";
    }
    pid_ = fork();
    if (pid_ == 0) {
      const std::string log = folder_ + "/broker.log";
      freopen(log.c_str(), "a", stdout);
      freopen(log.c_str(), "a", stderr);
      execl("/usr/sbin/mosquitto", "mosquitto", "-c", conf.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    return WaitFor([&] { return PortOpen(port_); }, 5000);
  }

  void Kill() {
    if (pid_ <= 0) return;
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }

  int port() const { return port_; }

 private:
  std::string folder_;
  std::vector<std::string> extra_;
  int port_;
  pid_t pid_ = -1;
};

// Subscribes to "#" and records the newest message of every topic and whether it came as a
// retained message.
class Subscriber {
 public:
  struct Seen {
    std::string payload;
    bool retained = false;
    int count = 0;
  };

  explicit Subscriber(int port, std::string filter = "#", const std::string& user = "",
                      const std::string& password = "") {
    mosquitto_lib_init();
    m_ = mosquitto_new(nullptr, true, this);
    if (!user.empty()) mosquitto_username_pw_set(m_, user.c_str(), password.c_str());
    mosquitto_message_callback_set(m_, [](mosquitto*, void* obj, const mosquitto_message* msg) {
      auto* self = static_cast<Subscriber*>(obj);
      std::lock_guard lock(self->mu_);
      Seen& s = self->seen_[msg->topic];
      s.payload.assign(static_cast<const char*>(msg->payload),
                       static_cast<size_t>(msg->payloadlen));
      s.retained = msg->retain;
      ++s.count;
    });
    filter_ = std::move(filter);
    mosquitto_connect_callback_set(m_, [](mosquitto* m, void* obj, int rc) {
      if (rc == 0)
        mosquitto_subscribe(m, nullptr, static_cast<Subscriber*>(obj)->filter_.c_str(), 1);
    });
    mosquitto_connect(m_, "127.0.0.1", port, 30);
    mosquitto_loop_start(m_);
  }
  ~Subscriber() {
    mosquitto_disconnect(m_);
    mosquitto_loop_stop(m_, true);
    mosquitto_destroy(m_);
  }

  std::map<std::string, Seen> Snapshot() {
    std::lock_guard lock(mu_);
    return seen_;
  }
  std::optional<std::string> Payload(const std::string& topic) {
    std::lock_guard lock(mu_);
    auto it = seen_.find(topic);
    if (it == seen_.end()) return std::nullopt;
    return it->second.payload;
  }
  bool WaitPayload(const std::string& topic, const std::string& payload, int ms) {
    return WaitFor([&] { return Payload(topic) == payload; }, ms);
  }

 private:
  mosquitto* m_;
  std::string filter_;
  std::mutex mu_;
  std::map<std::string, Seen> seen_;
};

}  // namespace wm033::testing
