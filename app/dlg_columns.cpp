// Which list columns are shown, and in which order. Ticker always stays first.
#include "app/columns.h"
#include "app/dialogs.h"
#include "resources/resource.h"

static void AddColumnItem(HWND list, int position, int id) {
  int at = (int)SendMessageA(list, LB_INSERTSTRING, (WPARAM)position, (LPARAM)GetColumnTitle(id));
  if (at >= 0) SendMessageA(list, LB_SETITEMDATA, (WPARAM)at, (LPARAM)id);
}

static int Selection(HWND hDlg, int id) { return (int)SendDlgItemMessageA(hDlg, id, LB_GETCURSEL, 0, 0); }

// "<<" is offered for every selected column but the first.
static void UpdateRemoveButton(HWND hDlg) {
  EnableWindow(GetDlgItem(hDlg, IDC_COL_REMOVE), Selection(hDlg, IDC_COL_SELECTED) > 0);
}

static void OnInitColumnsDialog(HWND hDlg) {
  HWND available = GetDlgItem(hDlg, IDC_COL_AVAILABLE);
  HWND selected = GetDlgItem(hDlg, IDC_COL_SELECTED);
  bool shown[MAX_LIST_COLUMNS] = {};
  for (int slot = 0; slot < MAX_LIST_COLUMNS; ++slot) {
    int id = ColShown[slot];
    if (id < 0 || id >= MAX_LIST_COLUMNS) continue;
    AddColumnItem(selected, -1, id);
    shown[id] = true;
  }
  for (int id = 0; id < MAX_LIST_COLUMNS; ++id)
    if (!shown[id] && ColumnTitles[id]) AddColumnItem(available, -1, id);
  SendMessageA(available, LB_SETCURSEL, 0, 0);
  SendMessageA(selected, LB_SETCURSEL, 0, 0);
  EnableWindow(GetDlgItem(hDlg, IDC_COL_REMOVE), FALSE);
}

static void MoveColumn(HWND hDlg, int fromId, int toId) {
  HWND from = GetDlgItem(hDlg, fromId), to = GetDlgItem(hDlg, toId);
  int source = (int)SendMessageA(from, LB_GETCURSEL, 0, 0);
  if (source < 0) return;
  // The first selected column is Ticker: it never leaves, and nothing goes in front of it.
  if (fromId == IDC_COL_SELECTED && source == 0) return;
  int target = (int)SendMessageA(to, LB_GETCURSEL, 0, 0);
  int id = (int)SendMessageA(from, LB_GETITEMDATA, (WPARAM)source, 0);
  SendMessageA(from, LB_DELETESTRING, (WPARAM)source, 0);
  int position = target < 0 ? 0 : target + 1;
  if (toId == IDC_COL_SELECTED && position == 0 && SendMessageA(to, LB_GETCOUNT, 0, 0) > 0) position = 1;
  AddColumnItem(to, position, id);
  SendMessageA(to, LB_SETCURSEL, (WPARAM)position, 0);
  int left = (int)SendMessageA(from, LB_GETCOUNT, 0, 0);
  SendMessageA(from, LB_SETCURSEL, (WPARAM)(source < left ? source : left - 1), 0);
  UpdateRemoveButton(hDlg);
}

static void OnColumnsOk(HWND hDlg) {
  HWND selected = GetDlgItem(hDlg, IDC_COL_SELECTED);
  int count = (int)SendMessageA(selected, LB_GETCOUNT, 0, 0);
  for (int slot = 0; slot < MAX_LIST_COLUMNS; ++slot)
    ColShown[slot] = slot < count ? (short)SendMessageA(selected, LB_GETITEMDATA, (WPARAM)slot, 0) : -1;
  EndDialog(hDlg, 1);
}

INT_PTR CALLBACK ColumnsDlgProc(HWND hDlg, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_INITDIALOG:
      OnInitColumnsDialog(hDlg);
      CenterOnParent(hDlg);
      return TRUE;
    case WM_COLDLG_UPDATE:
      UpdateRemoveButton(hDlg);
      return TRUE;
    case WM_CLOSE:
      EndDialog(hDlg, 0);
      return TRUE;
    case WM_COMMAND: {
      int code = HIWORD(wParam);
      switch (LOWORD(wParam)) {
        case IDC_COL_ADD: MoveColumn(hDlg, IDC_COL_AVAILABLE, IDC_COL_SELECTED); return TRUE;
        case IDC_COL_REMOVE: MoveColumn(hDlg, IDC_COL_SELECTED, IDC_COL_AVAILABLE); return TRUE;
        case IDC_COL_AVAILABLE:
          if (code == LBN_DBLCLK) MoveColumn(hDlg, IDC_COL_AVAILABLE, IDC_COL_SELECTED);
          return TRUE;
        case IDC_COL_SELECTED:
          if (code == LBN_DBLCLK) MoveColumn(hDlg, IDC_COL_SELECTED, IDC_COL_AVAILABLE);
          if (code == LBN_SELCHANGE) PostMessageA(hDlg, WM_COLDLG_UPDATE, 0, 0);
          return TRUE;
        case IDOK: OnColumnsOk(hDlg); return TRUE;
        case IDCANCEL: EndDialog(hDlg, 0); return TRUE;
      }
      break;
    }
  }
  return FALSE;
}

INT_PTR ShowColumnsDialog(HWND owner) {
  return ShowDialog(owner, IDD_COLUMNS, ColumnsDlgProc, 0);
}
