// Whether the platform the tests run on maps file offsets of 4 GiB and more.
// qemu-user before 8.1 cuts the offset of a 32-bit program's mmap to 32 bits,
// so under it a view above 4 GiB shows the bytes 4 GiB lower; tests of
// Pelmora's own mapping code above 4 GiB skip there instead of failing.
#pragma once

class TempDir;

// Probes with the system's own calls (never Pelmora's) on a sparse file in dir.
bool PlatformMapsAboveFourGiB(const TempDir& dir);
