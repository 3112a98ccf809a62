// Each mode commits one fault the hardened build must stop; "survived" means it was not stopped.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

int main(int argc, char** argv) {
  if (argc < 3) return 2;
  int mode = atoi(argv[1]);
  const char* arg = argv[2];
  if (mode == 1) {  // signed overflow: UBSan in trap mode
    int x = atoi(arg);
    x += 0x7fffffff;
    printf("%d\n", x);
  } else if (mode == 2) {  // overrun through a libc call: _FORTIFY_SOURCE
    char b[8];
    strcpy(b, arg);
    printf("%s\n", b);
  } else if (mode == 3) {  // out-of-range index: libstdc++ assertions
    std::vector<int> v(2);
    printf("%d\n", v[atoi(arg)]);
  } else if (mode == 4) {  // stack smash: stack protector
    char b[8];
    memcpy(b, arg, strlen(arg));
    printf("%c\n", b[0]);
  }
  puts("survived");
  return 0;
}
