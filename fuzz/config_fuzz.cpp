// Any bytes, as config.cne: the settings read from them must be ones the writer can store, so a
// start that reads them and a close that writes them back keeps the same settings.
#include "core/app/config_file.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

using namespace cantelo;

namespace {

void failed(const char* what) {
    std::fprintf(stderr, "broken config invariant: %s\n", what);
    std::abort();
}
#define check(x) ((x) ? void() : failed(#x))

bool inGeometryRange(int v) {
    return v >= 0 && v <= 0xFFFF;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const Configuration read = parseConfiguration({data, size});
    check(read.deviceIndex >= 0 && read.deviceIndex <= 0xFF);
    check(read.languageIndex >= 0 && read.languageIndex <= 0xFF);
    for (const int v : {read.mainWidth, read.mainHeight, read.editorLeft, read.editorTop,
                        read.editorClientHeight, read.editorClientWidth, read.eventPanelLeft,
                        read.eventPanelTop, read.eventPanelClientWidth, read.monitorLeft,
                        read.monitorTop, read.monitorClientHeight, read.monitorClientWidth})
        check(inGeometryRange(v));
    check(read.textColour <= 0xFFFFFF && read.syllableColour <= 0xFFFFFF);
    check(read.backgroundName.size() <= size);
    check(read.backgroundName.find_first_of(std::string_view("\r\0", 2)) == std::string::npos);

    const std::vector<std::uint8_t> stored = configurationBytes(read);
    check(parseConfiguration(stored) == read);
    // The one-byte language look-up of a second start agrees with the full read.
    check((stored.back() != 0) == (read.languageIndex != 0));
    return 0;
}
