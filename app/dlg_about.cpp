// The About box: version, the maker's web and mail links, and the help page.
#include <stdio.h>

#include "app/dialogs.h"
#include "app/links.h"
#include "quotes/hosts.h"
#include "resources/resource.h"

// A link as wide as the room to the right allows, so that a long host name is not cut.
static void AddLink(HWND hDlg, const char* text, const char* url, int x, int y, int width, int height) {
  RECT client;
  GetClientRect(hDlg, &client);
  if (client.right - x - 10 > width) width = client.right - x - 10;
  Hyper_Create(hDlg, text, url, x, y, width, height);
}

static void OnInitAboutDialog(HWND hDlg) {
  char text[300];
  snprintf(text, sizeof text,
           "TarnWick version %s\r\nStock quotes, alarms and the worth of your portfolio, refreshed while you work.",
           PRODUCT_VERSION);
  // The text has an id of its own: looked up by -1 it could be the icon.
  SetDlgItemTextA(hDlg, IDC_ABOUT_TEXT, text);
  CenterOnParent(hDlg);
  char home[WEB_ADDRESS_SIZE];
  MakerPageUrl(home, sizeof home, "/");
  AddLink(hDlg, home, home, 125, 60, 160, 15);
  char address[HOST_NAME_SIZE + 10], caption[HOST_NAME_SIZE + 20], mailto[HOST_NAME_SIZE + 20];
  snprintf(address, sizeof address, "support@%s", SourceHost[HOST_MAKER]);
  snprintf(caption, sizeof caption, "Email:  %s", address);
  snprintf(mailto, sizeof mailto, "mailto:%s", address);
  AddLink(hDlg, caption, mailto, 115, 80, 180, 15);
}

INT_PTR CALLBACK AboutDlgProc(HWND hDlg, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_INITDIALOG:
      OnInitAboutDialog(hDlg);
      return TRUE;
    case WM_CLOSE:
      EndDialog(hDlg, 1);
      return TRUE;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDOK: EndDialog(hDlg, 0); return TRUE;
        case IDCANCEL: EndDialog(hDlg, 1); return TRUE;  // Escape, as the close box
        case IDC_ABOUT_HELP: OpenHostPage(hDlg, HOST_MAKER, "/pages/tarnwickhelp.asp"); return TRUE;
      }
      break;
  }
  return FALSE;
}

INT_PTR ShowAboutDialog(HWND owner) {
  return ShowDialog(owner, IDD_ABOUT, AboutDlgProc, 0);
}
