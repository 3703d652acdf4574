#pragma once
// How an encoder reports how far it has come: each stage owns a share of the whole,
// reports fractions of its share, and asks between units of work whether to stop.
#include "support/cv_callbacks.h"
#include "support/cv_exception.h"

namespace Corvane {

class EncodeProgress {
  public:
    explicit EncodeProgress(CV_ProcessCallbacks* callbacks) : callbacks_(callbacks) {}

    // The next stage spans [first, first + span) of the whole.
    void beginStage(double first, double span) {
        first_ = first;
        span_ = span;
        report(0.0);
    }
    // Reports `fraction` of the current stage; throws Interrupt when asked to stop.
    void report(double fraction) {
        if (!callbacks_) return;
        callbacks_->progress(static_cast<float>(first_ + span_ * fraction));
        if (callbacks_->isInterrupted()) throw Interrupt();
    }

  private:
    CV_ProcessCallbacks* callbacks_;
    double first_ = 0.0;
    double span_ = 1.0;
};

}  // namespace Corvane
