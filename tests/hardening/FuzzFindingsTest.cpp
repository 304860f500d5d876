// Faults the fuzzers found, each kept as a test of the sound behaviour. (The failing inputs
// themselves are replayed from tests/fuzz/corpus/<target>/regressions/.)
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "HardeningTestKit.h"
#include "base/Profile.h"

namespace zl::hardening {
namespace {

// GetPrivateProfileStringA with a null section or key lists names into the caller's buffer.
// When the names so far filled the buffer up to its last byte, the next name was copied past
// the end (the room left was computed as a negative size).
TEST(FuzzFindings, NameListsNeverWritePastTheBuffer) {
    TempFolder dir;
    const std::string file = dir / "list.ini";
    WriteBytes(file, "[ab]\nk=1\nkey2=2\n[cd]\n[efghij]\n[x]\n");
    constexpr unsigned kGuard = 32;
    for (const char* section : {static_cast<const char*>(nullptr), "ab"}) {
        for (unsigned size = 1; size <= 24; ++size) {
            SCOPED_TRACE(std::string(section ? "keys, size " : "sections, size ") +
                         std::to_string(size));
            std::vector<char> buffer(size + kGuard, '\x55');
            const unsigned n =
                GetPrivateProfileStringA(section, nullptr, "", buffer.data(), size, file.c_str());
            for (unsigned i = size; i < size + kGuard; ++i)
                ASSERT_EQ(buffer[i], '\x55') << "byte " << i << " past the buffer was written";
            ASSERT_LT(n, size);
            EXPECT_EQ(buffer[n], '\0');
            // A complete list ends "name\0\0" (n counts up to the last zero), a cut one in
            // two zeros at size - 2.
            if (size >= 2) {
                const bool twoZeros = (n > 0 && buffer[n - 1] == '\0') || buffer[n + 1] == '\0';
                EXPECT_TRUE(twoZeros) << "the list does not end with two zeros";
            }
        }
    }
}

}  // namespace
}  // namespace zl::hardening
