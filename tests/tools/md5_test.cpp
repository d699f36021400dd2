#include <gtest/gtest.h>

#include "tools/md5.hpp"

namespace vaultkeep {
namespace {

TEST(Md5Hex, KnownVectorsAndTheNonAsciiRule) {
    struct Caso {
        const char* texto;
        const char* md5;
    };
    const Caso casos[] = {
        {"abc", "900150983CD24FB0D6963F7D28E17F72"},
        {"", "D41D8CD98F00B204E9800998ECF8427E"},
        {"?", "D1457B72C3FB323A2671125AEF3EAB5D"},
        {"é", "D1457B72C3FB323A2671125AEF3EAB5D"},  // any one non-ASCII character counts as "?"
        {"日", "D1457B72C3FB323A2671125AEF3EAB5D"},
    };
    for (const auto& c : casos)
        EXPECT_EQ(md5Hex(c.texto), c.md5) << c.texto;
    // Outside the Basic Multilingual Plane: two UTF-16 units, two "?".
    EXPECT_EQ(md5Hex("\xF0\x9F\x98\x80"), md5Hex("??"));
    EXPECT_EQ(md5Hex("Padaria São João"), md5Hex("Padaria S?o Jo?o"));
}

}  // namespace
}  // namespace vaultkeep
