// Building the canonical Huffman codes the LZH format sends with every block: code lengths from
// symbol frequencies (limited to a maximum length), and the codes from the lengths.
#pragma once

#include <cstdint>

namespace unlha {

// Lengths of an optimal prefix code for the frequencies, no longer than maxBits. Symbols of
// frequency 0 get length 0. With fewer than two used symbols every length is 0: the caller
// sends such a code in its one-symbol form. Returns the number of used symbols.
int BuildCodeLengths(const uint32_t* freq, int n, int maxBits, uint8_t* lengths);

// Canonical codes for the lengths: shorter codes first, equal lengths in symbol order. Codes
// of length 0 are 0.
void BuildCanonicalCodes(const uint8_t* lengths, int n, uint16_t* codes);

} // namespace unlha
