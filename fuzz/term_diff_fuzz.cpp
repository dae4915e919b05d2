// Our Screen against libvterm's screen layer on generated terminal output:
// the input chooses the tokens (text, SGR, motion, erase, scroll regions,
// modes, strings, wide and combining characters), the chunk cuts and the
// resizes. Any difference in cells, cursor, modes or scrollback aborts.

#include <cstdio>
#include <cstdlib>

#include "term/differential.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ovelin::test::StreamGenerator gen(std::string_view(reinterpret_cast<const char*>(data), size));
    long cells = 0;
    const std::string diff = ovelin::test::run_case(gen, false, cells);
    if (!diff.empty()) {
        std::fprintf(stderr, "screens differ: %s\n", diff.c_str());
        std::abort();
    }
    return 0;
}
