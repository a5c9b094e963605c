// Under Wine: starts a station of tormisaplex-upload.exe, kills it the hard way once its unit
// is writing, and leaves the verdict to the simulator: a unit that outlived its station would
// go on writing and never close the port.
//   twin-station-killer <tormisaplex-upload.exe> <station arguments...>
#include <windows.h>

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
  if (argc < 3) return 2;
  std::string commandLine = std::string("\"") + argv[1] + "\"";
  for (int i = 2; i < argc; ++i) commandLine += std::string(" ") + argv[i];
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE readEnd = nullptr;
  HANDLE writeEnd = nullptr;
  if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) return 2;
  SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = writeEnd;
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION station{};
  if (!CreateProcessA(argv[1], commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                      &startup, &station)) {
    std::fprintf(stderr, "twin-station-killer: cannot start %s\n", argv[1]);
    return 2;
  }
  CloseHandle(writeEnd);
  std::string seen;
  char chunk[4096];
  DWORD n = 0;
  // Progress past block 3 means the unit is writing.
  while (seen.find("\"blocks\":4,") == std::string::npos) {
    if (!ReadFile(readEnd, chunk, sizeof chunk, &n, nullptr) || n == 0) {
      std::fprintf(stderr, "twin-station-killer: the station ended first:\n%s\n", seen.c_str());
      return 1;
    }
    seen.append(chunk, n);
  }
  TerminateProcess(station.hProcess, 9);
  WaitForSingleObject(station.hProcess, INFINITE);
  std::printf("station killed while its unit was writing\n");
  return 0;
}
