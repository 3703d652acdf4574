#pragma once
// Progress and interrupt callbacks. A long decode reports how far it has come and
// asks, between units of work, whether it should stop.
#include <cstdint>
#include <memory>

namespace Corvane {

class CV_ProcessCallbacks {
  public:
    virtual ~CV_ProcessCallbacks() = default;
    // Progress as a fraction from 0 to 1.
    virtual void progress(float fraction) = 0;
    // True when the running operation should stop.
    virtual bool isInterrupted() = 0;
};

using InterruptFunction = std::int32_t (*)();
using ProgressFunction = void (*)(float);

// Forwards both callbacks to plain functions that a caller may install; with none
// installed progress goes nowhere and nothing is ever interrupted.
class CV_DefaultCallbacks : public CV_ProcessCallbacks {
  public:
    void setInterruptFunction(InterruptFunction function) { interrupt_ = function; }
    void setProgressFunction(ProgressFunction function) { progress_ = function; }

    void progress(float fraction) override {
        if (progress_) progress_(fraction);
    }
    bool isInterrupted() override { return interrupt_ && interrupt_() != 0; }

  private:
    InterruptFunction interrupt_ = nullptr;
    ProgressFunction progress_ = nullptr;
};

// What image stages and decoders hold: the active callbacks and their own default
// object. Setting a function goes to the default object and makes it active again.
class CallbackHolder {
  public:
    CallbackHolder() : defaults_(std::make_shared<CV_DefaultCallbacks>()), active_(defaults_) {}

    void setInterruptFunction(InterruptFunction function) {
        defaults_->setInterruptFunction(function);
        active_ = defaults_;
    }
    void setProgressFunction(ProgressFunction function) {
        defaults_->setProgressFunction(function);
        active_ = defaults_;
    }
    void setCallbacks(std::shared_ptr<CV_ProcessCallbacks> callbacks) {
        active_ = std::move(callbacks);
    }
    const std::shared_ptr<CV_ProcessCallbacks>& callbacks() const { return active_; }

  private:
    std::shared_ptr<CV_DefaultCallbacks> defaults_;
    std::shared_ptr<CV_ProcessCallbacks> active_;
};

}  // namespace Corvane
