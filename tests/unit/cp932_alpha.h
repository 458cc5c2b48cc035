// IsCharAlphaA as a code page 932 system answers it for single bytes: the native tests' stand-in,
// compared with the real call under Wine for every byte (startup_test.cpp).
#pragma once

inline bool IsCharAlphaCp932(unsigned char byte) {
    if ((byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z')) {
        return true;
    }
    return byte >= 0xA6 && byte <= 0xDF; // half-width katakana
}
