#include "quotes/cycle.h"

#include <windows.h>
#include <commctrl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <vector>

#include "app/alarms.h"
#include "app/columns.h"
#include "app/handles.h"
#include "app/options.h"
#include "app/status_strip.h"
#include "banner/schedule.h"
#include "banner/version_check.h"
#include "foundation/log.h"
#include "foundation/settings.h"
#include "quotes/hosts.h"
#include "quotes/network.h"
#include "quotes/parsers.h"
#include "quotes/sockets.h"
#include "quotes/sources.h"
#include "store/database.h"
#include "store/stocks.h"

int nNetworkState = STA_VERSION_CHECK;
int bNetworkBusy = 0;
int nNextItem = 0;
char szSymbolList[SYMBOL_LIST_SIZE] = "";
char szYahooExtraCallQuery[SYMBOL_LIST_SIZE] = "";
unsigned char bYahooExtraPending = 0;
unsigned char bYahooCsvExpected = 1;
short nInterRequestDelay = 0;
int nSecondsToUpdate = 0;
int bUpdateRequested = 1;
RequestRow RequestRows[REQUEST_ROWS_MAX];
int nRequestRows = 0;
int nRequestSource = -1;

namespace {

std::vector<long long> CycleRows;

bool RawRoad() { return hInternet == NULL; }

// Opens a request to a host: the fetch goes to the network thread, or the raw socket connects.
// False when nothing was started.
bool BeginRequest(HWND hwnd, int hostSlot) {
  FreeNetworkBuffer();
  if (RawRoad()) return SocketConnect(hwnd, SourceHost[hostSlot], SourcePort[hostSlot]) != INVALID_SOCKET;
  if (PostThreadMessageA(dwNetworkThreadId, WM_NETWORK_FETCH, 0, 0)) return true;
  WriteLog("WM_NETWORK_FETCH not posted (%lu)", GetLastError());
  return false;
}

// The stock rowids of the list's rows, in list order (rows without one are left out).
std::vector<long long> ListedRowIds(HWND list) {
  std::vector<long long> ids;
  int count = list ? (int)SendMessageA(list, LVM_GETITEMCOUNT, 0, 0) : 0;
  for (int row = 0; row < count; ++row) {
    LVITEMA item;
    memset(&item, 0, sizeof item);
    item.mask = LVIF_PARAM;
    item.iItem = row;
    if (SendMessageA(list, LVM_GETITEMA, 0, (LPARAM)&item) && item.lParam > 0) ids.push_back(item.lParam);
  }
  return ids;
}

// After a reload during a cycle: the rows not yet asked for that have left the list are dropped.
void KeepCycleRowsInList(HWND list) {
  if (!bNetworkBusy || nNextItem >= (int)CycleRows.size()) return;
  std::vector<long long> listed = ListedRowIds(list);
  std::sort(listed.begin(), listed.end());
  auto gone = [&listed](long long id) { return !std::binary_search(listed.begin(), listed.end(), id); };
  CycleRows.erase(std::remove_if(CycleRows.begin() + nNextItem, CycleRows.end(), gone), CycleRows.end());
  // The reload empties the index list; index rows still ahead set it again.
  if (szYahooExtraCallQuery[0] == '\0') bYahooExtraPending = 0;
}

void ParseQuoteReply(int source) {
  const bool raw = RawRoad();
  if (raw) WriteLog("STA_QUOTE_CHECK");
  BeginListUpdate(hListView);  // one repaint for the reply's rows, not one per cell
  switch (source) {
    case SRC_PC_QUOTE: ParseQuotePageHtml(hListView, pNetworkBuffer, szSymbolList); break;
    case SRC_UK_YAHOO: ParseQuoteTableHtml(hListView, pNetworkBuffer, szSymbolList); break;
    case SRC_TEXT_QUOTE: ParseQuoteTextPage(hListView, pNetworkBuffer, szSymbolList); break;
    case SRC_YAHOO:
      if (bYahooCsvExpected)
        ParseYahooCsv(hListView, pNetworkBuffer, szSymbolList);
      else
        YAHOO_IndexScanJson(hListView, pNetworkBuffer, szYahooExtraCallQuery);
      break;
    default: break;
  }
  EndListUpdate(hListView);
  if (raw) WriteLog("STA_QUOTE_CHECK#2");
  UpdateMyNetWorth();
  SortStockList(hListView, nSortColumn);
  if (raw) WriteLog("UpdateMyNetWorth()");
}

void StartCycle(HWND hwnd) {
  TakeCycleRows(hListView);
  nNextItem = 0;
  bYahooExtraPending = 0;
  bYahooCsvExpected = 1;
  RunNextNetworkCommand(hwnd);
}

}  // namespace

void TakeCycleRows(HWND list) { CycleRows = ListedRowIds(list); }

int CycleRowCount(void) { return (int)CycleRows.size(); }

long long CycleRowId(int index) {
  return index >= 0 && index < (int)CycleRows.size() ? CycleRows[index] : 0;
}

void ReloadStockList(HWND list) {
  {
    // The network thread builds its requests under this lock: the connection and the rows it reads
    // cannot change under it.
    CDbLock lock(oDatabase);
    InitLoadStocks(list);
    KeepCycleRowsInList(list);
  }
  // The load comes in symbol order; the sort the header shows is put back at once, or it would last
  // until the next reply (for ever with updates off), and every export meanwhile would follow it.
  SortStockList(list, nSortColumn);
}

void RunNextNetworkCommand(HWND hwnd) {
  bNetworkBusy = 1;
  // Each step either starts a request or moves the state on; three steps at most.
  for (int step = 0; step < 4; ++step) {
    switch (nNetworkState) {
      case STA_VERSION_CHECK:
        if (StartVersionCheck(hwnd) == 0) return;
        break;
      case STA_BANNER_GET:
        if (!SelectNextBanner(hwnd))
          nNetworkState = STA_QUOTE_CHECK;
        else if (StartBannerDownload(hwnd) == 0)
          return;
        break;
      case STA_QUOTE_CHECK:
        if (StartQuoteRequest(hwnd) != 0) bNetworkBusy = 0;
        return;
      default:
        nNetworkState = STA_BANNER_GET;
        break;
    }
  }
  bNetworkBusy = 0;
}

int StartVersionCheck(HWND hwnd) {
  if (!bAutoVersion) {
    nNetworkState = STA_BANNER_GET;
    return 1;
  }
  if (nVersionCounter > 0) {
    char text[16];
    snprintf(text, sizeof text, "%d", nVersionCounter);
    IniPutString(hwnd, "Options", "VersionCounter", text);
    nNetworkState = STA_BANNER_GET;
    return 1;
  }
  SetStatusText(hwnd, "Checking for new Tarnwick version", 1);
  WriteLog("Checking for new Tarnwick version");
  if (!BeginRequest(hwnd, HOST_MAKER)) {
    nNetworkState = STA_BANNER_GET;
    return 1;
  }
  IniPutString(hwnd, "Options", "VersionCounter", "3");
  return 0;
}

int StartBannerDownload(HWND hwnd) {
  SetStatusText(hwnd, "Getting banner image...", 1);
  if (BeginRequest(hwnd, HOST_MAKER)) return 0;
  nNetworkState = STA_QUOTE_CHECK;
  return 1;
}

int StartQuoteRequest(HWND hwnd) {
  if (nQuoteSource < SRC_PC_QUOTE || nQuoteSource > SRC_YAHOO) {
    nNetworkState = STA_BANNER_GET;
    return 1;
  }
  return BeginRequest(hwnd, SourceHostSlot(nQuoteSource)) ? 0 : 1;
}

void StartInterRequestDelay(HWND hwnd) {
  SetStatusText(hwnd, "", 1);
  nInterRequestDelay = 3;
}

void OnCycleTick(HWND hwnd) {
  if (bNetworkBusy) {
    // The pause counts down whatever the source is now: a source changed meanwhile cannot hold the
    // cycle busy for ever.
    if (nInterRequestDelay > 0 && --nInterRequestDelay == 0) RunNextNetworkCommand(hwnd);
    SocketWatchdog(hwnd);
    return;
  }
  if (nDelay == 0 && !bUpdateRequested) return;
  bUpdateRequested = 0;
  SetBusyIndicator(hwnd, nSecondsToUpdate == 0);
  DrawCountdown(hwnd, nSecondsToUpdate);
  if (nSecondsToUpdate == 0) {
    nSecondsToUpdate = nDelay;
    StartCycle(hwnd);
  } else if (nSecondsToUpdate == nDelay) {
    bYahooCsvExpected = 1;
    SetStatusText(hwnd, "Idle...", 1);
    --nSecondsToUpdate;
  } else {
    --nSecondsToUpdate;
  }
}

void RequestUpdateNow(void) {
  nSecondsToUpdate = 0;
  if (nDelay == 0 && !bNetworkBusy) bUpdateRequested = 1;
}

void ProcessNetworkReply(HWND hwnd) {
  const int source = nRequestSource;
  if (pNetworkBuffer) {
    switch (nNetworkState) {
      case STA_VERSION_CHECK:
        // A cut version text would rewrite the banner schedule with the lines that came. The transport
        // has logged why a reply is not taken (cut, refused, too late).
        if (bNetworkReplyComplete)
          CheckNewVersionBuffer(hwnd, pNetworkBuffer);
        else
          WriteLog("Version text not taken: the banner schedule stays");
        break;
      case STA_BANNER_GET: SaveBannerFile(hwnd, pNetworkBuffer, dwNetworkBufferRead); break;
      case STA_QUOTE_CHECK:
        // Cut values would be stored as quotes (a price cut to its first digits, a false alarm):
        // the rows keep what they had.
        if (bNetworkReplyComplete)
          ParseQuoteReply(source);
        else
          WriteLog("Quote reply of %lu bytes not taken: not parsed, its rows keep their quotes",
                   bNetworkFailureReply ? 0ul : (unsigned long)dwNetworkBufferRead);
        break;
      default: break;
    }
    FreeNetworkBuffer();
  }
  // Whatever came back (nothing included), the next Yahoo reply is CSV again: the JSON request is
  // the last of a cycle.
  if (nNetworkState == STA_QUOTE_CHECK && source == SRC_YAHOO) bYahooCsvExpected = 1;
  switch (nNetworkState) {
    case STA_VERSION_CHECK:
      nNetworkState = STA_BANNER_GET;
      RunNextNetworkCommand(hwnd);
      break;
    case STA_BANNER_GET:
      nNetworkState = STA_QUOTE_CHECK;
      RunNextNetworkCommand(hwnd);
      break;
    case STA_QUOTE_CHECK:
      if (nNextItem < CycleRowCount() || bYahooExtraPending) {
        if (source == SRC_PC_QUOTE)
          StartInterRequestDelay(hwnd);
        else
          RunNextNetworkCommand(hwnd);
      } else {
        EndNetworkCycle(hwnd);
      }
      break;
    default:
      bNetworkBusy = 0;
      break;
  }
}

void EndNetworkCycle(HWND hwnd) {
  nNetworkState = STA_BANNER_GET;
  bNetworkBusy = 0;
  HMENU menu = GetMenu(hMainWnd);
  if (menu) {
    EnableMenuItem(menu, IDM_QUICKENEXPORT, MF_BYCOMMAND | MF_ENABLED);
    EnableMenuItem(menu, IDM_METASTOCKEXPORT, MF_BYCOMMAND | MF_ENABLED);
    EnableMenuItem(menu, IDM_FULLEXPORT, MF_BYCOMMAND | MF_ENABLED);
  }
  SetBusyIndicator(hMainWnd, 0);
  SetStatusText(hMainWnd, "Idle...", 1);
  CheckAlarms(hMainWnd);
  if (bAutoExport) PostMessageA(hMainWnd, WM_AUTO_EXPORT, 0, 0);
}

void StopCycleAfterSocketError(void) {
  switch (nNetworkState) {
    case STA_VERSION_CHECK: nNetworkState = STA_BANNER_GET; break;
    case STA_BANNER_GET: nNetworkState = STA_QUOTE_CHECK; break;
    default: nNetworkState = STA_BANNER_GET; break;
  }
  bNetworkBusy = 0;
}
