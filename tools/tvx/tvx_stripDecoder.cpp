#include "tvx_stripDecoder.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <exception>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "image/cv_pixelBuffer.h"
#include "image/cv_scene.h"
#include "image/cv_tovexNavigator.h"
#include "reader/cv_tvxFileImageReader.h"
#include "support/cv_allocationLimit.h"
#include "support/cv_callbacks.h"
#include "tg3/decoder/tg3_imageStage.h"
#include "tg3/engine/tg3_subblockExchange.h"

namespace tvx {

namespace {

// Pixels of one strip at most, unless a single row is wider: 256 rows of 16384.
constexpr std::uint64_t kStripPixels = std::uint64_t{1} << 22;

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

// The columns one worker decodes.
struct ColumnRange {
    std::int64_t x = 0;
    std::int64_t width = 0;
};

// Splits the window's width between the workers at multiples of 64 pixels, so
// that few sub-blocks straddle two workers; narrow windows get fewer workers.
std::vector<ColumnRange> splitColumns(std::int64_t x, std::int64_t width, unsigned threads) {
    constexpr std::int64_t kGrain = 64;
    const std::int64_t most = std::max<std::int64_t>(1, width / kGrain);
    const auto count = static_cast<std::int64_t>(std::min<std::int64_t>(threads, most));
    std::vector<ColumnRange> ranges;
    std::int64_t start = 0;
    for (std::int64_t i = 0; i < count; ++i) {
        std::int64_t end = i + 1 == count ? width : (width * (i + 1) / count) / kGrain * kGrain;
        end = std::max(end, start + 1);
        ranges.push_back({x + start, end - start});
        start = end;
    }
    return ranges;
}

// Each worker decodes its own columns of every strip, top to bottom, through one
// reader and navigator: consecutive scenes of the same columns let the library
// carry its decoding state from one strip to the next, so no part of the image is
// decoded twice. The caller's thread joins the workers' pieces of each strip and
// hands it on; workers run at most a few strips ahead of it.
class StripScheduler {
  public:
    StripScheduler(const StripRequest& request)
        : request_(request),
          stripCount_(static_cast<std::uint32_t>((request.area.height() + request.stripHeight - 1) /
                                                 request.stripHeight)),
          window_(2),
          ranges_(
              splitColumns(request.area.x0, request.area.width(), std::max(1u, request.threads))),
          pieces_(ranges_.size()) {}

    void run(const StripSink& sink, const ProgressSink& progress) {
        std::vector<std::unique_ptr<StripProgress>> partial;
        for (std::size_t i = 0; i < ranges_.size(); ++i)
            partial.push_back(std::make_unique<StripProgress>(stop_));
        std::vector<std::thread> workers;
        for (std::size_t i = 0; i < ranges_.size(); ++i)
            workers.emplace_back([this, &partial, i] { work(i, *partial[i]); });

        std::exception_ptr failure;
        try {
            const std::size_t pixelBytes =
                std::size_t{request_.layout.samplesPerPixel()} * request_.layout.bytesPerSample();
            const std::size_t stride = static_cast<std::size_t>(request_.area.width()) * pixelBytes;
            std::vector<std::uint8_t> joined;
            for (std::uint32_t next = 0; next < stripCount_; ++next) {
                std::vector<DecodedStrip> pieces = waitFor(next, partial, progress);
                const std::uint32_t rows = pieces.front().rows;
                joined.resize(stride * rows);
                for (std::size_t i = 0; i < pieces.size(); ++i) {
                    const std::size_t offset =
                        static_cast<std::size_t>(ranges_[i].x - request_.area.x0) * pixelBytes;
                    const std::size_t bytes =
                        static_cast<std::size_t>(ranges_[i].width) * pixelBytes;
                    for (std::uint32_t r = 0; r < rows; ++r)
                        std::memcpy(joined.data() + r * stride + offset,
                                    pieces[i].samples.data() + r * pieces[i].stride, bytes);
                }
                sink(joined.data(), stride, rows);
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
    // Every worker's piece of strip `index`.
    std::vector<DecodedStrip> waitFor(std::uint32_t index,
                                      const std::vector<std::unique_ptr<StripProgress>>& partial,
                                      const ProgressSink& progress) {
        std::unique_lock<std::mutex> lock(mutex_);
        for (;;) {
            if (workerFailure_) std::rethrow_exception(workerFailure_);
            const bool ready = std::all_of(pieces_.begin(), pieces_.end(), [&](const auto& done) {
                return done.count(index) != 0;
            });
            if (ready) {
                std::vector<DecodedStrip> strips;
                for (auto& done : pieces_) {
                    const auto found = done.find(index);
                    strips.push_back(std::move(found->second));
                    done.erase(found);
                }
                if (progress) progress(static_cast<double>(index + 1) / stripCount_);
                return strips;
            }
            if (progress) {
                double share = 0;
                for (std::size_t i = 0; i < pieces_.size(); ++i)
                    share += static_cast<double>(pieces_[i].size()) + partial[i]->fraction();
                share = share / static_cast<double>(pieces_.size()) + index;
                progress(std::min(share / stripCount_, 1.0));
            }
            changed_.wait_for(lock, std::chrono::milliseconds(100));
        }
    }

    void work(std::size_t worker, StripProgress& callbacks) {
        try {
            const ColumnRange& columns = ranges_[worker];
            Corvane::TvxFileImageReader reader(Corvane::FileSpecification(request_.path), 0);
            const auto x0 = static_cast<std::int32_t>(columns.x);
            const auto width = static_cast<std::int32_t>(columns.width);
            Corvane::TovexNavigator navigator(reader, request_.level,
                                              Corvane::Scene(x0, 0, 0, x0 + width - 1, 0, 0));
            // Neighbouring workers hand each other the sub-blocks their common edge cuts.
            auto* tg3 = dynamic_cast<Corvane::TG3ImageStage*>(&reader.activeStage());
            if (tg3 != nullptr && tg3->mosaic() == nullptr && ranges_.size() > 1)
                tg3->shareSubblocks(exchange_);
            navigator.setCallbacks(std::shared_ptr<Corvane::CV_ProcessCallbacks>(
                &callbacks, [](Corvane::CV_ProcessCallbacks*) {}));
            for (std::uint32_t index = 0; index < stripCount_; ++index) {
                {
                    std::unique_lock<std::mutex> lock(mutex_);
                    changed_.wait(lock, [&] { return stop_.load() || index < written_ + window_; });
                    if (stop_.load()) return;
                }
                callbacks.reset();
                DecodedStrip strip = decode(navigator, columns, index);
                {
                    std::lock_guard<std::mutex> lock(mutex_);
                    pieces_[worker].emplace(index, std::move(strip));
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

    DecodedStrip decode(Corvane::TovexNavigator& navigator, const ColumnRange& columns,
                        std::uint32_t index) {
        const std::int64_t top = request_.area.y0 + std::int64_t{index} * request_.stripHeight;
        const auto rows = static_cast<std::uint32_t>(
            std::min<std::int64_t>(request_.stripHeight, request_.area.y1 + 1 - top));
        navigator.setSceneSize(static_cast<std::int32_t>(columns.width),
                               static_cast<std::int32_t>(rows), Corvane::AnchorUpperLeft);
        navigator.moveScene(static_cast<std::int32_t>(columns.x), static_cast<std::int32_t>(top),
                            Corvane::AnchorUpperLeft);
        Corvane::PixelBuffer buffer(request_.layout);
        // Pixels no image covers (between the images of a mosaic) take the background.
        buffer.setBackground(navigator.stage().backgroundPixel());
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
    const std::vector<ColumnRange> ranges_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::atomic<bool> stop_{false};
    std::uint32_t written_ = 0;
    std::vector<std::map<std::uint32_t, DecodedStrip>> pieces_;  // per worker, by strip
    const std::shared_ptr<Corvane::SubblockExchange> exchange_ =
        std::make_shared<Corvane::SubblockExchange>();
    std::exception_ptr workerFailure_;
};

}  // namespace

void decodeStrips(const StripRequest& request, const StripSink& sink,
                  const ProgressSink& progress) {
    if (request.area.empty() || request.stripHeight == 0) return;
    // The strip's buffers and the library's planes for it grow with its width times
    // its rows: a wide window is decoded in fewer rows at a time, so that a strip
    // stays near kStripPixels, and a window whose single row passes the cap on one
    // allocation is refused.
    const std::uint64_t rowBytes = static_cast<std::uint64_t>(request.area.width()) *
                                   request.layout.samplesPerPixel() *
                                   request.layout.bytesPerSample();
    Corvane::requireAllocation(rowBytes, 1);
    StripRequest fitted = request;
    fitted.stripHeight = static_cast<std::uint32_t>(std::clamp<std::uint64_t>(
        kStripPixels / static_cast<std::uint64_t>(request.area.width()), 1, request.stripHeight));
    StripScheduler scheduler(fitted);
    scheduler.run(sink, progress);
}

}  // namespace tvx
