// The list view's notifications to the main window: info tips, sorting by a header click, drawing,
// and the mouse.
#include <windows.h>
#include <commctrl.h>
#include <string.h>

#include "app/alarms.h"
#include "app/columns.h"
#include "app/handles.h"
#include "app/links.h"
#include "app/main_window.h"
#include "foundation/text.h"

// Puts the arrow on a header item (bitmap not NULL) or takes it off. An item that cannot be read
// (a position past the last column) is left alone rather than written back half-filled.
static void SetHeaderArrow(HWND header, int position, HBITMAP bitmap) {
  HDITEMA item;
  memset(&item, 0, sizeof item);
  item.mask = HDI_FORMAT | HDI_BITMAP;
  if (!SendMessageA(header, HDM_GETITEMA, (WPARAM)position, (LPARAM)&item)) return;
  if (bitmap) {
    item.fmt |= HDF_BITMAP | HDF_BITMAP_ON_RIGHT;
  } else {
    item.fmt &= ~(HDF_BITMAP | HDF_BITMAP_ON_RIGHT);
  }
  item.hbm = bitmap;
  SendMessageA(header, HDM_SETITEMA, (WPARAM)position, (LPARAM)&item);
}

// A click on the sort column's header reverses the order; a click on another sorts by it ascending.
static void OnColumnClick(int position) {
  HWND header = (HWND)SendMessageA(hListView, LVM_GETHEADER, 0, 0);
  if (position != nSortColumn) {
    SetHeaderArrow(header, nSortColumn, NULL);
    nSortDirection = 0;
  } else {
    nSortDirection = nSortDirection ? 0 : 1;
  }
  SetHeaderArrow(header, position, nSortDirection ? hSortDownBitmap : hSortUpBitmap);
  nSortColumn = position;
  SortStockList(hListView, position);
}

LRESULT OnListNotify(HWND hwnd, NMHDR* header) {
  switch (header->code) {
    case LVN_GETINFOTIPA: {
      NMLVGETINFOTIPA* tip = (NMLVGETINFOTIPA*)header;
      if (tip->pszText && tip->cchTextMax > 0)
        CopyCut(tip->pszText, (size_t)tip->cchTextMax,
                "double-click to visit the source site\r\nfor additional information and charts");
      return 0;
    }
    case LVN_COLUMNCLICK: OnColumnClick(((NMLISTVIEW*)header)->iSubItem); return 0;
    case NM_CUSTOMDRAW:
      return header->hwndFrom == hListView ? OnListCustomDraw((NMLVCUSTOMDRAW*)header) : 0;
    case NM_RCLICK: ShowListContextMenu(hwnd); return 0;
    case NM_DBLCLK: ViewSymbolAtSource(hwnd, 0); return 0;
  }
  return 0;
}
