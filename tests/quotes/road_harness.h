// What the network road tests stand on: the loopback stand-in as a process of its own (started from
// this Wine process), and a hidden window that routes its timer and network messages the way the main
// window does, with a list view as hListView.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

// One request the stand-in has read.
struct StandInRequest {
  std::string path, query, raw;
  bool https = false;
  double time = 0, end = 0;  // accepted, closed (seconds; 0 while open)
};

class StandIn {
 public:
  StandIn();
  ~StandIn();
  // Replies for "/path" or "/path?query" that win over the live ones, as the JSON of the stand-in's
  // fixtures file (read again whenever it changes).
  void SetFixtures(const std::string& json);
  // Starts tools/standin/standin.py --live on loopback with args added, and points every [Hosts]
  // slot at it; tls adds the https port, whose certificate is trusted in the prefix.
  bool Start(const std::vector<std::string>& args = {}, bool tls = false);
  void Stop();
  // The requests it has read, in the order they were accepted; the first count of them closed when
  // that comes within two seconds.
  std::vector<StandInRequest> Requests(size_t count = 0) const;
  const std::string& Dir() const { return dir_; }
  int port = 0;

 private:
  std::string dir_, unixDir_;
  long pid_ = 0;
};

std::string ReadWholeFile(const std::string& path);

// hMainWnd (with a menu holding the three export items, greyed) routing IDT_TICK, WM_NETWORK_DONE and
// WM_SOCKET_EVENT like the main window, and a list view as hListView; a tick every second.
HWND CreateRoadWindow();
// Serves messages until done() holds or ms have passed; the last value of done().
bool PumpUntil(const std::function<bool()>& done, DWORD ms);
// Waits for a cycle to start (the next tick) and end.
bool RunCycle(DWORD ms);
