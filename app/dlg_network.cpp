// Network settings: update delay, time-out, proxy, version check and the network road.
#include <stdio.h>

#include "app/dialogs.h"
#include "foundation/log.h"
#include "foundation/settings.h"
#include "foundation/text.h"
#include "quotes/network.h"
#include "resources/resource.h"

#define MIN_DELAY 20
#define MAX_DELAY 6000
#define MIN_TIMEOUT 20
#define MAX_TIMEOUT 300
#define PROXY_WRITE_LENGTH 99

// The proxy fields mean nothing while WinINet takes the settings of the system.
static void EnableRawRoadFields(HWND hDlg, BOOL enable) {
  EnableWindow(GetDlgItem(hDlg, IDC_NET_ASYNCDNS), enable);
  EnableWindow(GetDlgItem(hDlg, IDC_NET_PROXY), enable);
  EnableWindow(GetDlgItem(hDlg, IDC_NET_PROXYPORT), enable);
}

static void OnInitNetworkDialog(HWND hDlg) {
  // The values in effect, not the file's keys: a missing key would show a default of its own, and
  // OK would write it although the user changed nothing.
  int delay = nDelay;
  if (delay == 0)
    EnableWindow(GetDlgItem(hDlg, IDC_NET_DELAY), FALSE);
  else
    SetCheck(hDlg, IDC_NET_AUTOUPDATE, TRUE);
  SetDlgItemInt(hDlg, IDC_NET_DELAY, (UINT)delay, FALSE);
  if (IniGetInt(hDlg, "Options", "AsyncDNS", 0)) SetCheck(hDlg, IDC_NET_ASYNCDNS, TRUE);
  char proxy[PROXY_SIZE];
  IniGetString(hDlg, "Options", "Proxy", proxy, sizeof proxy, "");
  SetDlgItemTextA(hDlg, IDC_NET_PROXY, proxy);
  SetDlgItemInt(hDlg, IDC_NET_PROXYPORT, (UINT)IniGetInt(hDlg, "Options", "ProxyPort", 80), FALSE);
  SetDlgItemInt(hDlg, IDC_NET_TIMEOUT, (UINT)nTimeout, FALSE);
  if (bAutoVersion) SetCheck(hDlg, IDC_NET_AUTOVERSION, TRUE);
  if (bUseWinInet) {
    SetCheck(hDlg, IDC_NET_USEWININET, TRUE);
    EnableRawRoadFields(hDlg, FALSE);
  }
}

static void OnAutoUpdateToggled(HWND hDlg) {
  BOOL on = IsChecked(hDlg, IDC_NET_AUTOUPDATE);
  EnableWindow(GetDlgItem(hDlg, IDC_NET_DELAY), on);
  if (on && ReadUnsignedField(hDlg, IDC_NET_DELAY) < MIN_DELAY)
    SetDlgItemInt(hDlg, IDC_NET_DELAY, MIN_DELAY, FALSE);
}

static void RefuseField(HWND hDlg, int id, const char* message) {
  MessageBoxA(hDlg, message, "Error", MB_ICONHAND);
  SetFocus(GetDlgItem(hDlg, id));
}

static void OnNetworkOk(HWND hDlg) {
  int delay = IsChecked(hDlg, IDC_NET_AUTOUPDATE) ? ReadUnsignedField(hDlg, IDC_NET_DELAY) : 0;
  int timeout = ReadUnsignedField(hDlg, IDC_NET_TIMEOUT);
  // "-d" lifts the delay limits so that a test run can cycle quickly.
  if (delay != 0 && (delay < MIN_DELAY || delay > MAX_DELAY) && !bDebugLog) {
    char message[100];
    snprintf(message, sizeof message, "Query delay must be between %d and %d seconds", MIN_DELAY, MAX_DELAY);
    RefuseField(hDlg, IDC_NET_DELAY, message);
    return;
  }
  if (timeout < MIN_TIMEOUT || timeout > MAX_TIMEOUT) {
    RefuseField(hDlg, IDC_NET_TIMEOUT, "Network timeout must be between 20 and 300 seconds");
    return;
  }
  nDelay = delay;
  PutIntSetting(hDlg, "Options", "Delay", nDelay);
  nTimeout = timeout;
  PutIntSetting(hDlg, "Options", "Timeout", nTimeout);

  // These three are read at start-up only.
  PutFlagSetting(hDlg, "Options", "AsyncDNS", IsChecked(hDlg, IDC_NET_ASYNCDNS));
  char proxy[PROXY_WRITE_LENGTH + 1];
  GetDlgItemTextA(hDlg, IDC_NET_PROXY, proxy, sizeof proxy);
  IniPutString(hDlg, "Options", "Proxy", proxy);
  PutIntSetting(hDlg, "Options", "ProxyPort", ReadUnsignedField(hDlg, IDC_NET_PROXYPORT));

  bAutoVersion = PutFlagSetting(hDlg, "Options", "AutoVersion", IsChecked(hDlg, IDC_NET_AUTOVERSION));
  bUseWinInet = PutFlagSetting(hDlg, "Options", "UseWinInet", IsChecked(hDlg, IDC_NET_USEWININET));
  // The version check runs once per run; this makes the next start run it.
  IniPutString(hDlg, "Options", "VersionCounter", "0");
  EndDialog(hDlg, 1);
}

INT_PTR CALLBACK NetworkDlgProc(HWND hDlg, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_INITDIALOG:
      CenterOnParent(hDlg);
      OnInitNetworkDialog(hDlg);
      return TRUE;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDC_NET_AUTOUPDATE: OnAutoUpdateToggled(hDlg); return TRUE;
        case IDC_NET_USEWININET: EnableRawRoadFields(hDlg, !IsChecked(hDlg, IDC_NET_USEWININET)); return TRUE;
        case IDOK: OnNetworkOk(hDlg); return TRUE;
        case IDCANCEL: EndDialog(hDlg, 0); return TRUE;
      }
      break;
  }
  return FALSE;
}

INT_PTR ShowNetworkDialog(HWND owner) {
  return ShowDialog(owner, IDD_NETWORK, NetworkDlgProc, 0);
}
