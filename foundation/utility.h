// General-purpose utility classes and helpers: string, timer and code lists, the Windows version,
// a scoped wait cursor, date parsing, a growing byte buffer, SYSTEMTIME arithmetic, hexadecimal
// text, wildcard matching and shell folders. Self-contained: nothing else in the program needed.
//
// Every function that copies text out takes the size of the caller's buffer and cuts to it.
#pragma once
#include <windows.h>

// A list of heap copies of strings.
class TStringList {
public:
  TStringList();
  virtual ~TStringList();
  void Clear();
  int Add(const char *text);                          // new index, -1 when out of memory
  int Get(int index, char *out, int outSize);         // 1, or 0 when out of range (out is "")
  int Find(const char *text);                         // first index equal ignoring case, or -1
  int Set(int index, const char *text);               // 1, or 0 (out of range, out of memory)
  int GetLength(int index);                           // 0 when out of range
  void Sort(BOOL ascending);                          // case-sensitive

  char **ppItems;
  int nCount;
};

// Name-keyed accumulator, for example of timings.
struct TTimerEntry {
  char *pszName;
  DWORD dwTag;
  DWORD dwHits;
  double dTotal;
};

class TTimerList {
public:
  TTimerList();
  virtual ~TTimerList();
  void Clear();
  int Add(const char *name, DWORD tag, double value);  // index of the entry, -1 when out of memory
  int Find(const char *name);
  BOOL Get(int index, char *nameOut, int nameSize, DWORD *hitsOut, double *totalOut);
  void Sort(BOOL ascending);                            // on the tag

  TTimerEntry *pEntries;
  int nCount;
};

// Entries carrying a code or a name, and a value or a text.
struct TCodeEntry {
  BYTE bUsed;
  DWORD dwCode;
  char *pszName;   // NULL when the entry is keyed by code
  DWORD dwValue;
  char *pszText;   // NULL when the entry carries a value
};

class TCodeList {
public:
  TCodeList();
  virtual ~TCodeList();
  void Clear();
  int AddNameText(const char *name, const char *text);   // new index, -1 when out of memory
  int AddNameValue(const char *name, DWORD value);
  int AddCodeText(DWORD code, const char *text);
  int AddCodeValue(DWORD code, DWORD value);
  // Outputs may be NULL; a missing name or text leaves its output alone.
  BOOL GetText(int index, DWORD *codeOut, char *nameOut, int nameSize, char *textOut, int textSize);
  BOOL GetValue(int index, DWORD *codeOut, char *nameOut, int nameSize, DWORD *valueOut);
  int FindCodeText(DWORD code, char *textOut, int textSize);      // index or -1
  int FindCodeValue(DWORD code, DWORD *valueOut);
  int FindNameText(const char *name, char *textOut, int textSize);
  int FindNameValue(const char *name, DWORD *valueOut);
  int MatchNameText(const char *pattern, char *textOut, int textSize);
  BOOL SetText(int index, const char *text);
  BOOL SetValue(int index, DWORD value);

  TCodeEntry *pEntries;
  int nCount;

private:
  int AddEntry(DWORD code, const char *name, DWORD value, const char *text);
  int IndexOfCode(DWORD code);                           // first used entry with the code, or -1
  int IndexOfName(const char *name, BOOL wildcard);      // first named entry that matches, or -1
  int TextOf(int index, char *textOut, int textSize);
  int ValueOf(int index, DWORD *valueOut);
};

// The running Windows version, detected by the constructor.
class TOSVersion {
public:
  TOSVersion();
  virtual ~TOSVersion();
  // Fills the fields from a version structure; 'extended' tells whether its product fields are valid.
  void Detect(const OSVERSIONINFOEXA *vi, BOOL extended);
  DWORD DetectTerminalServices();

  char szName[100];
  char szDescription[100];
  DWORD dwMajor;
  DWORD dwMinor;
  DWORD dwWorkstation;
  DWORD dwTerminalServices;
  DWORD dwOSCode;   // 0 Win32s, 1 95, 2 98, 3 Me, 4 NT 3.51, 5 NT 4, 6 2000, 7 XP, 8 2003, 9 Vista, 10 2008
};

// Shows the wait cursor for the lifetime of the object.
class TMyCursor {
public:
  TMyCursor();
  virtual ~TMyCursor();

  HCURSOR hPrevious;
  HCURSOR hWait;
};

class TDate {
public:
  TDate();
  virtual ~TDate();
  BOOL IsLeapYear();
  void SetToday();
  BOOL ParseDateTime(const char *text);   // "M/D/Y h:m [AM|PM]"
  BOOL Validate();
  BOOL SetFromString(const char *text);
  void Format(char *out, int outSize);    // "M/D/Y"
  BOOL Tokenize();
  int MonthFromName(const char *text);
  BOOL ParseOrdered(const char *text, int order);  // 0 month day year, 1 year month day, 2 day month year

  DWORD dwMonthDays[13];
  char *pszTokens[7];
  char szText[512];
  int nTokens;
  SYSTEMTIME stDate;
};

class TBinaryBuffer {
public:
  TBinaryBuffer();
  virtual ~TBinaryBuffer();
  void Clear();
  BOOL Append(const void *bytes, DWORD n);   // FALSE when out of memory (data unchanged)

  BYTE *pData;
  DWORD dwSize;
};

void StripLeadingZeros(char *text);
int IsBlank(const char *text);
// Units for AddToSystemTime.
#define UTIL_UNIT_HOURS 3
#define UTIL_UNIT_DAYS 4
// 1, or 0 with the time unchanged when it cannot be converted or the result is out of range.
int AddToSystemTime(SYSTEMTIME *st, int unit, int amount);
// 1 when a is later, -1 when earlier, 0 when equal or either does not convert.
int CompareSystemTimes(const SYSTEMTIME *a, const SYSTEMTIME *b);
// (b - a) in whole units, truncated toward zero; 0 when either does not convert.
long long DaysBetween(const SYSTEMTIME *a, const SYSTEMTIME *b);
long long HoursBetween(const SYSTEMTIME *a, const SYSTEMTIME *b);
long long MinutesBetween(const SYSTEMTIME *a, const SYSTEMTIME *b);
long long SecondsBetween(const SYSTEMTIME *a, const SYSTEMTIME *b);
int GetYearDayNumber(const SYSTEMTIME *st);   // year * 1000 + day of the year; 0 for a bad month
void ReplaceChars(char *text, const char *set, char ch);
void StripQuotes(char *text);
int AppendString(char **dst, const char *src);  // 1, or 0 with *dst unchanged
void ByteToHex(BYTE b, char *out);              // out holds 3 bytes
int HexToByte(const char *text, BYTE *out);     // number of digits read (0..2)
void BytesToHex(const BYTE *bytes, char *out, int n);   // out holds 2n + 1 bytes
int HexToBytes(const char *text, BYTE *out, int n);     // bytes written, at most n
BOOL WildcardMatch(const char *pattern, const char *text, BOOL ignoreCase);
char *GetSpecialFolderPath(int csidl);          // static buffer; "c:" on failure
