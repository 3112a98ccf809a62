// Stand-ins for the shell operations that the network cycle calls, until the status strip and the
// alarms land. Remove this file with them.
#include "app/alarms.h"
#include "app/status_strip.h"

double dNetWorth = 0.0;
POINT ptContextMenu = {0, 0};

void SetBusyIndicator(HWND, int) {}
void DrawCountdown(HWND, int) {}
void DrawNetWorth(HWND, double) {}
void CheckAlarms(HWND) {}
void UpdateMyNetWorth(void) {}
