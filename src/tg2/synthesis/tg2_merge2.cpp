#include "tg2/synthesis/tg2_merge2.h"

#include <vector>

#include "support/cv_exception.h"
#include "support/cv_messageCodes.h"
#include "support/cv_messages.h"
#include "tg2/synthesis/tg2_lifting97.h"
#include "tg2/synthesis/tg2_subband.h"

namespace Corvane {

namespace {

// One code per consistency check: the columns and the rows of each vertical
// pass, then the output of the horizontal pass.
constexpr std::int32_t kLowColumnsMissing = kMerge2Error1;
constexpr std::int32_t kLowRowsMissing = kMerge2Error2;
constexpr std::int32_t kHighColumnsMissing = kMerge2Error3;
constexpr std::int32_t kHighRowsMissing = kMerge2Error4;
constexpr std::int32_t kOutputOutsidePlane = kMerge2Error5;

[[noreturn]] void inconsistent(std::int32_t code) {
    throw Exception(code);
}

CoefficientLine columnOf(const Array2D& array, std::uint32_t band, std::int64_t column) {
    CoefficientLine line;
    line.range = IndexRange{array.firstRow(), array.firstRow() + array.height() - 1};
    if (line.range.empty()) return line;
    line.data = array.band(band) + (column - array.firstColumn());
    line.stride = static_cast<std::ptrdiff_t>(array.width());
    return line;
}

CoefficientLine rowOf(const Array2D& array, std::uint32_t band, std::int64_t row) {
    CoefficientLine line;
    line.range = IndexRange{array.firstColumn(), array.firstColumn() + array.width() - 1};
    if (line.range.empty()) return line;
    line.data = array.band(band) + (row - array.firstRow()) * array.width();
    return line;
}

bool holdsColumns(const Array2D& array, const IndexRange& columns, std::uint32_t bands) {
    return columns.empty() ||
           (array.bandCount() >= bands && array.containsColumns(columns.first, columns.last));
}

bool holdsRows(const Array2D& array, const IndexRange& rows) {
    return array.containsRows(rows.first, rows.last);
}

// Combines the low rows of `low` with the high rows of `high` over `columns`, a
// group of neighbouring columns at a time, into rows [firstRow, lastRow] of `half`.
void verticalPass(const Array2D& low, const Array2D& high, const IndexRange& columns,
                  std::uint32_t band, std::int64_t planeHeight, Array2D& half,
                  std::vector<float>& scratch) {
    constexpr std::int64_t kColumnsAtOnce = 64;
    const Region& area = half.area();
    for (std::int64_t c = columns.first; c <= columns.last; c += kColumnsAtOnce) {
        const auto count = static_cast<std::size_t>(std::min(kColumnsAtOnce, columns.last - c + 1));
        synthesiseLines97(columnOf(low, band, c), columnOf(high, band, c), count, planeHeight,
                          area.y0, area.y1, &half.at(0, c, area.y0),
                          static_cast<std::ptrdiff_t>(half.width()), scratch);
    }
}

}  // namespace

void merge2(const Array2D* const children[2][2], std::uint32_t width, std::uint32_t height,
            Array2D& out) {
    for (int c = 0; c < 2; ++c)
        for (int r = 0; r < 2; ++r)
            if (!children[c][r]) throw NullPointerException();
    const Region& area = out.area();
    if (area.empty() || out.bandCount() == 0) return;
    if (area.x0 < 0 || area.y0 < 0 || area.x1 >= std::int64_t{width} ||
        area.y1 >= std::int64_t{height})
        inconsistent(kOutputOutsidePlane);

    IndexRange lowColumns, highColumns, lowRows, highRows;
    synthesisNeeds(width, area.x0, area.x1, lowColumns, highColumns);
    synthesisNeeds(height, area.y0, area.y1, lowRows, highRows);
    const std::uint32_t bands = out.bandCount();

    const Array2D& lowLow = *children[0][0];
    const Array2D& lowHigh = *children[0][1];
    const Array2D& highLow = *children[1][0];
    const Array2D& highHigh = *children[1][1];
    // A child is read only when its rows are needed: a plane of one row has no
    // high-pass rows at all.
    const bool highRowsRead = !highRows.empty();
    if (!holdsColumns(lowLow, lowColumns, bands) ||
        (highRowsRead && !holdsColumns(lowHigh, lowColumns, bands)))
        inconsistent(kLowColumnsMissing);
    if (!lowColumns.empty() && (!holdsRows(lowLow, lowRows) || !holdsRows(lowHigh, highRows)))
        inconsistent(kLowRowsMissing);
    if (!holdsColumns(highLow, highColumns, bands) ||
        (highRowsRead && !holdsColumns(highHigh, highColumns, bands)))
        inconsistent(kHighColumnsMissing);
    if (!highColumns.empty() && (!holdsRows(highLow, lowRows) || !holdsRows(highHigh, highRows)))
        inconsistent(kHighRowsMissing);

    // The vertical passes write every sample of the two halves.
    Array2D lowHalf(Region{lowColumns.first, area.y0, lowColumns.last, area.y1}, 1,
                    Array2D::Overwritten{});
    Array2D highHalf(Region{highColumns.first, area.y0, highColumns.last, area.y1}, 1,
                     Array2D::Overwritten{});
    std::vector<float> scratch;
    for (std::uint32_t b = 0; b < bands; ++b) {
        verticalPass(lowLow, lowHigh, lowColumns, b, height, lowHalf, scratch);
        verticalPass(highLow, highHigh, highColumns, b, height, highHalf, scratch);
        for (std::int64_t r = area.y0; r <= area.y1; ++r)
            synthesiseLine97(rowOf(lowHalf, 0, r), rowOf(highHalf, 0, r), width, area.x0, area.x1,
                             &out.at(b, area.x0, r), 1, scratch);
    }
}

void merge2(Subband& node) {
    if (node.isLeaf()) return;
    for (std::uint32_t b = 0; b < node.bandCount(); ++b) {
        const Array2D* children[2][2];
        for (int c = 0; c < 2; ++c)
            for (int r = 0; r < 2; ++r) children[c][r] = &node.child(c, r)->band(b);
        // The synthesis writes every sample of the node's support.
        merge2(children, node.width(), node.height(), node.bandToOverwrite(b));
    }
}

void synthesise(Subband& root) {
    std::vector<Subband*> innerNodes;
    for (Subband* node = &root; !node->isLeaf(); node = node->child(0, 0))
        innerNodes.push_back(node);
    for (auto it = innerNodes.rbegin(); it != innerNodes.rend(); ++it) merge2(**it);
}

}  // namespace Corvane
