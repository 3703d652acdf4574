#pragma once
// The forward 9/7 analysis of a plane that arrives row by row: the mirror of the
// decoder's line-based synthesis. Each row is split across its columns as it comes;
// down the columns the four lifting steps run as a wavefront over a window of eight
// rows, so a subband row leaves as soon as the rows below it that it depends on have
// arrived. Every coefficient is computed by the same single-precision operations as
// the whole-plane analyse97, so both give the same bits, with memory proportional to
// the plane's width.
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

namespace Corvane {

// Where the rows of the subbands go, each subband's rows in order from the top.
class TG2SubbandRowSink {
  public:
    virtual ~TG2SubbandRowSink() = default;
    // Row `row` of subband `subband` (index order of the stream) of band `band`.
    virtual void takeRow(std::uint32_t subband, std::uint32_t band, std::uint32_t row,
                         const float* samples) = 0;
};

// One level: rows of a width x height plane in, rows of its four subbands out.
class TG2LevelAnalyser {
  public:
    TG2LevelAnalyser(std::uint32_t width, std::uint32_t height);

    // A row of the two low-pass (rows[0]) or the two high-pass (rows[1]) subbands:
    // `lowColumns` holds (width + 1) / 2 samples, `highColumns` width / 2.
    struct Output {
        int rowKind;  // 0 low-pass down the columns, 1 high-pass
        std::uint32_t row;
        const float* lowColumns;
        const float* highColumns;
    };
    // Takes the plane's next row (width samples; changed in place) and returns the
    // subband rows it completes, valid until the next call.
    const std::vector<Output>& push(float* row);

  private:
    static constexpr std::uint32_t kWindow = 8;

    float* slot(std::uint32_t row) { return window_[row % kWindow].data(); }
    std::uint32_t mirror(std::int64_t row) const;
    void advance();
    void emit(std::uint32_t row);

    std::uint32_t width_;
    std::uint32_t height_;
    std::uint32_t lowWidth_;
    std::uint32_t received_ = 0;
    // The first row of each lifting step's parity that the step has not yet reached.
    std::array<std::uint32_t, 4> next_{1, 0, 1, 0};
    std::array<std::vector<float>, kWindow> window_;
    std::vector<Output> out_;
};

// Every level of one band: the low-low rows of each level feed the next.
class TG2RowAnalysis {
  public:
    TG2RowAnalysis(std::uint32_t width, std::uint32_t height, std::uint32_t levels,
                   std::uint32_t band, TG2SubbandRowSink& sink);
    ~TG2RowAnalysis();

    // The image's next row (width samples; changed in place).
    void push(float* row);

  private:
    void pushAt(std::uint32_t level, float* row);

    std::uint32_t levels_;
    std::uint32_t band_;
    TG2SubbandRowSink& sink_;
    std::uint32_t rowsOut_ = 0;  // rows of the coarsest low-low band so far
    std::vector<std::unique_ptr<TG2LevelAnalyser>> analysers_;  // finest first
    std::vector<std::vector<float>> lowLow_;                    // a row per level
};

}  // namespace Corvane
