// The many-piece overlay the benchmarks time against: source runs of 15 bytes
// alternating with one typed byte, as scattered typing leaves it.
#pragma once

#include "data/data_plane.h"

#include <cstdint>
#include <cstdlib>

// Appends `pieces` pieces to the plane, starting with a source run; returns
// how many source bytes they cover.
inline int64_t AppendAlternatingPieces(CDataPlane* plane, int64_t pieces) {
    int64_t src = 0;
    for (int64_t i = 0; i < pieces; ++i) {
        if (i % 2 == 0) {
            plane->AppendPiece(PIECE_SOURCE, src, src + 14, 15, nullptr);
            src += 15;
        } else {
            auto* b = static_cast<uint8_t*>(std::malloc(1));
            *b = 0xAB;
            plane->AppendPiece(PIECE_OVERWRITTEN, src, src, 1, b);
            src += 1;
        }
    }
    return src;
}
