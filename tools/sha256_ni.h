// SHA-256 by the processor's SHA extensions, for platforms whose own library
// computes it without them (Wine's CNG computes it at a fifth of their speed).
#pragma once

#include "tools/checksum_algorithms.h"

// 1 when the processor has the SHA extensions (and the SSE4.1 they need here).
int Sha256NiAvailable();
// A SHA-256 state; only to be made when Sha256NiAvailable says 1.
std::unique_ptr<Digest> MakeSha256NiDigest();
