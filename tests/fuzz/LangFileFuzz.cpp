// Language file: any bytes as the language file. Every id gives a text of at most 259
// characters ("NULL" when missing), the same pointer for the same id, and texts keep their
// value when the file changes underneath.
#include <cstdint>
#include <cstring>
#include <string>

#include "FuzzKit.h"
#include "store/IString.h"

namespace zl {

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using zl::fuzz::Scratch;
    zl::fuzz::Input in(data, size);
    unsigned ids[8];
    for (unsigned& id : ids) id = in.Bool() ? in.Range(0, 600) : in.U32();
    const std::string path = Scratch::File("lang.ini");
    if (!zl::fuzz::WriteFile(path, in.Rest())) return 0;

    IString table;
    table.SetFile(path);
    const char* first[8];
    std::string copies[8];
    for (int i = 0; i < 8; ++i) {
        first[i] = table.LoadStringA(ids[i]);
        ZL_FUZZ_CHECK(first[i] != nullptr, "null text");
        copies[i] = first[i];
        ZL_FUZZ_CHECK(copies[i].size() <= 259, "text longer than 259 characters");
    }
    // The file goes away; the texts handed out stay.
    zl::fuzz::WriteFile(path, "[STRING]\n0=changed\n");
    table.SetFile(path);
    for (int i = 0; i < 8; ++i) {
        ZL_FUZZ_CHECK(table.LoadStringA(ids[i]) == first[i], "another pointer for the same id");
        ZL_FUZZ_CHECK(copies[i] == first[i], "a text changed");
    }
    return 0;
}

}  // namespace zl
