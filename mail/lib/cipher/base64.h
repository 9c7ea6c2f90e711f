// Base64 of RFC 4648: standard alphabet, "=" padding, no line breaks.
#ifndef QUARN_MAIL_LIB_CIPHER_BASE64_H
#define QUARN_MAIL_LIB_CIPHER_BASE64_H

#include <cstddef>

/// Characters of the encoding of `n` bytes, without the NUL.
inline std::size_t base64EncodedSize(std::size_t n) { return (n + 2) / 3 * 4; }
/// Room that decoding `n` characters needs at most.
inline std::size_t base64DecodedMax(std::size_t n) { return (n + 3) / 4 * 3; }

/// Encodes into `out` (base64EncodedSize(n) + 1 bytes); the text length.
std::size_t base64Encode(const unsigned char* bytes, std::size_t n, char* out);
/// Decodes `n` characters into `out` (base64DecodedMax(n) bytes); the byte
/// count. Characters outside the alphabet are skipped; "=" ends the data.
std::size_t base64ArrayDecode(const char* text, std::size_t n, unsigned char* out);
/// base64ArrayDecode of a NUL-terminated text.
std::size_t base64Decode(const char* text, unsigned char* out);

/// The encoding of `n` bytes, malloc'ed; null without memory.
char* b64_encode(const unsigned char* bytes, std::size_t n);
/// The decoded bytes, malloc'ed and NUL-terminated, their count in `n`;
/// null without memory or text.
unsigned char* b64_decode(const char* text, std::size_t* n);
char* b64_encode_cstr(const char* text);
char* b64_decode_cstr(const char* text);

#endif
