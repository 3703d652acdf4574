#include "platform/cv_sync.h"

#include <windows.h>

#include "support/cv_exception.h"

namespace Corvane {

struct CVMutex::State {
    HANDLE handle = nullptr;
};

CVMutex::CVMutex() : state_(std::make_unique<State>()) {
    state_->handle = CreateMutexA(nullptr, FALSE, nullptr);
    if (!state_->handle) throw Exception("Could not create mutex");
}

CVMutex::~CVMutex() {
    if (state_->handle) CloseHandle(state_->handle);
    state_->handle = nullptr;
}

void CVMutex::lock() {
    if (!state_->handle || WaitForSingleObject(state_->handle, INFINITE) != WAIT_OBJECT_0)
        throw Exception("Could not lock mutex");
}

void CVMutex::unlock() {
    // The system refuses to release a mutex that this thread does not own.
    if (!state_->handle || !ReleaseMutex(state_->handle)) throw Exception("Could not unlock mutex");
}

struct CVCriticalSection::State {
    CRITICAL_SECTION section;
};

CVCriticalSection::CVCriticalSection() : state_(std::make_unique<State>()) {
    InitializeCriticalSection(&state_->section);
}

CVCriticalSection::~CVCriticalSection() {
    DeleteCriticalSection(&state_->section);
}

void CVCriticalSection::enter() {
    EnterCriticalSection(&state_->section);
}

void CVCriticalSection::leave() {
    LeaveCriticalSection(&state_->section);
}

struct CVThread::State {
    HANDLE handle = nullptr;
    std::uint32_t (*function)(void*) = nullptr;
    void* argument = nullptr;

    static DWORD WINAPI run(LPVOID self) {
        auto* state = static_cast<State*>(self);
        return state->function(state->argument);
    }
};

CVThread::CVThread() : state_(std::make_unique<State>()) {}

CVThread::~CVThread() {
    join();
    if (state_->handle) CloseHandle(state_->handle);
}

void CVThread::start(std::uint32_t (*function)(void*), void* argument) {
    join();
    if (state_->handle) CloseHandle(state_->handle);
    state_->function = function;
    state_->argument = argument;
    state_->handle = CreateThread(nullptr, 0, &State::run, state_.get(), 0, nullptr);
    if (!state_->handle) throw Exception("Could not create thread");
}

// A thread that has not finished reports STILL_ACTIVE, which is kStillActive.
std::uint32_t CVThread::exitCode() const {
    DWORD code = 0;
    if (!state_->handle || !GetExitCodeThread(state_->handle, &code)) return 0;
    return code;
}

void CVThread::join() {
    if (state_->handle) WaitForSingleObject(state_->handle, INFINITE);
}

void sleepMilliseconds(std::uint32_t milliseconds) {
    Sleep(milliseconds);
}

std::int32_t CVInterlockedCounter::increment() {
    return InterlockedIncrement(&value_);
}

std::int32_t CVInterlockedCounter::decrement() {
    return InterlockedDecrement(&value_);
}

std::int32_t CVInterlockedCounter::value() const {
    return value_;
}

}  // namespace Corvane
