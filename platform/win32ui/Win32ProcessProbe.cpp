#include "Win32ProcessProbe.h"

#include <windows.h>
#include <tlhelp32.h>

bool Win32ProcessProbe::isRunning(const std::string& executableName) {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return false;
  PROCESSENTRY32 entry{};
  entry.dwSize = sizeof entry;
  bool found = false;
  for (BOOL more = Process32First(snapshot, &entry); more && !found;
       more = Process32Next(snapshot, &entry))
    found = lstrcmpiA(entry.szExeFile, executableName.c_str()) == 0;
  CloseHandle(snapshot);
  return found;
}
