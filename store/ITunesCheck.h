#pragma once

#include <stdexcept>

#include "process/ProcessProbe.h"

// iTunes keeps its library open and rewrites it while it runs, so nothing swaps its files then.
inline const char* const kITunesExecutable = "iTunes.exe";
inline const char* const kITunesRunningMessage = "iTunes is running. Close iTunes, then try again.";

class ITunesRunning : public std::runtime_error {
public:
  ITunesRunning() : std::runtime_error(kITunesRunningMessage) {}
};

inline bool iTunesIsRunning(ProcessProbe* processes) {
  return processes && processes->isRunning(kITunesExecutable);
}

// Raises ITunesRunning when iTunes runs; the handler then ends with nothing changed.
inline void refuseWhileITunesRuns(ProcessProbe* processes) {
  if (iTunesIsRunning(processes)) throw ITunesRunning();
}
