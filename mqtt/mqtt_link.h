// A connection to an MQTT broker that never makes the window thread wait.
//
// The window thread only hands over retained messages (the newest payload per topic) and takes
// the lines worth an error-log entry; a network thread of the link's own does all the talking
// through libmosquitto: it connects, publishes every retained message after each (re)connect,
// keeps the broker's will ("offline" on the availability topic) armed, retries at most every
// ten seconds while the broker is down or refuses, and clears retained messages under the
// owned topics that the station no longer publishes (orphaned discovery configs).
//
// Memory stays bounded whatever the broker does: the link keeps one payload per topic, and a
// connection's queues go with it.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace wm033::mqtt {

struct LinkOptions {
  std::string host;
  int port = 1883;
  std::string client_id;
  std::string user;      // empty: no user name
  std::string password;  // sent only with a user name
  bool tls = false;
  std::string ca_file;             // local path; empty with TLS: the system's authorities
  std::string availability_topic;  // "online" after connecting, "offline" as the will and at Stop
  std::vector<std::string> owned;  // topic filters whose retained messages we own
  int retry_max_secs = 10;         // the longest wait between two tries
  int connect_timeout_secs = 10;   // no CONNACK within this: the try failed
  int keepalive_secs = 30;
};

// What the link did, for tests and benchmarks.
struct LinkCounts {
  long connects = 0;         // CONNACKs accepted
  long failures = 0;         // tries that failed and connections lost
  long published = 0;        // messages handed to the broker
  long orphans_cleared = 0;  // retained messages of ours cleared
};

// A line for the operator: `error` lines go to the error log (a try failed, a connection was
// lost, the broker is back); the others are notes (the first connection).
struct LinkLine {
  std::string text;
  bool error = true;
};

class MqttLink {
 public:
  explicit MqttLink(LinkOptions options);
  ~MqttLink();  // Stop(2000) if still running
  MqttLink(const MqttLink&) = delete;
  MqttLink& operator=(const MqttLink&) = delete;

  // Starts the network thread. False, with the reason in the messages, when the library cannot
  // make a client (out of memory, a CA file it cannot use).
  bool Start();

  // Sets the retained payload of a topic; it is sent now when connected, else after the next
  // connect. An empty payload clears the topic at the broker. Returns at once.
  void Retain(const std::string& topic, std::string payload);

  // Why a try failed or a connection was lost (once per outage and reason), when the broker is
  // back, and the first connection. For the window thread.
  std::vector<LinkLine> TakeMessages();

  bool Connected() const;
  LinkCounts Counts() const;

  // Publishes "offline", disconnects cleanly and ends the network thread; waits at most
  // `wait_ms` for it, then leaves it to end with the process.
  void Stop(int wait_ms);

  struct Shared;

 private:
  std::shared_ptr<Shared> shared_;
  bool started_ = false;
};

}  // namespace wm033::mqtt
