// Browser launches captured: the prefix's handlers for http, https and mailto addresses and for ".htm"
// files run url_recorder.exe (built beside the test program), which writes each command line it gets
// to a file.
#pragma once
#include <string>
#include <vector>

// Registers the recorder and points it at a new, empty record file of this process.
void StartUrlCapture();
// The recorded lines, sorted (launches may finish in any order), once there are at least count of
// them (waits at most about thirty seconds).
std::vector<std::string> CapturedUrls(size_t count);
// The full path of the recorder, quoted, as a registered command starts it.
std::string RecorderCommand();
