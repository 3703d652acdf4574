#pragma once
// Temporary files that an interrupt must not leave behind. SIGINT, SIGTERM and SIGHUP
// normally end the process without unwinding, so destructors never run; the handler
// installed here removes every armed path and then lets the signal end the process
// with its usual status (128 + the signal number in a shell).
#include <signal.h>

#include <string>

namespace tvx {

// The path of a file that must be removed if a terminating signal arrives. The
// handler only reads a fixed buffer, so arming and disarming are safe at any time.
class SignalCleanup {
  public:
    SignalCleanup() = default;
    SignalCleanup(const SignalCleanup&) = delete;
    SignalCleanup& operator=(const SignalCleanup&) = delete;
    ~SignalCleanup() { disarm(); }

    // Installs the handlers on first use and records the path. A path too long for
    // the buffer, or more armed paths than there are slots, stays unprotected.
    void arm(const std::string& path);
    // Forgets the path; call after the file is removed or renamed into place.
    void disarm();

  private:
    int slot_ = -1;
};

// Blocks the terminating signals in the calling thread for its lifetime, so that a
// file created inside the scope is armed before a signal can act.
class TerminatingSignalsBlocked {
  public:
    TerminatingSignalsBlocked();
    TerminatingSignalsBlocked(const TerminatingSignalsBlocked&) = delete;
    TerminatingSignalsBlocked& operator=(const TerminatingSignalsBlocked&) = delete;
    ~TerminatingSignalsBlocked();

  private:
    sigset_t saved_;
};

}  // namespace tvx
