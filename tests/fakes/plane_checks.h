// Checks over an overlay: its effective bytes, its piece invariants, its size.
#pragma once

#include "data/data_plane.h"
#include "data/source.h"

#include <cstdint>
#include <vector>

std::vector<uint8_t> Effective(const CDataPlane& plane, CSrclibrary& source);
// Links consistent, source pieces exact, ascending and not continuing their
// neighbour, overwritten pieces one byte; and the tree below.
void ExpectInvariants(const CDataPlane& plane);
// The lookup tree holds the list's pieces in list order, its links, subtree
// lengths and heap order of priorities consistent, its depth logarithmic.
void ExpectTreeMatchesTheList(const CDataPlane& plane);
int64_t SumOfLengths(const CDataPlane& plane);
// Find, through its index, gives every piece and its start as a walk does.
void ExpectFindAgreesWithTheList(const CDataPlane& plane);
