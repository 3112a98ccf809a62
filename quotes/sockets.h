// The raw-socket road: used for the whole run when no WinINet handle is open. One request is one
// connection, driven by WM_SOCKET_EVENT on the main thread; the one-second tick is its watchdog.
#pragma once
#include <windows.h>
#include <winsock.h>

// The socket of the request under way; INVALID_SOCKET when none is open.
extern SOCKET hSocket;
// Ticks left before the request under way is abandoned.
extern int nNetworkCountdown;

// Windows Sockets 1.1 ready; otherwise a box says why.
BOOL WinsockStartup(void);
// Connects to host:port (or to the proxy) without blocking on the connection; its events go to hwnd.
// The socket, or INVALID_SOCKET when no connection attempt is under way.
SOCKET SocketConnect(HWND hwnd, const char* host, int port);
// On each tick while a cycle runs: abandons a request that outlived the Timeout setting.
void SocketWatchdog(HWND hwnd);
// At exit: closes the socket and cleans the library up.
void ShutdownSockets(void);
