// The program's command line: the debug switch and the settings file.
#include <stdlib.h>
#include <string.h>

#include "app/startup.h"
#include "foundation/log.h"
#include "foundation/settings.h"

static bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// Blanks the debug switch; TRUE when there was one.
static BOOL TakeDebugSwitch(char* text) {
  if (text == NULL) return FALSE;
  // Quotes flip as the settings-file word reader flips them, so both see the same words.
  bool inQuote = false;
  for (char* p = text; *p; ++p) {
    if (*p == '"' || *p == '\'') {
      inQuote = !inQuote;
      continue;
    }
    if (inQuote || (p > text && !IsBlank(p[-1]))) continue;
    if (p[0] == '-' && (p[1] == 'd' || p[1] == 'D') && (p[2] == '\0' || IsBlank(p[2]))) {
      p[0] = p[1] = ' ';
      return TRUE;
    }
  }
  return FALSE;
}

BOOL ApplyCommandLine(const char* commandLine) {
  if (commandLine == NULL || commandLine[0] == '\0') return TRUE;
  size_t length = strlen(commandLine);
  char* copy = (char*)malloc(length + 5);
  if (copy == NULL) return FALSE;
  memcpy(copy, commandLine, length + 1);
  if (TakeDebugSwitch(copy)) bDebugLog = 1;
  SetIniPathFromCommandLine(copy);
  WriteLog("%s", szIniPath);
  free(copy);
  return TRUE;
}
