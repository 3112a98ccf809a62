// A report list view in a real (hidden) window: what the quote list is built on.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

TEST(ListView, ReportRowsRoundTripInHiddenWindow) {
  INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_LISTVIEW_CLASSES};
  ASSERT_TRUE(InitCommonControlsEx(&icc));
  HWND parent = CreateWindowA("STATIC", "host", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300,
                              nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  ASSERT_NE(parent, nullptr) << "no window: is an X server (Xvfb) running?";
  HWND lv = CreateWindowA(WC_LISTVIEWA, "", WS_CHILD | LVS_REPORT | LVS_SHAREIMAGELISTS, 0, 0, 400, 300,
                          parent, (HMENU)2013, GetModuleHandleA(nullptr), nullptr);
  ASSERT_NE(lv, nullptr);
  const char* titles[] = {"Ticker", "Last", "Change"};
  for (int i = 0; i < 3; ++i) {
    LVCOLUMNA c = {};
    c.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    c.pszText = (char*)titles[i];
    c.cx = 60;
    c.iSubItem = i;
    ASSERT_EQ(SendMessageA(lv, LVM_INSERTCOLUMNA, i, (LPARAM)&c), i);
  }
  for (int r = 0; r < 50; ++r) {
    LVITEMA it = {};
    it.mask = LVIF_TEXT | LVIF_PARAM;
    it.iItem = r;
    char sym[16];
    wsprintfA(sym, "SYM%d", r);
    it.pszText = sym;
    it.lParam = 1000 + r;
    ASSERT_EQ(SendMessageA(lv, LVM_INSERTITEMA, 0, (LPARAM)&it), r);
    LVITEMA sub = {};
    sub.iSubItem = 2;
    sub.pszText = (char*)"+0.25";
    SendMessageA(lv, LVM_SETITEMTEXTA, r, (LPARAM)&sub);
  }
  EXPECT_EQ(SendMessageA(lv, LVM_GETITEMCOUNT, 0, 0), 50);
  char buf[32] = {};
  LVITEMA get = {};
  get.iSubItem = 2;
  get.pszText = buf;
  get.cchTextMax = sizeof buf;
  SendMessageA(lv, LVM_GETITEMTEXTA, 49, (LPARAM)&get);
  EXPECT_STREQ(buf, "+0.25");
  LVITEMA p = {};
  p.mask = LVIF_PARAM;
  p.iItem = 7;
  ASSERT_TRUE(SendMessageA(lv, LVM_GETITEMA, 0, (LPARAM)&p));
  EXPECT_EQ(p.lParam, 1007);
  DestroyWindow(parent);
}
