// The program's entry: start-up, the message loop with the accelerators, and the ordered shutdown.
// Built into the program itself, not into the app library, so that the test programs keep their own
// entry points.
#include <windows.h>

#include "app/handles.h"
#include "app/startup.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int showCommand) {
  hInst = instance;
  if (!ClaimSingleInstance()) return 0;
  if (previous == NULL && RegisterWindowClasses(instance) == 0) return 0;
  if (!InitInstance(instance, showCommand, commandLine)) return 0;

  HACCEL accelerators = LoadAcceleratorsA(instance, MAKEINTRESOURCEA(IDR_MAINMENU));
  MSG msg;
  msg.wParam = 0;
  // -1 is an error, not a message: it ends the loop like WM_QUIT.
  while (GetMessageA(&msg, NULL, 0, 0) > 0) {
    // Every window's keys go to the main window's table, dialogs included.
    if (!TranslateAcceleratorA(hMainWnd, accelerators, &msg)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
  }
  return ShutdownProgram((int)msg.wParam);
}
