#include "banner/player.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <libmng.h>

#include "app/handles.h"
#include "app/links.h"
#include "app/status_strip.h"
#include "banner/schedule.h"
#include "foundation/log.h"
#include "foundation/text.h"

int nBannerRunning = 0;
int bBannerLoaded = 0;
HDC hBannerMemDC = NULL;
HWND hBannerLink = NULL;

// The block the decoder hands back to every callback.
struct MngUserData {
  FILE* file;
  char* file_name;
  mng_uint32 delay;
};

namespace {

mng_handle hMng = NULL;
MngUserData* pUser = NULL;
unsigned char* pCanvas = NULL;
int nWidth = 0, nHeight = 0, nRowBytes = 0;
int nFrameCount = 0, nLayerCount = 0;
mng_uint32 nDelayCopy = 0;
HBITMAP hBannerBitmap = NULL;
HGDIOBJ hOldBitmap = NULL;
char szPlayingPath[MAX_PATH] = "";

// A decoder call is under way (the callbacks run inside it): releasing the decoder must wait.
int nDecoderDepth = 0;
bool bReleasePending = false;
// The error exit ran during the current start or frame.
bool bFailed = false;

// A banner larger than this is not a banner; it would only exhaust memory.
const mng_uint32 kMaxSide = 8192;
// The canvas: blue, green, red bytes, rows padded to 4 bytes, bottom-up.
const int kBitsPerPixel = 24;

void CloseBannerFile() {
  if (pUser && pUser->file) {
    fclose(pUser->file);
    pUser->file = NULL;
  }
}

void ReleaseDecoder() {
  if (nDecoderDepth > 0) {
    bReleasePending = true;
    return;
  }
  if (hMng) mng_cleanup(&hMng);
  hMng = NULL;
  CloseBannerFile();
  free(pUser);
  pUser = NULL;
  free(pCanvas);
  pCanvas = NULL;
}

void EndOfPlay() {
  nFrameCount = nLayerCount = -1;
  nDelayCopy = (mng_uint32)-1;
  nBannerRunning = -1;
}

// Runs one decoder call; a release asked for by a callback inside it happens once it has returned.
mng_retcode CallDecoder(mng_retcode (*call)(mng_handle)) {
  bFailed = false;
  ++nDecoderDepth;
  mng_retcode rc = call(hMng);
  --nDecoderDepth;
  if (bReleasePending && nDecoderDepth == 0) {
    bReleasePending = false;
    ReleaseDecoder();
  }
  return rc;
}

void ArmTimer(mng_uint32 delay) {
  if (hMainWnd) SetTimer(hMainWnd, IDT_BANNER, delay, NULL);
}

void DropMemoryContext() {
  if (hBannerMemDC) {
    SelectObject(hBannerMemDC, hOldBitmap);
    DeleteDC(hBannerMemDC);
  }
  if (hBannerBitmap) DeleteObject(hBannerBitmap);
  hBannerMemDC = NULL;
  hBannerBitmap = NULL;
  hOldBitmap = NULL;
}

const BannerEntry* CurrentEntry() {
  if (CurrentBanner < 0 || CurrentBanner >= BANNER_SLOTS) return NULL;
  return &BannerSchedule[CurrentBanner];
}

// ---- the decoder's callbacks --------------------------------------------------------------------

mng_ptr MNG_DECL OnAlloc(mng_size_t size) { return calloc(1, size); }

void MNG_DECL OnFree(mng_ptr p, mng_size_t) { free(p); }

MngUserData* User(mng_handle h) { return (MngUserData*)mng_get_userdata(h); }

mng_bool MNG_DECL OnOpenStream(mng_handle h) {
  MngUserData* user = User(h);
  user->file = fopen(user->file_name, "rb");
  if (user->file) return MNG_TRUE;
  char text[MAX_PATH + 40];
  snprintf(text, sizeof text, "Unable to open File: %s", user->file_name);
  ResetBannerOnError(text);
  return MNG_FALSE;
}

mng_bool MNG_DECL OnCloseStream(mng_handle) { return MNG_TRUE; }

mng_bool MNG_DECL OnReadData(mng_handle h, mng_ptr buffer, mng_uint32 size, mng_uint32p read) {
  MngUserData* user = User(h);
  *read = user->file ? (mng_uint32)fread(buffer, 1, size, user->file) : 0;
  return MNG_TRUE;
}

mng_bool MNG_DECL OnProcessHeader(mng_handle h, mng_uint32 width, mng_uint32 height) {
  if (width == 0 || height == 0 || width > kMaxSide || height > kMaxSide) {
    ResetBannerOnError("Out of Memory!");
    return MNG_FALSE;
  }
  nWidth = (int)width;
  nHeight = (int)height;
  nRowBytes = (int)(((width * kBitsPerPixel + 31) / 8) & ~3u);
  free(pCanvas);
  pCanvas = (unsigned char*)calloc((size_t)nRowBytes, height);
  if (!pCanvas) {
    // Without a canvas the decoder would draw into nothing.
    ResetBannerOnError("Out of Memory!");
    return MNG_FALSE;
  }
  DropMemoryContext();
  hBannerMemDC = CreateCompatibleDC(NULL);
  HDC windowDC = GetDC(hMainWnd);
  hBannerBitmap = CreateCompatibleBitmap(windowDC, nWidth, nHeight);
  ReleaseDC(hMainWnd, windowDC);
  if (hBannerMemDC && hBannerBitmap) hOldBitmap = SelectObject(hBannerMemDC, hBannerBitmap);
  mng_set_canvasstyle(h, MNG_CANVAS_BGR8);
  return MNG_TRUE;
}

mng_ptr MNG_DECL OnCanvasLine(mng_handle, mng_uint32 line) {
  if (!pCanvas || line >= (mng_uint32)nHeight) return NULL;
  return pCanvas + (size_t)(nHeight - (int)line - 1) * nRowBytes;
}

mng_bool MNG_DECL OnRefresh(mng_handle, mng_uint32, mng_uint32, mng_uint32, mng_uint32) {
  if (!pCanvas || !hBannerMemDC) return MNG_TRUE;
  BITMAPINFO bmi;
  memset(&bmi, 0, sizeof bmi);
  bmi.bmiHeader.biSize = sizeof bmi.bmiHeader;
  bmi.bmiHeader.biWidth = nWidth;
  bmi.bmiHeader.biHeight = nHeight;
  bmi.bmiHeader.biPlanes = 1;
  bmi.bmiHeader.biBitCount = kBitsPerPixel;
  bmi.bmiHeader.biCompression = BI_RGB;
  StretchDIBits(hBannerMemDC, 0, 0, nWidth, nHeight, 0, 0, nWidth, nHeight, pCanvas, &bmi, DIB_RGB_COLORS,
                SRCCOPY);
  return MNG_TRUE;
}

mng_uint32 MNG_DECL OnTickCount(mng_handle) { return GetTickCount(); }

mng_bool MNG_DECL OnSetTimer(mng_handle h, mng_uint32 msecs) {
  User(h)->delay = msecs;
  return MNG_TRUE;
}

mng_bool MNG_DECL OnError(mng_handle, mng_int32, mng_int8, mng_chunkid chunk, mng_uint32 sequence, mng_int32,
                          mng_int32, mng_pchar) {
  char name[5] = {(char)(chunk >> 24), (char)(chunk >> 16), (char)(chunk >> 8), (char)chunk, 0};
  for (int i = 0; i < 4; ++i)
    if ((unsigned char)name[i] < 0x20 || (unsigned char)name[i] > 0x7E) name[i] = '?';
  char text[64];
  snprintf(text, sizeof text, "error playing chunk %s (%d)", name, (int)sequence);
  ResetBannerOnError(text);
  return MNG_FALSE;
}

}  // namespace

void MngStartBanner(const char* path) {
  // A decoder still open belongs to an earlier file: let it go first.
  if (hMng) {
    mng_display_freeze(hMng);
    KillTimer(hMainWnd, IDT_BANNER);
    ReleaseDecoder();
  }
  CopyCut(szPlayingPath, sizeof szPlayingPath, path);
  pUser = (MngUserData*)calloc(1, sizeof(MngUserData));
  if (!pUser) {
    ResetBannerOnError("Unable to allocate MNG struct!");
    return;
  }
  pUser->file_name = szPlayingPath;
  hMng = mng_initialize((mng_ptr)pUser, OnAlloc, OnFree, MNG_NULL);
  if (!hMng) {
    free(pUser);
    pUser = NULL;
    ResetBannerOnError("MNG Init Error!");
    return;
  }
  mng_set_storechunks(hMng, MNG_FALSE);
  mng_set_srgb(hMng, MNG_TRUE);
  mng_set_bgcolor(hMng, 0xFFFF, 0xFFFF, 0xFFFF);
  mng_set_usebkgd(hMng, MNG_TRUE);
  mng_setcb_errorproc(hMng, OnError);
  mng_setcb_openstream(hMng, OnOpenStream);
  mng_setcb_closestream(hMng, OnCloseStream);
  mng_setcb_readdata(hMng, OnReadData);
  mng_setcb_gettickcount(hMng, OnTickCount);
  mng_setcb_settimer(hMng, OnSetTimer);
  mng_setcb_processheader(hMng, OnProcessHeader);
  mng_setcb_getcanvasline(hMng, OnCanvasLine);
  mng_setcb_refresh(hMng, OnRefresh);
  mng_retcode rc = CallDecoder(mng_readdisplay);
  if (bFailed || !hMng) return;  // the error exit ran: no timer, not running
  // The stream ended before the image did, which the decoder reports without an error.
  if (rc == MNG_NEEDMOREDATA) {
    ResetBannerOnError("banner file is truncated or unreadable");
    return;
  }
  nFrameCount = (int)mng_get_framecount(hMng);
  nLayerCount = (int)mng_get_layercount(hMng);
  nBannerRunning = 1;
  nDelayCopy = pUser->delay;
  ArmTimer(pUser->delay);
}

void MngOnTimer(void) {
  if (!hMng || !pUser) {
    KillTimer(hMainWnd, IDT_BANNER);
    EndOfPlay();
    return;
  }
  pUser->delay = 0;
  mng_retcode rc = CallDecoder(mng_display_resume);
  if (bFailed || !hMng) return;
  if (rc == MNG_NEEDTIMERWAIT) {
    KillTimer(hMainWnd, IDT_BANNER);
    ArmTimer(pUser->delay);
    return;
  }
  if (rc == MNG_NEEDMOREDATA) {
    ResetBannerOnError("banner file is truncated or unreadable");
    return;
  }
  // Finished (or failed): the last frame stays in the memory context.
  KillTimer(hMainWnd, IDT_BANNER);
  ReleaseDecoder();
  EndOfPlay();
}

void MngStopBanner(void) {
  if (hMainWnd) KillTimer(hMainWnd, IDT_BANNER);
  // The file goes at once, also from inside a decoder call: it may be deleted or rewritten next.
  CloseBannerFile();
  ReleaseDecoder();
}

int ResetBannerOnError(const char* text) {
  bBannerLoaded = 0;
  nWidth = nHeight = 0;
  bFailed = true;
  MngStopBanner();
  EndOfPlay();
  WriteLog("%s", text);
  if (szPlayingPath[0]) DeleteFileA(szPlayingPath);
  return 0;
}

int ShowBannerFile(void) {
  bBannerLoaded = 0;
  char path[MAX_PATH];
  if (!GetBannerFilePath(path)) return 1;
  FILE* probe = fopen(path, "rb");
  if (!probe) return 1;
  fclose(probe);
  if (nBannerRunning == 1) MngStopBanner();
  nWidth = nHeight = 0;
  MngStartBanner(path);
  if (nWidth != 0 && nHeight != 0)
    PositionBanner(hMainWnd, 0, 0, 0, hBannerWnd, nWidth, nHeight);
  else
    WriteLog("((W == 0) || (H == 0))");
  // A file the decoder refused was deleted and is not shown.
  bBannerLoaded = bFailed ? 0 : 1;
  if (hMainWnd) {
    RECT rc;
    GetClientRect(hMainWnd, &rc);
    rc.top = rc.bottom - GetStatusAreaHeight();
    InvalidateRect(hMainWnd, &rc, TRUE);
  }
  return 0;
}

void RecreateBannerLinkLayer(HWND hwnd) {
  if (hBannerLink) DestroyWindow(hBannerLink);
  hBannerLink = NULL;
  const BannerEntry* entry = CurrentEntry();
  if (!entry || !hBannerWnd) return;
  RECT rc;
  GetClientRect(hBannerWnd, &rc);
  // The address came over the network: only a plain web address is kept.
  const char* url = IsSafeWebAddress(entry->link_url) ? entry->link_url : NULL;
  hBannerLink = Hyper_CreateLayer(hBannerWnd, "", url, 0, 0, rc.right, rc.bottom);
  if (hBannerLink) AddTooltip(hwnd, hBannerLink, entry->tip_text);
}

void OnBannerDoubleClick(HWND hwnd, int flag, int x, int y) {
  if (!hwnd) return;
  RECT rc;
  GetClientRect(hwnd, &rc);
  if (y < rc.bottom - GetStatusAreaHeight()) return;
  const BannerEntry* entry = CurrentEntry();
  if (entry && entry->valid && IsSafeWebAddress(entry->link_url)) {
    OpenUrl(hwnd, entry->link_url);
    return;
  }
  char home[WEB_ADDRESS_SIZE];
  if (MakerPageUrl(home, sizeof home, "/")) OpenUrl(hwnd, home);
}

void GetBannerImageSize(int* width, int* height) {
  if (width) *width = nWidth;
  if (height) *height = nHeight;
}

void ResetBannerPlayer(void) {
  nWidth = nHeight = 0;
  if (nBannerRunning == 1) MngStopBanner();
}
