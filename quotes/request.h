// Building the request of the current cycle state: an address for the WinINet road, the raw
// request bytes for the socket road. Both choose the list rows of the next quote batch.
#pragma once
#include <windows.h>

#define URL_SIZE 2000
#define RAW_REQUEST_SIZE 8192

// Raw request formats by host slot.
extern const char* const RawRequestFormat[5];

// Writes the address of the current state into url (URL_SIZE bytes; "" when there is nothing to
// ask for) and returns 1 when it is not empty. Advances nNextItem past the rows it looks at.
int BuildRequestUrl(char* url);

// Writes the raw request bytes of the current state into request (size bytes); useProxy puts the
// host's address prefix in front of quote paths. Returns the request's length, 0 when there is
// nothing to send.
int BuildRawRequest(char* request, int size, int useProxy);
