// The store tests' set-up (a fresh folder with database, settings and log; a hidden list) serves the
// shell's tests too.
#include "tests/store/test_support.cpp"
