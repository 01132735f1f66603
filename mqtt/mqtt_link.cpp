// The network thread of an MQTT link: one libmosquitto client per connection try, driven by
// mosquitto_loop on this thread only, so that no libmosquitto call ever runs on the window
// thread.
#include "mqtt/mqtt_link.h"

#include <mosquitto.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <map>
#include <mutex>
#include <set>
#include <thread>

namespace wm033::mqtt {

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kQos = 1;
constexpr const char* kOnline = "online";
constexpr const char* kOffline = "offline";
constexpr int kLoopTimeoutMs = 100;
constexpr auto kOfflineAckWait = std::chrono::milliseconds(1500);
constexpr const char* kSystemAuthorities = "/etc/ssl/certs";

void InitLibraryOnce() {
  static std::once_flag once;
  std::call_once(once, [] { mosquitto_lib_init(); });
}

}  // namespace

struct MqttLink::Shared {
  explicit Shared(LinkOptions o) : opt(std::move(o)) {}
  const LinkOptions opt;
  mutable std::mutex mu;
  std::condition_variable cv;
  std::map<std::string, std::string> retained;  // topic -> newest payload ("" = clear it)
  std::set<std::string> dirty;                  // not yet sent on this connection
  std::vector<LinkLine> messages;
  bool stop = false;
  bool connected = false;
  bool finished = false;
  bool ever = false;  // a connection was made since Start
  bool down = false;  // a try failed or the connection was lost since the last connection
  Clock::time_point down_since;
  LinkCounts counts;
  std::thread thread;

  void Say(std::string line, bool error = true) {
    std::lock_guard lock(mu);
    messages.push_back({"MQTT: " + std::move(line), error});
  }
  bool Stopping() {
    std::lock_guard lock(mu);
    return stop;
  }
  std::string Where() const { return opt.host + ":" + std::to_string(opt.port); }
};

namespace {

// One connection try and, when it succeeds, the connection; owns its libmosquitto client.
class Connection {
 public:
  explicit Connection(MqttLink::Shared& s) : s_(s) {}
  ~Connection() {
    if (m_) mosquitto_destroy(m_);
  }

  // Makes and configures the client; false with the reason.
  bool Create(std::string& why) {
    m_ = mosquitto_new(s_.opt.client_id.c_str(), true, this);
    if (!m_) {
      why = "cannot make a client: " + std::string(std::strerror(errno));
      return false;
    }
    mosquitto_int_option(m_, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V311);
    mosquitto_connect_callback_set(m_, OnConnect);
    mosquitto_message_callback_set(m_, OnMessage);
    mosquitto_publish_callback_set(m_, OnPublish);
    mosquitto_log_callback_set(m_, OnLog);
    if (!s_.opt.user.empty() &&
        mosquitto_username_pw_set(m_, s_.opt.user.c_str(), s_.opt.password.c_str()) !=
            MOSQ_ERR_SUCCESS) {
      why = "the user name is not valid UTF-8";
      return false;
    }
    if (s_.opt.tls) {
      const char* ca = s_.opt.ca_file.empty() ? nullptr : s_.opt.ca_file.c_str();
      const char* path = ca ? nullptr : kSystemAuthorities;
      if (mosquitto_tls_set(m_, ca, path, nullptr, nullptr, nullptr) != MOSQ_ERR_SUCCESS) {
        why = ca ? "cannot use the CA file " + s_.opt.ca_file
                 : std::string("cannot use the system's certificate authorities");
        return false;
      }
    }
    const std::string& avail = s_.opt.availability_topic;
    if (!avail.empty() && mosquitto_will_set(m_, avail.c_str(), static_cast<int>(strlen(kOffline)),
                                             kOffline, kQos, true) != MOSQ_ERR_SUCCESS) {
      why = "the availability topic is not valid";
      return false;
    }
    return true;
  }

  // Runs the try and the connection until it fails or the link stops. Returns the reason of a
  // failure, or empty after a clean stop.
  std::string Run(bool& reached) {
    errno = 0;
    int rc = mosquitto_connect_async(m_, s_.opt.host.c_str(), s_.opt.port, s_.opt.keepalive_secs);
    if (rc != MOSQ_ERR_SUCCESS) return Describe(rc);
    const auto deadline = Clock::now() + std::chrono::seconds(s_.opt.connect_timeout_secs);
    while (true) {
      errno = 0;
      rc = mosquitto_loop(m_, kLoopTimeoutMs, 1);
      if (refused_ != 0) return mosquitto_connack_string(refused_);
      if (rc != MOSQ_ERR_SUCCESS) return Describe(rc);
      if (!accepted_ && Clock::now() > deadline)
        return "no answer within " + std::to_string(s_.opt.connect_timeout_secs) + " s";
      if (!accepted_) {
        if (s_.Stopping()) return {};
        continue;
      }
      if (!reached) {
        reached = true;
        Begin();
      }
      if (s_.Stopping()) {
        End();
        return {};
      }
      SendDirty();
    }
  }

 private:
  static Connection& Of(void* obj) { return *static_cast<Connection*>(obj); }

  static void OnConnect(mosquitto*, void* obj, int rc) {
    if (rc == 0)
      Of(obj).accepted_ = true;
    else
      Of(obj).refused_ = rc;
  }

  static void OnPublish(mosquitto*, void* obj, int mid) {
    if (mid == Of(obj).offline_mid_) Of(obj).offline_acked_ = true;
  }

  static void OnLog(mosquitto*, void* obj, int level, const char* text) {
    if (level == MOSQ_LOG_ERR && text) Of(obj).last_error_ = text;
  }

  // A retained message under our owned topics that the station no longer publishes is cleared.
  static void OnMessage(mosquitto*, void* obj, const mosquitto_message* msg) {
    Connection& c = Of(obj);
    if (!msg->retain || msg->payloadlen == 0 || !msg->topic) return;
    const std::string topic = msg->topic;
    {
      std::lock_guard lock(c.s_.mu);
      auto it = c.s_.retained.find(topic);
      if (it != c.s_.retained.end() && !it->second.empty()) return;
    }
    if (mosquitto_publish(c.m_, nullptr, topic.c_str(), 0, nullptr, kQos, true) ==
        MOSQ_ERR_SUCCESS) {
      std::lock_guard lock(c.s_.mu);
      ++c.s_.counts.orphans_cleared;
      ++c.s_.counts.published;
    }
  }

  std::string Describe(int rc) const {
    if (rc == MOSQ_ERR_ERRNO && errno != 0) return std::strerror(errno);
    if (rc == MOSQ_ERR_TLS && !last_error_.empty()) return "TLS: " + last_error_;
    if (rc == MOSQ_ERR_EAI) return "the host name cannot be looked up";
    return mosquitto_strerror(rc);
  }

  // After the CONNACK: "online", every retained message, and the owned topics subscribed so that
  // orphans show up.
  void Begin() {
    {
      std::lock_guard lock(s_.mu);
      s_.connected = true;
      ++s_.counts.connects;
      for (const auto& [topic, payload] : s_.retained) s_.dirty.insert(topic);
    }
    if (s_.down) {
      const auto secs =
          std::chrono::duration_cast<std::chrono::seconds>(Clock::now() - s_.down_since);
      s_.Say("connected to " + s_.Where() + " again after " + std::to_string(secs.count()) +
             " s; everything retained is published again.");
    } else if (!s_.ever) {
      s_.Say("connected to " + s_.Where(), false);
    }
    s_.ever = true;
    s_.down = false;
    Publish(s_.opt.availability_topic, kOnline);
    SendDirty();
    for (const std::string& filter : s_.opt.owned)
      mosquitto_subscribe(m_, nullptr, filter.c_str(), kQos);
  }

  void SendDirty() {
    std::vector<std::pair<std::string, std::string>> batch;
    {
      std::lock_guard lock(s_.mu);
      for (const std::string& topic : s_.dirty) {
        auto it = s_.retained.find(topic);
        if (it == s_.retained.end()) continue;
        batch.emplace_back(topic, it->second);
        if (it->second.empty()) s_.retained.erase(it);  // cleared: nothing more to keep
      }
      s_.dirty.clear();
    }
    for (const auto& [topic, payload] : batch) Publish(topic, payload);
  }

  int Publish(const std::string& topic, const std::string& payload) {
    if (topic.empty()) return -1;
    int mid = -1;
    if (mosquitto_publish(m_, &mid, topic.c_str(), static_cast<int>(payload.size()), payload.data(),
                          kQos, true) == MOSQ_ERR_SUCCESS) {
      std::lock_guard lock(s_.mu);
      ++s_.counts.published;
    }
    return mid;
  }

  // A clean end: "offline" acknowledged (or a short wait), then DISCONNECT, so no will is sent.
  void End() {
    offline_mid_ = Publish(s_.opt.availability_topic, kOffline);
    const auto until = Clock::now() + kOfflineAckWait;
    while (!offline_acked_ && Clock::now() < until)
      if (mosquitto_loop(m_, kLoopTimeoutMs, 1) != MOSQ_ERR_SUCCESS) break;
    mosquitto_disconnect(m_);
    mosquitto_loop(m_, kLoopTimeoutMs, 1);
  }

  MqttLink::Shared& s_;
  mosquitto* m_ = nullptr;
  bool accepted_ = false;
  int refused_ = 0;
  int offline_mid_ = -2;
  bool offline_acked_ = false;
  std::string last_error_;
};

// The network thread: tries, runs a connection, and waits between tries (1, 2, 4, 8, 10, 10 ...
// seconds), saying once per outage and reason why it cannot connect.
void RunLink(const std::shared_ptr<MqttLink::Shared>& s) {
  int wait_secs = 1;
  std::string said;  // the reason already reported in this outage
  while (!s->Stopping()) {
    bool reached = false;
    std::string why;
    {
      Connection c(*s);
      if (c.Create(why)) why = c.Run(reached);
    }
    {
      std::lock_guard lock(s->mu);
      s->connected = false;
    }
    if (reached) {
      wait_secs = 1;
      said.clear();
    }
    if (s->Stopping()) break;
    {
      std::lock_guard lock(s->mu);
      ++s->counts.failures;
    }
    if (!s->down) {
      s->down = true;
      s->down_since = Clock::now();
    }
    if (why != said) {
      const std::string retry =
          " Retrying at least every " + std::to_string(s->opt.retry_max_secs) + " s.";
      if (reached)
        s->Say("lost the connection to " + s->Where() + " (" + why + ")." + retry);
      else
        s->Say("cannot connect to " + s->Where() + ": " + why + "." + retry);
      said = why;
    }
    std::unique_lock lock(s->mu);
    s->cv.wait_for(lock, std::chrono::seconds(wait_secs), [&] { return s->stop; });
    wait_secs = std::min(wait_secs * 2, s->opt.retry_max_secs);
  }
  std::lock_guard lock(s->mu);
  s->finished = true;
  s->cv.notify_all();
}

}  // namespace

MqttLink::MqttLink(LinkOptions options) : shared_(std::make_shared<Shared>(std::move(options))) {}

MqttLink::~MqttLink() {
  Stop(2000);
}

bool MqttLink::Start() {
  if (started_) return true;
  InitLibraryOnce();
  started_ = true;
  std::shared_ptr<Shared> s = shared_;
  s->thread = std::thread([s] { RunLink(s); });
  return true;
}

void MqttLink::Retain(const std::string& topic, std::string payload) {
  std::lock_guard lock(shared_->mu);
  auto it = shared_->retained.find(topic);
  if (it != shared_->retained.end() && it->second == payload) return;
  shared_->retained[topic] = std::move(payload);
  shared_->dirty.insert(topic);
}

std::vector<LinkLine> MqttLink::TakeMessages() {
  std::lock_guard lock(shared_->mu);
  std::vector<LinkLine> out;
  out.swap(shared_->messages);
  return out;
}

bool MqttLink::Connected() const {
  std::lock_guard lock(shared_->mu);
  return shared_->connected;
}

LinkCounts MqttLink::Counts() const {
  std::lock_guard lock(shared_->mu);
  return shared_->counts;
}

void MqttLink::Stop(int wait_ms) {
  if (!started_) return;
  started_ = false;
  std::unique_lock lock(shared_->mu);
  shared_->stop = true;
  shared_->cv.notify_all();
  const bool done = shared_->cv.wait_for(lock, std::chrono::milliseconds(wait_ms),
                                         [&] { return shared_->finished; });
  lock.unlock();
  if (done)
    shared_->thread.join();
  else
    shared_->thread.detach();  // stuck in a name lookup: it ends with the process
}

}  // namespace wm033::mqtt
