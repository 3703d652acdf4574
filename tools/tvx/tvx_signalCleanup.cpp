#include "tvx_signalCleanup.h"

#include <unistd.h>

#include <atomic>
#include <climits>
#include <cstring>
#include <mutex>

namespace tvx {

namespace {

constexpr int kTerminatingSignals[] = {SIGINT, SIGTERM, SIGHUP};

// A slot is free, being filled (the handler must not read its path yet) or armed.
enum SlotState : int { Free = 0, Filling = 1, Armed = 2 };

struct Slot {
    std::atomic<int> state{Free};
    char path[PATH_MAX];
};
static_assert(std::atomic<int>::is_always_lock_free, "the handler needs lock-free flags");

// A decode holds its output and perhaps a world file; encodes hold one file.
constexpr int kSlotCount = 8;
Slot slots[kSlotCount];

// Only async-signal-safe calls: unlink, sigaction, raise.
extern "C" void removeArmedFilesAndRaise(int signal) {
    for (Slot& slot : slots)
        if (slot.state.load() == Armed) ::unlink(slot.path);
    struct sigaction defaultAction {};
    defaultAction.sa_handler = SIG_DFL;
    sigemptyset(&defaultAction.sa_mask);
    ::sigaction(signal, &defaultAction, nullptr);
    // The signal stays blocked until the handler returns; then the default action
    // ends the process as if no handler had been installed.
    ::raise(signal);
}

void installHandlers() {
    for (const int signal : kTerminatingSignals) {
        struct sigaction previous {};
        ::sigaction(signal, nullptr, &previous);
        // A signal the caller chose to ignore (nohup) stays ignored.
        if (previous.sa_handler == SIG_IGN) continue;
        struct sigaction action {};
        action.sa_handler = removeArmedFilesAndRaise;
        sigemptyset(&action.sa_mask);
        for (const int other : kTerminatingSignals) sigaddset(&action.sa_mask, other);
        ::sigaction(signal, &action, nullptr);
    }
}

}  // namespace

void SignalCleanup::arm(const std::string& path) {
    disarm();
    static std::once_flag installed;
    std::call_once(installed, installHandlers);
    if (path.size() >= PATH_MAX) return;
    for (int i = 0; i < kSlotCount; ++i) {
        int expected = Free;
        if (!slots[i].state.compare_exchange_strong(expected, Filling)) continue;
        std::memcpy(slots[i].path, path.c_str(), path.size() + 1);
        slots[i].state.store(Armed);
        slot_ = i;
        return;
    }
}

void SignalCleanup::disarm() {
    if (slot_ < 0) return;
    slots[slot_].state.store(Free);
    slot_ = -1;
}

TerminatingSignalsBlocked::TerminatingSignalsBlocked() {
    sigset_t blocked;
    sigemptyset(&blocked);
    for (const int signal : kTerminatingSignals) sigaddset(&blocked, signal);
    ::pthread_sigmask(SIG_BLOCK, &blocked, &saved_);
}

TerminatingSignalsBlocked::~TerminatingSignalsBlocked() {
    ::pthread_sigmask(SIG_SETMASK, &saved_, nullptr);
}

}  // namespace tvx
