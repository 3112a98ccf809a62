#include "tests/app/dialog_driver.h"

#include <gtest/gtest.h>

#include "foundation/settings.h"

namespace {

std::vector<DialogStep> steps;
size_t nextStep;
DWORD lastProgress;
const DWORD kStallMs = 10000;

struct Search {
  const std::string* caption;
  HWND found;
};

BOOL CALLBACK MatchCaption(HWND w, LPARAM p) {
  Search* s = (Search*)p;
  char cls[32] = "", text[256] = "";
  GetClassNameA(w, cls, sizeof cls);
  GetWindowTextA(w, text, sizeof text);
  if (strcmp(cls, "#32770") != 0 || !IsWindowVisible(w) || *s->caption != text) return TRUE;
  s->found = w;
  return FALSE;
}

HWND FindThreadDialog(const std::string& caption) {
  Search search = {&caption, NULL};
  EnumThreadWindows(GetCurrentThreadId(), MatchCaption, (LPARAM)&search);
  return search.found;
}

BOOL CALLBACK EndIfDialog(HWND w, LPARAM) {
  char cls[32] = "";
  GetClassNameA(w, cls, sizeof cls);
  if (strcmp(cls, "#32770") == 0) EndDialog(w, -2);
  return TRUE;
}

void EndAllDialogs() { EnumThreadWindows(GetCurrentThreadId(), EndIfDialog, 0); }

BOOL CALLBACK CountDialog(HWND w, LPARAM p) {
  char cls[32] = "";
  GetClassNameA(w, cls, sizeof cls);
  if (strcmp(cls, "#32770") == 0) ++*(int*)p;
  return TRUE;
}

void CALLBACK StepTimer(HWND, UINT, UINT_PTR, DWORD) {
  HWND w = nextStep < steps.size() ? FindThreadDialog(steps[nextStep].caption) : NULL;
  if (!w) {
    if (GetTickCount() - lastProgress <= kStallMs) return;
    // A step whose window never came, or a dialog still open after the last step.
    int open = 0;
    EnumThreadWindows(GetCurrentThreadId(), CountDialog, (LPARAM)&open);
    if (nextStep < steps.size())
      ADD_FAILURE() << "no window \"" << steps[nextStep].caption << "\" for step " << nextStep;
    else if (open)
      ADD_FAILURE() << "a dialog stayed open after the last step";
    nextStep = steps.size();
    lastProgress = GetTickCount();
    EndAllDialogs();
    return;
  }
  // Advanced first: the action may open a nested modal loop in which the next step runs.
  size_t index = nextStep++;
  lastProgress = GetTickCount();
  steps[index].act(w);
}

}  // namespace

INT_PTR RunModal(const std::function<INT_PTR()>& open, const std::vector<DialogStep>& list) {
  steps = list;
  nextStep = 0;
  lastProgress = GetTickCount();
  UINT_PTR timer = SetTimer(NULL, 0, 20, StepTimer);
  INT_PTR result = open();
  KillTimer(NULL, timer);
  EXPECT_EQ(nextStep, steps.size()) << "the dialog ended before every step ran";
  return result;
}

std::string ItemText(HWND dlg, int id) {
  char text[1024] = "";
  GetDlgItemTextA(dlg, id, text, sizeof text);
  return text;
}

void SetText(HWND dlg, int id, const std::string& text) { SetDlgItemTextA(dlg, id, text.c_str()); }

void Press(HWND dlg, int id) { SendMessageA(GetDlgItem(dlg, id), BM_CLICK, 0, 0); }

void Command(HWND dlg, int id) { SendMessageA(dlg, WM_COMMAND, id, 0); }

void Notify(HWND dlg, int id, int code) {
  SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(id, code), (LPARAM)GetDlgItem(dlg, id));
}

bool Checked(HWND dlg, int id) { return IsDlgButtonChecked(dlg, id) == BST_CHECKED; }

std::string MessageText(HWND box) { return ItemText(box, 0xFFFF); }

std::string IniText(const char* section, const char* key) {
  char text[1024];
  IniGetString(NULL, section, key, text, sizeof text, "<missing>");
  return text;
}
