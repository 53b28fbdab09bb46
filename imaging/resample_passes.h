#pragma once

// The filters' shared parts: resample.cpp chooses a filter, and each of
// Bilinear, Box and Lanczos3 lives in its own file with its vector version.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "imaging/image.h"
#include "imaging/row_source.h"

// Every pixel depends on the precision of each step: no fused
// multiply-add may merge two roundings into one. GCC contracts nothing in the
// ISO mode the project builds in; clang needs telling.
#if defined(__clang__)
#pragma STDC FP_CONTRACT OFF
#endif

// The colour rows of Bilinear and of the Box and Lanczos3 horizontal passes
// have AVX2 versions, chosen at run time so that the build itself still runs
// on any x86-64 processor.
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define QUORVANE_AVX2 1
#include <immintrin.h>
#endif

namespace quorvane::resampling {

// True when the processor has AVX2 and allowVectorInstructions has not
// switched it off.
bool useAvx2();

// The rows of the horizontal pass that the vertical pass is working on: row
// k of the intermediate picture lives in slot k mod the ring's height. The
// vertical windows move down monotonically and are never taller than the
// ring, so a row is made once and stays until no window needs it.
class RowRing {
public:
    RowRing(std::uint32_t rows, std::size_t rowBytes) : rows_(std::max(rows, 1u)), rowBytes_(rowBytes),
        block_(rows_ * rowBytes)
    {
    }

    // Makes the intermediate rows first ≤ k < end not made yet, each from
    // source row k, skipping rows no window needs.
    template <typename MakeRow>
    bool fill(RowSource& source, std::uint32_t first, std::uint32_t end, MakeRow makeRow)
    {
        for (std::uint32_t k = std::max(first, next_); k < end; ++k) {
            const std::uint8_t* in = source.row(k);
            if (!in)
                return false;
            makeRow(in, slot(k));
        }
        next_ = std::max(next_, end);
        return true;
    }

    std::uint8_t* slot(std::uint32_t k) { return block_.data() + (k % rows_) * rowBytes_; }

private:
    std::size_t rows_;
    std::size_t rowBytes_;
    std::vector<std::uint8_t> block_;
    std::uint32_t next_ = 0;
};

// Bilinear (code 1), Box (code 2) and Lanczos3 (code 3): target already has
// its size; false when the source failed to give a row.
bool bilinearRows(RowSource& source, Image& target);
bool boxRows(RowSource& source, Image& target);
bool lanczosRows(RowSource& source, Image& target);

}  // namespace quorvane::resampling
