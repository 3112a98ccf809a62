// The list view's notifications to the main window: info tips, sorting by a header click, drawing,
// and the mouse.
#include <windows.h>
#include <commctrl.h>

#include "app/alarms.h"
#include "app/columns.h"
#include "app/handles.h"
#include "app/links.h"
#include "app/main_window.h"
#include "foundation/text.h"

// A click on the sort column's header reverses the order; a click on another sorts by it ascending.
static void OnColumnClick(int position) {
  if (position != nSortColumn) {
    SetSortArrow(hListView, nSortColumn, FALSE);
    nSortDirection = 0;
  } else {
    nSortDirection = nSortDirection ? 0 : 1;
  }
  SetSortArrow(hListView, position, TRUE);
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
