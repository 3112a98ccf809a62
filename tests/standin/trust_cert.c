/* trust_cert.exe CERT.der: adds the stand-in's certificate of this run to the Root store of the prefix. */
#include <windows.h>
#include <wincrypt.h>
#include <stdio.h>

int main(int argc, char** argv) {
  if (argc < 2) return 1;
  FILE* f = fopen(argv[1], "rb");
  if (!f) {
    fprintf(stderr, "cannot open %s\n", argv[1]);
    return 2;
  }
  static BYTE der[16384];
  DWORD n = (DWORD)fread(der, 1, sizeof der, f);
  fclose(f);
  if (!CertAddEncodedCertificateToSystemStoreA("Root", der, n)) {
    fprintf(stderr, "CertAddEncodedCertificateToSystemStoreA failed %lu\n", GetLastError());
    return 3;
  }
  printf("trusted %lu-byte certificate\n", n);
  return 0;
}
