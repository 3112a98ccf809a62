#include "road_harness.h"

#include <commctrl.h>
#include <stdio.h>
#include <stdlib.h>

#include <fstream>
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

std::string Quote(const std::string& arg) { return "'" + arg + "'"; }

// Adds the stand-in's certificate of this run to the prefix's Root store (the JSON host is https).
bool TrustCertificate(const std::string& derPath) {
  std::string der = ReadWholeFile(derPath);
  HMODULE crypt = LoadLibraryA("crypt32.dll");
  typedef BOOL(WINAPI * AddFn)(LPCSTR, const BYTE*, DWORD);
  AddFn add = crypt ? (AddFn)(void*)GetProcAddress(crypt, "CertAddEncodedCertificateToSystemStoreA") : NULL;
  return add && !der.empty() && add("Root", (const BYTE*)der.data(), (DWORD)der.size());
}

LRESULT CALLBACK RoadWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_TIMER:
      if (wParam == IDT_TICK) OnCycleTick(hwnd);
      return 0;
    case WM_NETWORK_DONE: OnNetworkDone(hwnd); return 0;
    case WM_SOCKET_EVENT: return OnSocketEvent(hwnd, wParam, lParam);
    default: return DefWindowProcA(hwnd, msg, wParam, lParam);
  }
}

}  // namespace

std::string UnixPath(const std::string& windowsPath) {
  typedef char*(CDECL * ToUnix)(LPCWSTR);
  ToUnix toUnix = (ToUnix)(void*)GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name");
  if (toUnix == NULL) return "";
  WCHAR wide[MAX_PATH];
  MultiByteToWideChar(CP_ACP, 0, windowsPath.c_str(), -1, wide, MAX_PATH);
  char* unix = toUnix(wide);
  std::string out = unix ? unix : "";
  HeapFree(GetProcessHeap(), 0, unix);
  return out;
}

bool RunUnix(const std::string& commandLine) {
  // Wine starts a Unix program itself; its output must not hold the test's pipes open.
  std::string line = "/bin/sh -c \"exec " + commandLine + " </dev/null >/dev/null 2>&1\"";
  std::vector<char> buffer(line.begin(), line.end());
  buffer.push_back('\0');
  STARTUPINFOA si = {};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi = {};
  if (!CreateProcessA(NULL, buffer.data(), NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi)) return false;
  if (pi.hProcess) CloseHandle(pi.hProcess);
  if (pi.hThread) CloseHandle(pi.hThread);
  return true;
}

StandIn::StandIn() {
  char temp[MAX_PATH], dir[MAX_PATH];
  GetTempPathA(sizeof temp, temp);
  snprintf(dir, sizeof dir, "%stwroad%lu-%lu", temp, GetCurrentProcessId(), GetTickCount());
  CreateDirectoryA(dir, NULL);
  winDir_ = dir;
  unixDir_ = UnixPath(winDir_);
}

StandIn::~StandIn() {
  Stop();
  const char* names[] = {"ports.json", "ports.json.tmp", "requests.jsonl", "fixtures.json", "cert\\cert.pem",
                         "cert\\key.pem", "cert\\cert.der"};
  for (const char* n : names) DeleteFileA((winDir_ + "\\" + n).c_str());
  RemoveDirectoryA((winDir_ + "\\cert").c_str());
  RemoveDirectoryA(winDir_.c_str());
}

void StandIn::SetFixtures(const std::string& json) {
  std::ofstream f(winDir_ + "\\fixtures.json", std::ios::binary);
  f << json;
}

bool StandIn::Start(const std::vector<std::string>& args, bool tls) {
  std::string line = "/usr/bin/python3 " + Quote(std::string(TW_SOURCE_DIR) + "/tools/standin/standin.py") +
                     " --live --duration 150 --port-file " + Quote(unixDir_ + "/ports.json") + " --log " +
                     Quote(unixDir_ + "/requests.jsonl");
  if (GetFileAttributesA((winDir_ + "\\fixtures.json").c_str()) != INVALID_FILE_ATTRIBUTES)
    line += " --fixtures " + Quote(unixDir_ + "/fixtures.json");
  line += tls ? " --cert-dir " + Quote(unixDir_ + "/cert") : std::string(" --no-tls");
  for (const std::string& a : args) line += " " + Quote(a);
  if (unixDir_.empty() || !RunUnix(line)) return false;
  std::string ports;
  for (int i = 0; i < 300 && ports.empty(); ++i) {
    ports = ReadWholeFile(winDir_ + "\\ports.json");
    if (ports.empty()) Sleep(100);
  }
  rapidjson::Document doc;
  if (doc.Parse(ports.c_str()).HasParseError() || !doc.IsObject()) return false;
  port = doc["port"].GetInt();
  tlsPort = doc["tls_port"].IsInt() ? doc["tls_port"].GetInt() : 0;
  pid_ = doc["pid"].GetInt();
  return !tls || TrustCertificate(winDir_ + "\\cert\\cert.der");
}

void StandIn::Stop() {
  if (pid_ == 0) return;
  RunUnix("/bin/kill -TERM " + std::to_string(pid_));
  pid_ = 0;
  DeleteFileA((winDir_ + "\\ports.json").c_str());
  Sleep(200);
}

void StandIn::PointHostsHere() const {
  std::string http = "127.0.0.1:" + std::to_string(port);
  for (int slot = 0; slot < HOST_COUNT; ++slot) SetHostEntry(slot, http.c_str());
  if (tlsPort) SetHostEntry(HOST_YAHOO_JSON, ("localhost:" + std::to_string(tlsPort)).c_str());
}

std::vector<StandInRequest> StandIn::Requests() const {
  std::vector<StandInRequest> out;
  std::istringstream lines(ReadWholeFile(winDir_ + "\\requests.jsonl"));
  std::string line;
  while (std::getline(lines, line)) {
    rapidjson::Document e;
    if (e.Parse(line.c_str()).HasParseError() || !e.IsObject()) continue;
    auto member = [&e](const char* name) -> const rapidjson::Value& {
      static const rapidjson::Value none;
      auto it = e.FindMember(name);
      return it == e.MemberEnd() ? none : it->value;
    };
    auto text = [&member](const char* name) { return member(name).IsString() ? member(name).GetString() : ""; };
    StandInRequest r;
    r.path = text("path");
    r.query = text("query");
    r.raw = text("raw");  // logged as latin-1 text; the requests are ASCII
    r.error = text("error");
    r.https = std::string(text("port")) == "https";
    r.status = member("status").IsInt() ? member("status").GetInt() : 0;
    r.conn = member("conn").IsInt() ? member("conn").GetInt() : 0;
    r.time = member("time").IsNumber() ? member("time").GetDouble() : 0;
    r.end = member("end").IsNumber() ? member("end").GetDouble() : 0;
    out.push_back(r);
  }
  return out;
}

std::vector<StandInRequest> StandIn::WaitRequests(size_t count, DWORD ms) const {
  DWORD start = GetTickCount();
  std::vector<StandInRequest> r = Requests();
  while (r.size() < count && GetTickCount() - start < ms) {
    Sleep(50);
    r = Requests();
  }
  return r;
}

RoadWindow::RoadWindow(UINT tickMs) : oldMain_(hMainWnd), oldList_(hListView) {
  static bool registered = false;
  if (!registered) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = RoadWndProc;
    wc.hInstance = GetModuleHandleA(NULL);
    wc.lpszClassName = "TwRoadTest";
    RegisterClassA(&wc);
    registered = true;
  }
  HMENU bar = CreateMenu(), file = CreatePopupMenu();
  AppendMenuA(file, MF_STRING | MF_GRAYED, IDM_QUICKENEXPORT, "&Quicken Export...");
  AppendMenuA(file, MF_STRING | MF_GRAYED, IDM_METASTOCKEXPORT, "&MetaStock Export...");
  AppendMenuA(file, MF_STRING | MF_GRAYED, IDM_FULLEXPORT, "&Full Export...");
  AppendMenuA(bar, MF_POPUP, (UINT_PTR)file, "&File");
  hwnd = CreateWindowA("TwRoadTest", "road", WS_OVERLAPPEDWINDOW, 0, 0, 500, 300, NULL, bar,
                       GetModuleHandleA(NULL), NULL);
  hMainWnd = hwnd;
  hListView = CreateWindowA(WC_LISTVIEWA, "", WS_CHILD | LVS_REPORT, 0, 0, 500, 250, hwnd, (HMENU)IDC_LISTVIEW,
                            GetModuleHandleA(NULL), NULL);
  SetTimer(hwnd, IDT_TICK, tickMs, NULL);
}

RoadWindow::~RoadWindow() {
  KillTimer(hwnd, IDT_TICK);
  DestroyWindow(hwnd);
  hMainWnd = oldMain_;
  hListView = oldList_;
}

bool PumpUntil(const std::function<bool()>& done, DWORD ms) {
  DWORD start = GetTickCount();
  while (!done()) {
    DWORD spent = GetTickCount() - start;
    if (spent >= ms) return done();
    MsgWaitForMultipleObjects(0, NULL, FALSE, ms - spent < 50 ? ms - spent : 50, QS_ALLINPUT);
    MSG msg;
    while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
      if (done()) return true;
    }
  }
  return true;
}

bool RunCycle(DWORD ms) {
  DWORD start = GetTickCount();
  if (!PumpUntil([] { return bNetworkBusy != 0; }, ms)) return false;
  DWORD spent = GetTickCount() - start;
  return PumpUntil([] { return bNetworkBusy == 0; }, ms > spent ? ms - spent : 0);
}
