// String, timer and code lists and the growing byte buffer.
#include "foundation/utility.h"
#include "foundation/utility_internal.h"

#include <stdint.h>
#include <stdlib.h>
#include <string.h>

void UtilCopyCut(char *dst, int dstSize, const char *src) {
  if (!dst || dstSize < 1) return;
  if (!src) src = "";
  size_t n = strlen(src);
  if (n > (size_t)dstSize - 1) n = (size_t)dstSize - 1;
  memcpy(dst, src, n);
  dst[n] = '\0';
}

char *UtilDupExtra(const char *text, size_t extra) {
  if (!text) text = "";
  size_t n = strlen(text);
  if (n > SIZE_MAX - extra - 1) return NULL;
  char *copy = (char *)malloc(n + 1 + extra);
  if (copy) memcpy(copy, text, n + 1);
  return copy;
}

bool UtilGrowSlots(void **array, int count, size_t slotSize) {
  if (count < 0) return false;
  if (count % 10 != 0 && *array) return true;
  size_t slots = (size_t)count + 10;
  if (slots > SIZE_MAX / slotSize) return false;
  void *grown = realloc(*array, slots * slotSize);
  if (!grown) return false;
  memset((char *)grown + (size_t)count * slotSize, 0, 10 * slotSize);
  *array = grown;
  return true;
}

// ---- TStringList ----------------------------------------------------------------------------

TStringList::TStringList() : ppItems(NULL), nCount(0) {}

TStringList::~TStringList() { Clear(); }

void TStringList::Clear() {
  for (int i = 0; i < nCount; i++) free(ppItems[i]);
  free(ppItems);
  ppItems = NULL;
  nCount = 0;
}

int TStringList::Add(const char *text) {
  if (nCount == INT32_MAX) return -1;
  char *copy = UtilDupExtra(text, 1);
  if (!copy) return -1;
  void *array = ppItems;
  if (!UtilGrowSlots(&array, nCount, sizeof(char *))) {
    free(copy);
    return -1;
  }
  ppItems = (char **)array;
  ppItems[nCount] = copy;
  return nCount++;
}

int TStringList::Get(int index, char *out, int outSize) {
  UtilCopyCut(out, outSize, "");
  if (index < 0 || index >= nCount) return 0;
  UtilCopyCut(out, outSize, ppItems[index]);
  return 1;
}

int TStringList::Find(const char *text) {
  if (!text) return -1;
  for (int i = 0; i < nCount; i++)
    if (_stricmp(ppItems[i], text) == 0) return i;
  return -1;
}

int TStringList::Set(int index, const char *text) {
  if (index < 0 || index >= nCount) return 0;
  char *copy = UtilDupExtra(text, 1);
  if (!copy) return 0;
  free(ppItems[index]);
  ppItems[index] = copy;
  return 1;
}

int TStringList::GetLength(int index) {
  if (index < 0 || index >= nCount) return 0;
  return (int)strlen(ppItems[index]);
}

void TStringList::Sort(BOOL ascending) {
  for (int pass = 0; pass < nCount - 1; pass++) {
    for (int i = 0; i < nCount - 1; i++) {
      int c = strcmp(ppItems[i], ppItems[i + 1]);
      if (ascending ? c > 0 : c < 0) {
        char *t = ppItems[i];
        ppItems[i] = ppItems[i + 1];
        ppItems[i + 1] = t;
      }
    }
  }
}

// ---- TTimerList -----------------------------------------------------------------------------

TTimerList::TTimerList() : pEntries(NULL), nCount(0) {}

TTimerList::~TTimerList() { Clear(); }

void TTimerList::Clear() {
  for (int i = 0; i < nCount; i++) free(pEntries[i].pszName);
  free(pEntries);
  pEntries = NULL;
  nCount = 0;
}

int TTimerList::Find(const char *name) {
  if (!name) return -1;
  for (int i = 0; i < nCount; i++)
    if (_stricmp(pEntries[i].pszName, name) == 0) return i;
  return -1;
}

int TTimerList::Add(const char *name, DWORD tag, double value) {
  int i = Find(name);
  if (i >= 0) {
    pEntries[i].dTotal += value;
    pEntries[i].dwHits++;
    return i;
  }
  if (nCount == INT32_MAX) return -1;
  char *copy = UtilDupExtra(name, 1);
  if (!copy) return -1;
  void *array = pEntries;
  if (!UtilGrowSlots(&array, nCount, sizeof(TTimerEntry))) {
    free(copy);
    return -1;
  }
  pEntries = (TTimerEntry *)array;
  TTimerEntry &e = pEntries[nCount];
  e.pszName = copy;
  e.dwTag = tag;
  e.dwHits = 1;
  e.dTotal = value;
  return nCount++;
}

BOOL TTimerList::Get(int index, char *nameOut, int nameSize, DWORD *hitsOut, double *totalOut) {
  UtilCopyCut(nameOut, nameSize, "");
  if (hitsOut) *hitsOut = 0;
  if (totalOut) *totalOut = 0.0;
  if (index < 0 || index >= nCount) return FALSE;
  UtilCopyCut(nameOut, nameSize, pEntries[index].pszName);
  if (hitsOut) *hitsOut = pEntries[index].dwHits;
  if (totalOut) *totalOut = pEntries[index].dTotal;
  return TRUE;
}

void TTimerList::Sort(BOOL ascending) {
  for (int pass = 0; pass < nCount - 1; pass++) {
    for (int i = 0; i < nCount - 1; i++) {
      DWORD a = pEntries[i].dwTag, b = pEntries[i + 1].dwTag;
      if (ascending ? a > b : a < b) {
        TTimerEntry t = pEntries[i];
        pEntries[i] = pEntries[i + 1];
        pEntries[i + 1] = t;
      }
    }
  }
}

// ---- TCodeList ------------------------------------------------------------------------------

TCodeList::TCodeList() : pEntries(NULL), nCount(0) {}

TCodeList::~TCodeList() { Clear(); }

void TCodeList::Clear() {
  for (int i = 0; i < nCount; i++) {
    if (!pEntries[i].bUsed) continue;
    free(pEntries[i].pszName);
    free(pEntries[i].pszText);
  }
  free(pEntries);
  pEntries = NULL;
  nCount = 0;
}

int TCodeList::AddEntry(DWORD code, const char *name, DWORD value, const char *text) {
  if (nCount == INT32_MAX) return -1;
  char *nameCopy = NULL, *textCopy = NULL;
  if (name && !(nameCopy = UtilDupExtra(name, 1))) return -1;
  if (text && !(textCopy = UtilDupExtra(text, 1))) {
    free(nameCopy);
    return -1;
  }
  void *array = pEntries;
  if (!UtilGrowSlots(&array, nCount, sizeof(TCodeEntry))) {
    free(nameCopy);
    free(textCopy);
    return -1;
  }
  pEntries = (TCodeEntry *)array;
  TCodeEntry &e = pEntries[nCount];
  e.bUsed = 1;
  e.dwCode = code;
  e.pszName = nameCopy;
  e.dwValue = value;
  e.pszText = textCopy;
  return nCount++;
}

// A NULL name or text is stored as "", so that the entry still reads as keyed by name or
// carrying a text.
int TCodeList::AddNameText(const char *name, const char *text) {
  return AddEntry(0, name ? name : "", 0, text ? text : "");
}

int TCodeList::AddNameValue(const char *name, DWORD value) {
  return AddEntry(0, name ? name : "", value, NULL);
}

int TCodeList::AddCodeText(DWORD code, const char *text) {
  return AddEntry(code, NULL, 0, text ? text : "");
}

int TCodeList::AddCodeValue(DWORD code, DWORD value) { return AddEntry(code, NULL, value, NULL); }

BOOL TCodeList::GetText(int index, DWORD *codeOut, char *nameOut, int nameSize, char *textOut,
                        int textSize) {
  if (index < 0 || index >= nCount || !pEntries[index].bUsed) return FALSE;
  const TCodeEntry &e = pEntries[index];
  if (codeOut) *codeOut = e.dwCode;
  if (nameOut && e.pszName) UtilCopyCut(nameOut, nameSize, e.pszName);
  if (textOut && e.pszText) UtilCopyCut(textOut, textSize, e.pszText);
  return TRUE;
}

BOOL TCodeList::GetValue(int index, DWORD *codeOut, char *nameOut, int nameSize, DWORD *valueOut) {
  if (index < 0 || index >= nCount || !pEntries[index].bUsed) return FALSE;
  const TCodeEntry &e = pEntries[index];
  if (codeOut) *codeOut = e.dwCode;
  if (nameOut && e.pszName) UtilCopyCut(nameOut, nameSize, e.pszName);
  if (valueOut) *valueOut = e.dwValue;
  return TRUE;
}

int TCodeList::IndexOfCode(DWORD code) {
  for (int i = 0; i < nCount; i++)
    if (pEntries[i].bUsed && pEntries[i].dwCode == code) return i;
  return -1;
}

int TCodeList::IndexOfName(const char *name, BOOL wildcard) {
  if (!name) return -1;
  for (int i = 0; i < nCount; i++) {
    const TCodeEntry &e = pEntries[i];
    if (!e.bUsed || !e.pszName) continue;
    if (wildcard ? WildcardMatch(name, e.pszName, TRUE) : strcmp(e.pszName, name) == 0) return i;
  }
  return -1;
}

// Copies the text of entry i (when it has one) and passes i through.
int TCodeList::TextOf(int i, char *textOut, int textSize) {
  UtilCopyCut(textOut, textSize, "");
  if (i >= 0 && pEntries[i].pszText) UtilCopyCut(textOut, textSize, pEntries[i].pszText);
  return i;
}

int TCodeList::ValueOf(int i, DWORD *valueOut) {
  if (i >= 0 && valueOut) *valueOut = pEntries[i].dwValue;
  return i;
}

int TCodeList::FindCodeText(DWORD code, char *textOut, int textSize) {
  return TextOf(IndexOfCode(code), textOut, textSize);
}

int TCodeList::FindCodeValue(DWORD code, DWORD *valueOut) {
  return ValueOf(IndexOfCode(code), valueOut);
}

int TCodeList::FindNameText(const char *name, char *textOut, int textSize) {
  return TextOf(IndexOfName(name, FALSE), textOut, textSize);
}

int TCodeList::FindNameValue(const char *name, DWORD *valueOut) {
  return ValueOf(IndexOfName(name, FALSE), valueOut);
}

int TCodeList::MatchNameText(const char *pattern, char *textOut, int textSize) {
  return TextOf(IndexOfName(pattern, TRUE), textOut, textSize);
}

BOOL TCodeList::SetText(int index, const char *text) {
  if (index < 0 || index >= nCount || !pEntries[index].bUsed) return FALSE;
  TCodeEntry &e = pEntries[index];
  if (!e.pszText) return TRUE;  // a value entry stays one
  char *copy = UtilDupExtra(text, 10);
  if (!copy) return FALSE;
  free(e.pszText);
  e.pszText = copy;
  return TRUE;
}

BOOL TCodeList::SetValue(int index, DWORD value) {
  if (index < 0 || index >= nCount || !pEntries[index].bUsed) return FALSE;
  pEntries[index].dwValue = value;
  return TRUE;
}

// ---- TBinaryBuffer --------------------------------------------------------------------------

TBinaryBuffer::TBinaryBuffer() : pData(NULL), dwSize(0) {}

TBinaryBuffer::~TBinaryBuffer() { Clear(); }

void TBinaryBuffer::Clear() {
  free(pData);
  pData = NULL;
  dwSize = 0;
}

BOOL TBinaryBuffer::Append(const void *bytes, DWORD n) {
  if (n == 0) return TRUE;
  if (!bytes) return FALSE;
  // the size is a DWORD whatever the process (in 64 bits size_t would not wrap, but dwSize would)
  if (n > MAXDWORD - dwSize) return FALSE;
  BYTE *grown = (BYTE *)realloc(pData, (size_t)dwSize + n);
  if (!grown) return FALSE;
  memcpy(grown + dwSize, bytes, n);
  pData = grown;
  dwSize += n;
  return TRUE;
}
