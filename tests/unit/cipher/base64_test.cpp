// The base64 codec: RFC 4648 vectors and hostile input. This
// file is also built alone with AddressSanitizer (base64_asan_tests), which
// turns any read or write outside a buffer into a failure.
#include "mail/lib/cipher/base64.h"

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

std::string encode(const std::string& bytes) {
    std::unique_ptr<char, decltype(&std::free)> text(
        b64_encode(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size()), std::free);
    return text ? text.get() : "(null)";
}

// Decodes through an exactly sized heap copy, so that the sanitizer sees
// any read past the input.
std::string decode(const std::string& text) {
    std::vector<char> exact(text.begin(), text.end());
    std::vector<unsigned char> out(base64DecodedMax(exact.size()));
    std::size_t n = base64ArrayDecode(exact.data(), exact.size(), out.data());
    EXPECT_LE(n, out.size()) << "decoding '" << text << "' wrote past its room";
    return std::string(out.begin(), out.begin() + std::min(n, out.size()));
}

struct Vector {
    const char* plain;
    const char* encoded;
};

TEST(Base64, Rfc4648Vectors) {
    const Vector vectors[] = {{"", ""},          {"f", "Zg=="},         {"fo", "Zm8="},
                              {"foo", "Zm9v"},   {"foob", "Zm9vYg=="},  {"fooba", "Zm9vYmE="},
                              {"foobar", "Zm9vYmFy"}};
    for (const Vector& v : vectors) {
        EXPECT_EQ(encode(v.plain), v.encoded) << "encode '" << v.plain << "'";
        EXPECT_EQ(decode(v.encoded), v.plain) << "decode '" << v.encoded << "'";
        std::unique_ptr<char, decltype(&std::free)> back(b64_decode_cstr(v.encoded), std::free);
        ASSERT_TRUE(back);
        EXPECT_STREQ(back.get(), v.plain) << "b64_decode_cstr '" << v.encoded << "'";
    }
}

TEST(Base64, HostileInputStaysInsideItsBuffers) {
    std::string everyByte;
    for (int c = 1; c < 256; ++c)
        everyByte.push_back(static_cast<char>(c));
    struct Case {
        const char* name;
        std::string text;
        std::string want;
    };
    const Case cases[] = {
        {"outside the alphabet is skipped", "Zm9v\x80\xff!*YmFy", "foobar"},
        {"missing padding", "Zm9vYg", "foob"},
        {"missing padding, two left", "Zm9vYmE", "fooba"},
        {"a lone last character carries nothing", "Zm9vY", "foo"},
        {"padding ends the data", "Zg==Zm9v", "f"},
        {"only padding", "====", ""},
        {"only rubbish", "\x01\x02\x03\xfe", ""},
        {"spaces and line breaks", "Zm9v\nYmFy ", "foobar"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(decode(c.text), c.want) << c.name;
    // Every byte value once, and a long text: only the lengths can be told.
    EXPECT_LE(decode(everyByte).size(), base64DecodedMax(everyByte.size()));
    std::string longText(1 << 20, 'A');
    EXPECT_EQ(decode(longText).size(), longText.size() / 4 * 3);
    std::string longRubbish(1 << 20, '\x80');
    EXPECT_EQ(decode(longRubbish), "");
}

}  // namespace
