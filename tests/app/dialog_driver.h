// Drives modal dialogs from inside their own message loop: a thread timer finds each expected window
// of this thread by caption and acts on it, one step after the other.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

struct DialogStep {
  std::string caption;
  std::function<void(HWND)> act;
};

// Runs open() (which shows a modal dialog) while the steps run in order; returns open()'s result.
// Steps that never find their window fail the test, and the dialogs left open are ended.
INT_PTR RunModal(const std::function<INT_PTR()>& open, const std::vector<DialogStep>& steps);

// Control helpers.
std::string ItemText(HWND dlg, int id);
void SetText(HWND dlg, int id, const std::string& text);
void Press(HWND dlg, int id);                    // a click: BN_CLICKED from the control
void Command(HWND dlg, int id);                  // a command without a control: Enter, Escape
void Notify(HWND dlg, int id, int code);         // WM_COMMAND with a notification code
bool Checked(HWND dlg, int id);
// The text of a message box (its static has id 65535).
std::string MessageText(HWND box);

std::string IniText(const char* section, const char* key);
