// What the network road tests stand on: the loopback stand-in as a process of its own (started from
// this Wine process), and a hidden window that routes its timer and network messages the way the main
// window does, with a list view as hListView.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

struct StandInRequest {
  std::string path, query, raw, error;
  int status = 0;  // 0: nothing was answered
  long conn = 0;
  double time = 0, end = 0;
  bool https = false;
};

class StandIn {
 public:
  StandIn();
  ~StandIn();
  // Replies for "/path" or "/path?query" that win over the live ones (the stand-in's fixtures file),
  // as JSON text; give them before Start.
  void SetFixtures(const std::string& json);
  // Starts tools/standin/standin.py --live on loopback (port 0) with args added; tls adds the https
  // port, whose certificate is trusted in the prefix. False when it did not come up.
  bool Start(const std::vector<std::string>& args = {}, bool tls = false);
  void Stop();
  // Every [Hosts] slot at this stand-in.
  void PointHostsHere() const;
  // The connections it has finished, in the order they ended.
  std::vector<StandInRequest> Requests() const;
  // Waits until at least count connections have ended; the entries.
  std::vector<StandInRequest> WaitRequests(size_t count, DWORD ms) const;
  const std::string& Dir() const { return winDir_; }
  int port = 0;
  int tlsPort = 0;

 private:
  std::string winDir_, unixDir_;
  long pid_ = 0;
};

// The bytes of a file; "" when it cannot be read.
std::string ReadWholeFile(const std::string& path);
// The Unix path of a Windows path (Wine's own conversion); "" when there is none.
std::string UnixPath(const std::string& windowsPath);
// Runs a Unix program with its output sent nowhere; false when it could not be started.
bool RunUnix(const std::string& commandLine);

// The road window: hMainWnd (with a menu holding the three export items, greyed) and a list view as
// hListView, a tick every tickMs. Puts the previous handles back when it goes.
class RoadWindow {
 public:
  explicit RoadWindow(UINT tickMs = 1000);
  ~RoadWindow();
  HWND hwnd = NULL;

 private:
  HWND oldMain_, oldList_;
};

// Serves messages until done() holds or ms have passed; the last value of done().
bool PumpUntil(const std::function<bool()>& done, DWORD ms);
// Waits for a cycle to start (the next tick) and end; false when it did not end within ms.
bool RunCycle(DWORD ms);
