#pragma once
// What both programs need of their own process: starting another program by its exact path, one
// copy per session (a named mutex), and ending at once.
// Invariants:
//   1. A program is started by its exact path, never searched for along its command line (with a
//      null application name CreateProcessW tries shorter prefixes of a path with blanks).
//   2. A single-instance mutex, once created, is held until the process ends.

#include <windows.h>

#include <string>
#include <string_view>

#include "common/services.h"
#include "win/unique_handle.h"

// The session-local names of the two programs' single-instance mutexes. The updater also waits for
// Kestrin's to disappear.
constexpr wchar_t kKestrinMutexName[] = L"Local\\Kestrin.QQ_form.SingleInstance";
constexpr wchar_t kUpdaterMutexName[] = L"Local\\Kestrin.up_form.SingleInstance";

// Starts `application` (empty: the first word of the command line) with `commandLine`, shown as
// `showCommand`, without waiting; the handles are closed at once. False when it cannot be started.
bool StartProgram(std::wstring_view application, std::wstring_view commandLine, int showCommand);

// A named mutex in the session's namespace, held until the program ends.
class MutexInstanceGuard : public InstanceGuard {
  public:
    explicit MutexInstanceGuard(std::wstring name) : name_(std::move(name)) {}
    bool AnotherCopyRunning() override;

  private:
    std::wstring name_;
    UniqueKernel mutex_;  // owned
};

class ProcessEnd : public ProgramEnd {
  public:
    void EndProgram(int exitCode) override;
};
