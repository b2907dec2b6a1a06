// The bytes to search for when the user looks for a typed number: the value
// of one of the data inspector's integer or float types, in either byte
// order, read by the inspector's own parser (a float matches only its exact
// bytes, so 0 and -0 are different patterns).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// 1 for the types a value search offers: Int8 to UInt64, Float32, Float64.
int IsSearchValueType(int type);

// 1 with the value's bytes; 0 with the reason when the type is not one of
// the search's or the text is not a value of it.
int BuildValuePattern(int type, const wchar_t* text, int big_endian, std::vector<uint8_t>* bytes,
                      std::wstring* reason);
