#pragma once
// A one-line progress bar on standard error, redrawn in place. It draws only when
// standard error is a terminal and the user did not ask for quiet.
#include <string>

namespace tvx {

class ProgressBar {
  public:
    ProgressBar(std::string label, bool quiet);
    ~ProgressBar();
    ProgressBar(const ProgressBar&) = delete;
    ProgressBar& operator=(const ProgressBar&) = delete;

    bool enabled() const { return enabled_; }
    // Fraction from 0 to 1; redraws only when the shown percentage changes.
    void update(double fraction);
    // Draws 100 % and ends the line.
    void finish();

  private:
    std::string label_;
    bool enabled_;
    int shownPercent_ = -1;
    bool open_ = false;
};

}  // namespace tvx
