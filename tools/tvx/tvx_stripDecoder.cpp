#include "tvx_stripDecoder.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "image/cv_pixelBuffer.h"
#include "image/cv_scene.h"
#include "image/cv_tovexNavigator.h"
#include "image/cv_tvxFileImageReader.h"
#include "support/cv_callbacks.h"

namespace tvx {

namespace {

struct DecodedStrip {
    std::vector<std::uint8_t> samples;
    std::size_t stride = 0;
    std::uint32_t rows = 0;
};

// Keeps a worker's share of the library's progress reports: the fraction of the
// strip it is decoding now.
class StripProgress : public Corvane::CV_ProcessCallbacks {
  public:
    explicit StripProgress(std::atomic<bool>& stop) : stop_(stop) {}
    void progress(float fraction) override { fraction_.store(fraction); }
    bool isInterrupted() override { return stop_.load(); }
    float fraction() const { return fraction_.load(); }
    void reset() { fraction_.store(0.0f); }

  private:
    std::atomic<bool>& stop_;
    std::atomic<float> fraction_{0.0f};
};

class StripScheduler {
  public:
    StripScheduler(const StripRequest& request)
        : request_(request),
          stripCount_(static_cast<std::uint32_t>((request.height + request.stripHeight - 1) /
                                                 request.stripHeight)),
          // Workers may run this far ahead of the writer.
          window_(std::max<std::uint32_t>(2, 2 * request.threads)) {}

    std::uint32_t stripCount() const { return stripCount_; }

    void run(const StripSink& sink, const ProgressSink& progress) {
        const unsigned workerCount =
            std::max(1u, std::min<unsigned>(request_.threads, stripCount_));
        std::vector<std::unique_ptr<StripProgress>> partial;
        for (unsigned i = 0; i < workerCount; ++i)
            partial.push_back(std::make_unique<StripProgress>(stop_));
        std::vector<std::thread> workers;
        for (unsigned i = 0; i < workerCount; ++i)
            workers.emplace_back([this, &partial, i] { work(*partial[i]); });

        std::exception_ptr failure;
        try {
            for (std::uint32_t next = 0; next < stripCount_; ++next) {
                DecodedStrip strip = waitFor(next, partial, progress);
                sink(strip.samples.data(), strip.stride, strip.rows);
                {
                    std::lock_guard<std::mutex> lock(mutex_);
                    written_ = next + 1;
                }
                changed_.notify_all();
            }
        } catch (...) {
            failure = std::current_exception();
        }
        stop_.store(true);
        changed_.notify_all();
        for (std::thread& worker : workers) worker.join();
        if (failure) std::rethrow_exception(failure);
    }

  private:
    DecodedStrip waitFor(std::uint32_t index,
                         const std::vector<std::unique_ptr<StripProgress>>& partial,
                         const ProgressSink& progress) {
        std::unique_lock<std::mutex> lock(mutex_);
        for (;;) {
            if (workerFailure_) std::rethrow_exception(workerFailure_);
            const auto found = done_.find(index);
            if (found != done_.end()) {
                DecodedStrip strip = std::move(found->second);
                done_.erase(found);
                if (progress) progress(static_cast<double>(index + 1) / stripCount_);
                return strip;
            }
            if (progress) {
                double share = static_cast<double>(done_.size() + index);
                for (const auto& p : partial) share += p->fraction();
                progress(std::min(share / stripCount_, 1.0));
            }
            changed_.wait_for(lock, std::chrono::milliseconds(100));
        }
    }

    void work(StripProgress& callbacks) {
        try {
            Corvane::TvxFileImageReader reader(Corvane::FileSpecification(request_.path), 0);
            const auto x0 = static_cast<std::int32_t>(request_.x);
            const auto width = static_cast<std::int32_t>(request_.width);
            Corvane::TovexNavigator navigator(reader, request_.level,
                                              Corvane::Scene(x0, 0, 0, x0 + width - 1, 0, 0));
            navigator.setCallbacks(std::shared_ptr<Corvane::CV_ProcessCallbacks>(
                &callbacks, [](Corvane::CV_ProcessCallbacks*) {}));
            for (;;) {
                std::uint32_t index;
                {
                    std::unique_lock<std::mutex> lock(mutex_);
                    changed_.wait(lock, [&] {
                        return stop_.load() || taken_ >= stripCount_ || taken_ < written_ + window_;
                    });
                    if (stop_.load() || taken_ >= stripCount_) return;
                    index = taken_++;
                }
                callbacks.reset();
                DecodedStrip strip = decode(navigator, index);
                {
                    std::lock_guard<std::mutex> lock(mutex_);
                    done_.emplace(index, std::move(strip));
                }
                changed_.notify_all();
            }
        } catch (...) {
            {
                std::lock_guard<std::mutex> lock(mutex_);
                if (!workerFailure_) workerFailure_ = std::current_exception();
            }
            stop_.store(true);
            changed_.notify_all();
        }
    }

    DecodedStrip decode(Corvane::TovexNavigator& navigator, std::uint32_t index) {
        const std::int64_t top = request_.y + std::int64_t{index} * request_.stripHeight;
        const auto rows = static_cast<std::uint32_t>(
            std::min<std::int64_t>(request_.stripHeight, request_.y + request_.height - top));
        navigator.setSceneSize(static_cast<std::int32_t>(request_.width),
                               static_cast<std::int32_t>(rows), Corvane::AnchorUpperLeft);
        navigator.moveScene(static_cast<std::int32_t>(request_.x), static_cast<std::int32_t>(top),
                            Corvane::AnchorUpperLeft);
        Corvane::PixelBuffer buffer(request_.layout);
        navigator.decode(buffer);
        DecodedStrip strip;
        strip.stride = buffer.rowStride();
        strip.rows = rows;
        strip.samples.assign(buffer.memory(), buffer.memory() + buffer.totalSize());
        return strip;
    }

    const StripRequest& request_;
    const std::uint32_t stripCount_;
    const std::uint32_t window_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::atomic<bool> stop_{false};
    std::uint32_t taken_ = 0;
    std::uint32_t written_ = 0;
    std::map<std::uint32_t, DecodedStrip> done_;
    std::exception_ptr workerFailure_;
};

}  // namespace

void decodeStrips(const StripRequest& request, const StripSink& sink,
                  const ProgressSink& progress) {
    if (request.width <= 0 || request.height <= 0 || request.stripHeight == 0) return;
    StripScheduler scheduler(request);
    scheduler.run(sink, progress);
}

}  // namespace tvx
