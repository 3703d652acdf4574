#include "tvx_progressBar.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>

namespace tvx {

namespace {
constexpr int kBarWidth = 40;
}  // namespace

ProgressBar::ProgressBar(std::string label, bool quiet)
    : label_(std::move(label)), enabled_(!quiet && ::isatty(STDERR_FILENO) == 1) {}

ProgressBar::~ProgressBar() {
    // A bar cut short by an error still gets its line ended, so the message that
    // follows starts on a line of its own.
    if (open_) std::fputc('\n', stderr);
}

void ProgressBar::update(double fraction) {
    if (!enabled_) return;
    const int percent = static_cast<int>(std::clamp(fraction, 0.0, 1.0) * 100.0);
    if (percent == shownPercent_) return;
    shownPercent_ = percent;
    const int filled = percent * kBarWidth / 100;
    std::string bar(static_cast<std::size_t>(filled), '#');
    bar.resize(kBarWidth, '.');
    std::fprintf(stderr, "\r%s [%s] %3d%%", label_.c_str(), bar.c_str(), percent);
    std::fflush(stderr);
    open_ = true;
}

void ProgressBar::finish() {
    if (!enabled_) return;
    update(1.0);
    std::fputc('\n', stderr);
    open_ = false;
}

}  // namespace tvx
