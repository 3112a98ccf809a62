#include "road_harness.h"

#include <commctrl.h>
#include <stdio.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <sstream>

// Values hold doubles: an 8-byte aligned pool (the library aligns to 4 on 32-bit targets).
#define RAPIDJSON_ALIGN(x) (((x) + 7u) & ~7u)
#include <rapidjson/document.h>

#include "app/handles.h"
#include "quotes/cycle.h"
#include "quotes/hosts.h"
#include "quotes/network.h"

std::string ReadWholeFile(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  std::stringstream s;
  s << f.rdbuf();
  return s.str();
}

namespace {

std::string Quote(const std::string& arg) { return " '" + arg + "'"; }

// Wine starts a Unix program itself; its output must not hold the test's pipes open.
bool RunUnix(const std::string& commandLine) {
  std::string line = "/bin/sh -c \"exec " + commandLine + " </dev/null >/dev/null 2>&1\"";
  STARTUPINFOA si = {};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi = {};
  if (!CreateProcessA(NULL, &line[0], NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi)) return false;
  CloseHandle(pi.hProcess);
  CloseHandle(pi.hThread);
  return true;
}

// The JSON host is https: its certificate of this run goes into the prefix's Root store.
bool TrustCertificate(const std::string& derPath) {
  std::string der = ReadWholeFile(derPath);
  typedef BOOL(WINAPI * AddFn)(LPCSTR, const BYTE*, DWORD);
  AddFn add = (AddFn)(void*)GetProcAddress(LoadLibraryA("crypt32.dll"), "CertAddEncodedCertificateToSystemStoreA");
  return add && !der.empty() && add("Root", (const BYTE*)der.data(), (DWORD)der.size());
}

LRESULT CALLBACK RoadWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_TIMER:
      if (wParam == IDT_TICK) OnCycleTick(hwnd);
      return 0;
    case WM_NETWORK_DONE: ProcessNetworkReply(hwnd); return 0;
    case WM_SOCKET_EVENT: return OnSocketEvent(hwnd, wParam, lParam);
    default: return DefWindowProcA(hwnd, msg, wParam, lParam);
  }
}

}  // namespace

StandIn::StandIn() {
  // Wine's drive Z: is the Unix root: the stand-in and this process share the folder by these names.
  unixDir_ = "/tmp/twroad" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(GetTickCount());
  dir_ = "Z:" + unixDir_;
  for (char& c : dir_) c = c == '/' ? '\\' : c;
  CreateDirectoryA(dir_.c_str(), NULL);
}

StandIn::~StandIn() {
  Stop();
  RunUnix("/bin/rm -rf" + Quote(unixDir_));
}

void StandIn::SetFixtures(const std::string& json) { std::ofstream(dir_ + "\\fixtures.json") << json; }

bool StandIn::Start(const std::vector<std::string>& args, bool tls) {
  std::string line = "/usr/bin/python3" + Quote(std::string(TW_SOURCE_DIR) + "/tools/standin/standin.py") +
                     " --live --duration 150 --port-file" + Quote(unixDir_ + "/ports.json") + " --log" +
                     Quote(unixDir_ + "/requests.jsonl") + (tls ? " --cert-dir" + Quote(unixDir_ + "/cert") : " --no-tls");
  if (GetFileAttributesA((dir_ + "\\fixtures.json").c_str()) != INVALID_FILE_ATTRIBUTES)
    line += " --fixtures" + Quote(unixDir_ + "/fixtures.json");
  for (const std::string& a : args) line += Quote(a);
  DeleteFileA((dir_ + "\\ports.json").c_str());
  if (!RunUnix(line)) return false;
  rapidjson::Document ports;
  for (int i = 0; i < 300; ++i, Sleep(100))
    if (!ports.Parse(ReadWholeFile(dir_ + "\\ports.json").c_str()).HasParseError() && ports.IsObject()) break;
  if (!ports.IsObject()) return false;
  port = ports["port"].GetInt();
  pid_ = ports["pid"].GetInt();
  std::string http = "127.0.0.1:" + std::to_string(port);
  for (int slot = 0; slot < HOST_COUNT; ++slot) SetHostEntry(slot, http.c_str());
  if (!tls) return true;
  SetHostEntry(HOST_YAHOO_JSON, ("localhost:" + std::to_string(ports["tls_port"].GetInt())).c_str());
  return TrustCertificate(dir_ + "\\cert\\cert.der");
}

void StandIn::Stop() {
  if (pid_ == 0) return;
  RunUnix("/bin/kill -TERM " + std::to_string(pid_));
  pid_ = 0;
  Sleep(200);
}

std::vector<StandInRequest> StandIn::Requests(size_t count) const {
  std::vector<StandInRequest> out;
  auto over = [&out, count] {
    for (size_t i = 0; i < count; ++i)
      if (i >= out.size() || out[i].end == 0) return false;
    return true;
  };
  for (int wait = 0; wait == 0 || (!over() && wait < 40); ++wait) {
    if (wait) Sleep(50);
    std::map<int, StandInRequest> byConnection;  // a connection's last line counts
    std::istringstream lines(ReadWholeFile(dir_ + "\\requests.jsonl"));
    std::string line;
    while (std::getline(lines, line)) {
      rapidjson::Document e;
      if (e.Parse(line.c_str()).HasParseError() || !e.IsObject()) continue;
      // Every entry carries these keys; the raw bytes are latin-1 text (the requests are ASCII).
      StandInRequest& r = byConnection[e["conn"].GetInt()];
      r.path = e["path"].GetString();
      r.query = e["query"].GetString();
      r.raw = e["raw"].GetString();
      r.https = std::string(e["port"].GetString()) == "https";
      r.time = e["time"].GetDouble();
      r.end = e["end"].IsNumber() ? e["end"].GetDouble() : 0;
    }
    out.clear();
    for (const auto& r : byConnection) out.push_back(r.second);
    std::stable_sort(out.begin(), out.end(),
                     [](const StandInRequest& a, const StandInRequest& b) { return a.time < b.time; });
  }
  return out;
}

HWND CreateRoadWindow() {
  WNDCLASSA wc = {};
  wc.lpfnWndProc = RoadWndProc;
  wc.hInstance = GetModuleHandleA(NULL);
  wc.lpszClassName = "TwRoadTest";
  RegisterClassA(&wc);
  HMENU bar = CreateMenu(), file = CreatePopupMenu();
  for (UINT id : {IDM_QUICKENEXPORT, IDM_METASTOCKEXPORT, IDM_FULLEXPORT}) AppendMenuA(file, MF_GRAYED, id, "export");
  AppendMenuA(bar, MF_POPUP, (UINT_PTR)file, "&File");
  hMainWnd = CreateWindowA("TwRoadTest", "road", WS_OVERLAPPEDWINDOW, 0, 0, 500, 300, NULL, bar, NULL, NULL);
  hListView = CreateWindowA(WC_LISTVIEWA, "", WS_CHILD | LVS_REPORT, 0, 0, 500, 250, hMainWnd, (HMENU)IDC_LISTVIEW,
                            NULL, NULL);
  SetTimer(hMainWnd, IDT_TICK, 1000, NULL);
  return hMainWnd;
}

bool PumpUntil(const std::function<bool()>& done, DWORD ms) {
  DWORD start = GetTickCount();
  while (!done()) {
    if (GetTickCount() - start >= ms) return done();
    MsgWaitForMultipleObjects(0, NULL, FALSE, 50, QS_ALLINPUT);
    MSG msg;
    while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
      DispatchMessageA(&msg);
      if (done()) return true;
    }
  }
  return true;
}

bool RunCycle(DWORD ms) {
  return PumpUntil([] { return bNetworkBusy != 0; }, ms) && PumpUntil([] { return bNetworkBusy == 0; }, ms);
}
