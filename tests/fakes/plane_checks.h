// Checks over an overlay: its effective bytes, its piece invariants, its size.
#pragma once

#include "data/data_plane.h"
#include "data/source.h"

#include <cstdint>
#include <vector>

std::vector<uint8_t> Effective(const CDataPlane& plane, CSrclibrary& source);
// Source pieces exact, ascending and not continuing their neighbour,
// overwritten pieces one byte; and the tree's shape below.
void ExpectInvariants(const CDataPlane& plane);
// Every node within its fill bounds, the lengths and counts a parent keeps
// for each child right, all leaves at one depth, the totals the overlay's.
void ExpectTreeShape(const CDataPlane& plane);
int64_t SumOfLengths(const CDataPlane& plane);
// The index-th piece in order; null past the last.
const PlanePiece* PieceAt(const CDataPlane& plane, int64_t index);
// Find and a cursor at an offset give every piece and its start as a walk
// does, and a walk back meets the pieces in reverse.
void ExpectFindAgreesWithTheList(const CDataPlane& plane);
