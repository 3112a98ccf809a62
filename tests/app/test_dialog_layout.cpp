// Every text of every dialog fits its control in the dialog's own font: a label cut at its edge hides
// what it says.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "resources/resource.h"

namespace {

INT_PTR CALLBACK TemplateOnly(HWND, UINT msg, WPARAM, LPARAM) { return msg == WM_INITDIALOG; }

// The room the text of a control needs beyond its own width, in pixels; 0 when it fits.
int Overflow(HWND control, HFONT font) {
  char cls[16] = "", text[400] = "";
  GetClassNameA(control, cls, sizeof cls);
  int length = GetWindowTextA(control, text, sizeof text);
  LONG style = GetWindowLongA(control, GWL_STYLE);
  RECT rc;
  GetClientRect(control, &rc);
  if (!length || !IsWindowVisible(control)) return 0;
  HDC dc = GetDC(control);
  HGDIOBJ old = SelectObject(dc, font);
  TEXTMETRICA tm;
  GetTextMetricsA(dc, &tm);
  SIZE extent;
  GetTextExtentPoint32A(dc, text, length, &extent);
  // A character's width to spare: another road's fonts measure a little wider, and a glyph that only
  // just fits by measure can still be cut at the edge.
  int spare = tm.tmAveCharWidth;
  int over = 0;
  if (lstrcmpiA(cls, "Static") == 0) {
    UINT kind = style & SS_TYPEMASK;
    if (kind == SS_LEFT || kind == SS_CENTER || kind == SS_RIGHT) {
      // Wrapped at word breaks into the lines the height holds.
      RECT need = {0, 0, rc.right - spare, 0};
      DrawTextA(dc, text, length, &need, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
      over = need.bottom > rc.bottom ? extent.cx : need.right + spare - rc.right;
    }
  } else if (lstrcmpiA(cls, "Button") == 0) {
    switch (style & BS_TYPEMASK) {
      case BS_CHECKBOX:
      case BS_AUTOCHECKBOX:
      case BS_RADIOBUTTON:
      case BS_AUTORADIOBUTTON:  // the box, then half a character before the text
        over = GetSystemMetrics(SM_CXMENUCHECK) + tm.tmAveCharWidth / 2 + extent.cx + spare - rc.right;
        break;
      case BS_GROUPBOX:  // the frame's corner on either side
        over = 2 * tm.tmAveCharWidth + extent.cx + spare - rc.right;
        break;
      default:  // a push button's edges
        over = 4 + extent.cx + spare - rc.right;
        break;
    }
  }
  SelectObject(dc, old);
  ReleaseDC(control, dc);
  return over > 0 ? over : 0;
}

}  // namespace

TEST(DialogLayout, EveryTextFitsItsControl) {
  const int dialogs[] = {IDD_STOCK, IDD_DATAPREFS, IDD_NETWORK, IDD_COLUMNS, IDD_FIRSTRUN, IDD_ABOUT, IDD_PRINTCANCEL};
  for (int id : dialogs) {
    HWND d = CreateDialogParamA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(id), NULL, TemplateOnly, 0);
    ASSERT_TRUE(d != NULL) << id;
    ShowWindow(d, SW_SHOWNOACTIVATE);
    HFONT font = (HFONT)SendMessageA(d, WM_GETFONT, 0, 0);
    for (HWND c = GetWindow(d, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
      char text[400] = "";
      GetWindowTextA(c, text, sizeof text);
      EXPECT_EQ(Overflow(c, font), 0) << "dialog " << id << ": \"" << text << "\"";
    }
    DestroyWindow(d);
  }
}
