#include "mail/lib/cipher/base64.h"

#include <array>
#include <cstdlib>
#include <cstring>

namespace {

const char ALPHABET[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
const unsigned char NOT_IN_ALPHABET = 0xff;

// One entry for every possible byte, so no input can index past the table.
std::array<unsigned char, 256> makeDecodeTable() {
    std::array<unsigned char, 256> table;
    table.fill(NOT_IN_ALPHABET);
    for (unsigned char i = 0; i < 64; ++i)
        table[static_cast<unsigned char>(ALPHABET[i])] = i;
    return table;
}

const std::array<unsigned char, 256> DECODE = makeDecodeTable();

}  // namespace

std::size_t base64Encode(const unsigned char* bytes, std::size_t n, char* out) {
    char* o = out;
    for (std::size_t i = 0; i < n; i += 3) {
        unsigned long group = static_cast<unsigned long>(bytes[i]) << 16;
        if (i + 1 < n)
            group |= static_cast<unsigned long>(bytes[i + 1]) << 8;
        if (i + 2 < n)
            group |= bytes[i + 2];
        *o++ = ALPHABET[(group >> 18) & 63];
        *o++ = ALPHABET[(group >> 12) & 63];
        *o++ = i + 1 < n ? ALPHABET[(group >> 6) & 63] : '=';
        *o++ = i + 2 < n ? ALPHABET[group & 63] : '=';
    }
    *o = '\0';
    return o - out;
}

std::size_t base64ArrayDecode(const char* text, std::size_t n, unsigned char* out) {
    unsigned long group = 0;
    int sextets = 0;
    std::size_t count = 0;
    for (std::size_t i = 0; i < n && text[i] != '='; ++i) {
        unsigned char value = DECODE[static_cast<unsigned char>(text[i])];
        if (value == NOT_IN_ALPHABET)
            continue;
        group = group << 6 | value;
        if (++sextets == 4) {
            out[count++] = (group >> 16) & 0xff;
            out[count++] = (group >> 8) & 0xff;
            out[count++] = group & 0xff;
            group = 0;
            sextets = 0;
        }
    }
    // A short last group: two sextets carry one byte, three carry two; a
    // lone sextet carries none.
    if (sextets == 2) {
        out[count++] = (group >> 4) & 0xff;
    } else if (sextets == 3) {
        out[count++] = (group >> 10) & 0xff;
        out[count++] = (group >> 2) & 0xff;
    }
    return count;
}

std::size_t base64Decode(const char* text, unsigned char* out) {
    return base64ArrayDecode(text, std::strlen(text), out);
}

char* b64_encode(const unsigned char* bytes, std::size_t n) {
    char* out = static_cast<char*>(std::malloc(base64EncodedSize(n) + 1));
    if (out)
        base64Encode(bytes, n, out);
    return out;
}

unsigned char* b64_decode(const char* text, std::size_t* n) {
    if (!text)
        return nullptr;
    std::size_t length = std::strlen(text);
    auto* out = static_cast<unsigned char*>(std::malloc(base64DecodedMax(length) + 1));
    if (!out)
        return nullptr;
    std::size_t count = base64ArrayDecode(text, length, out);
    out[count] = '\0';
    if (n)
        *n = count;
    return out;
}

char* b64_encode_cstr(const char* text) {
    return text ? b64_encode(reinterpret_cast<const unsigned char*>(text), std::strlen(text))
                : nullptr;
}

char* b64_decode_cstr(const char* text) {
    return reinterpret_cast<char*>(b64_decode(text, nullptr));
}
