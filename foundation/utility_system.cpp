// Windows version, wait cursor and shell folders.
#include "foundation/utility.h"
#include "foundation/utility_internal.h"

#include <shlobj.h>
#include <stdio.h>
#include <string.h>

// ---- TOSVersion -----------------------------------------------------------------------------

TOSVersion::TOSVersion()
    : dwMajor(3), dwMinor(0), dwWorkstation(1), dwTerminalServices(0), dwOSCode(1) {
  UtilCopyCut(szName, sizeof(szName), "Windows 95");
  UtilCopyCut(szDescription, sizeof(szDescription), "Windows 95");

  OSVERSIONINFOEXA vi;
  memset(&vi, 0, sizeof(vi));
  vi.dwOSVersionInfoSize = sizeof(OSVERSIONINFOEXA);
  BOOL extended = GetVersionExA((OSVERSIONINFOA *)&vi);
  if (!extended) {
    memset(&vi, 0, sizeof(vi));
    vi.dwOSVersionInfoSize = sizeof(OSVERSIONINFOA);
    if (!GetVersionExA((OSVERSIONINFOA *)&vi)) return;
  }
  Detect(&vi, extended);
}

TOSVersion::~TOSVersion() {}

namespace {

// Servers installed without the extended version structure say so in the registry.
bool RegistrySaysServer() {
  HKEY key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Control\\ProductOptions", 0,
                    KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
    return false;
  char type[80] = "";
  DWORD size = sizeof(type) - 1;
  DWORD kind = 0;
  LONG rc = RegQueryValueExA(key, "ProductType", NULL, &kind, (BYTE *)type, &size);
  RegCloseKey(key);
  if (rc != ERROR_SUCCESS || kind != REG_SZ) return false;
  type[size < sizeof(type) ? size : sizeof(type) - 1] = '\0';
  return _stricmp(type, "SERVERNT") == 0;
}

}  // namespace

void TOSVersion::Detect(const OSVERSIONINFOEXA *vi, BOOL extended) {
  if (!vi) return;
  dwMajor = vi->dwMajorVersion;
  dwMinor = vi->dwMinorVersion;
  const char *name = NULL;

  if (vi->dwPlatformId == VER_PLATFORM_WIN32s) {
    name = "Windows 3.11";
    dwMajor = 1;
    dwOSCode = 0;
  } else if (vi->dwPlatformId == VER_PLATFORM_WIN32_WINDOWS) {
    if (dwMajor == 4) {
      if (dwMinor == 10) { name = "Windows 98"; dwOSCode = 2; }
      else if (dwMinor == 90) { name = "Windows Me"; dwOSCode = 3; }
      else { name = "Windows 95"; dwOSCode = 1; }
    }
  } else if (vi->dwPlatformId == VER_PLATFORM_WIN32_NT) {
    bool server = extended && (vi->wProductType == VER_NT_DOMAIN_CONTROLLER ||
                               vi->wProductType == VER_NT_SERVER);
    if (dwMajor == 3) { name = "Windows NT 3.51"; dwOSCode = 4; }
    else if (dwMajor == 4) { name = "Windows NT 4.0"; dwOSCode = 5; }
    else if (dwMajor == 5) {
      if (dwMinor == 1) { name = "Windows XP"; dwOSCode = 7; }
      else if (dwMinor == 2) { name = "Windows .NET Server 2003"; dwOSCode = 8; }
      else { name = "Windows 2000"; dwOSCode = 6; }
    } else if (dwMajor == 6) {
      if (server) { name = "Windows 2008"; dwOSCode = 10; }
      else { name = "Vista"; dwOSCode = 9; }
    }
    if (name) {
      UtilCopyCut(szName, sizeof(szName), name);
      UtilCopyCut(szDescription, sizeof(szDescription), name);
    }
    if (extended) dwWorkstation = server ? 0 : 1;
    else if (RegistrySaysServer()) dwWorkstation = 0;
    DetectTerminalServices();
    // The service-pack text is up to 127 characters: format wide, then cut to the field.
    char csd[sizeof(vi->szCSDVersion) + 1];
    memcpy(csd, vi->szCSDVersion, sizeof(vi->szCSDVersion));
    csd[sizeof(vi->szCSDVersion)] = '\0';
    char scratch[512];
    snprintf(scratch, sizeof(scratch), "%s version %d.%d %s (Build %d)%s", szName, (int)dwMajor,
             (int)dwMinor, csd, (int)vi->dwBuildNumber, dwTerminalServices ? " (TS)" : "");
    UtilCopyCut(szDescription, sizeof(szDescription), scratch);
    return;
  }
  if (name) {
    UtilCopyCut(szName, sizeof(szName), name);
    UtilCopyCut(szDescription, sizeof(szDescription), name);
  }
}

DWORD TOSVersion::DetectTerminalServices() {
  dwTerminalServices = dwOSCode <= 4 ? 0 : (GetSystemMetrics(SM_REMOTESESSION) ? 1 : 0);
  return dwTerminalServices;
}

// ---- TMyCursor ------------------------------------------------------------------------------

TMyCursor::TMyCursor() {
  hWait = LoadCursor(NULL, IDC_WAIT);
  hPrevious = SetCursor(hWait);
}

TMyCursor::~TMyCursor() { SetCursor(hPrevious); }

// ---- shell folders --------------------------------------------------------------------------

char *GetSpecialFolderPath(int csidl) {
  static char szPath[MAX_PATH];
  UtilCopyCut(szPath, sizeof(szPath), "c:");
  LPITEMIDLIST pidl = NULL;
  if (SHGetSpecialFolderLocation(NULL, csidl, &pidl) != S_OK || !pidl) return szPath;
  char path[MAX_PATH] = "";
  if (SHGetPathFromIDListA(pidl, path)) {
    path[MAX_PATH - 1] = '\0';
    UtilCopyCut(szPath, sizeof(szPath), path);
  }
  IMalloc *alloc = NULL;
  if (SUCCEEDED(SHGetMalloc(&alloc)) && alloc) {
    alloc->Free(pidl);
    alloc->Release();
  }
  return szPath;
}
