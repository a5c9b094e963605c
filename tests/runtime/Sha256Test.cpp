#include <gtest/gtest.h>

#include <string>

#include "runtime/Sha256.h"

namespace {

std::string hashOf(const std::string& text) {
  return hi::sha256Hex({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
}

}  // namespace

// The standard's vectors: empty, one block, and 56 bytes, whose length needs a second block.
TEST(Sha256, KnownVectorsAcrossThePaddingBoundary) {
  EXPECT_EQ(hashOf(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  EXPECT_EQ(hashOf("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  EXPECT_EQ(hashOf("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
            "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
  EXPECT_EQ(hashOf(std::string(1000000, 'a')),
            "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
}
