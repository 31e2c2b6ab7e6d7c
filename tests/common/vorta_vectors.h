// Known checksums of jmPass, worked out by hand from the key nibbles, shared
// by the native tests and the Windows test program.
//
// Key "/kmpqwertzulob/" + zero; low nibbles at positions 0..15:
//   F B D 0 1 7 5 2 4 A 5 C F 2 F 0
// Term at offset i: byte[i] XOR nibble[i], for i = 1 .. L (byte[L] is the zero).
#pragma once

#include <cstddef>

namespace vorta_vectors {

struct Vector {
    const char *label;
    const char *text;  // may hold bytes after an embedded zero
    int expected;
};

inline constexpr Vector kVectors[] = {
    {"empty", "", 0},
    // L = 1: the only term is the zero byte against nibble[1] = 0xB.
    {"one byte", "a", 11},
    {"one high byte", "\xFF", 11},
    // 'b' 0x62 ^ 0xB = 0x69 (105), then zero ^ nibble[2] 0xD (13).
    {"two bytes", "ab", 118},
    {"first byte differs", "Xb", 118},
    {"bytes after the zero", "ab\0zz", 118},
    // 0x80 ^ 0xB = 0x8B (139) + 13: a signed byte would give a negative term.
    {"high byte unsigned", "\x01\x80", 152},
    // 106 + 126 + 115 + 118 + 104 + 119 + 102 + zero ^ nibble[8] (4).
    {"password", "password", 794},
    // "密码" in code page 936: C3 DC C2 EB. 0xDC^0xB=215, 0xC2^0xD=207, 0xEB^0=235, +1.
    {"double-byte text", "\xC3\xDC\xC2\xEB", 658},
    // Fifteen 0xFF: 14 * 255 - (sum of nibbles 1..14 = 102), last term 0.
    {"fifteen 0xFF", "\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF", 3468},
    // Offsets 1..14 are 0xFF ^ nibble[i], so each term is 255: the largest checksum.
    {"largest", "\xF0\xF4\xF2\xFF\xFE\xF8\xFA\xFD\xFB\xF5\xFA\xF3\xF0\xFD\xF0", 3570},
    // Past the key the nibble is 0: 16 'A' give 14 * 64 + 100 + 'A' (65) + 0.
    {"sixteen bytes", "AAAAAAAAAAAAAAAA", 1061},
    {"seventeen bytes", "AAAAAAAAAAAAAAAAA", 1126},
};

inline constexpr std::size_t kVectorCount = sizeof kVectors / sizeof kVectors[0];

}  // namespace vorta_vectors
