// cantelo-tool outputs: the output list as the editor's output menu shows it.
#include <cstdio>

#ifdef CANTELO_WITH_MIDI
#include "midi/system_outputs.h"
#endif

int outputsCommand(int argc, char** /*argv*/) {
    if (argc != 1) {
        std::fputs("usage: cantelo-tool outputs\n", stderr);
        return 1;
    }
#ifdef CANTELO_WITH_MIDI
    cantelo::SystemOutputs outputs;
    const auto names = outputs.list();
    for (std::size_t i = 0; i < names.size(); ++i) std::printf("%2zu  %s\n", i, names[i].c_str());
    return 0;
#else
    std::fputs("cantelo-tool: built without the MIDI outputs\n", stderr);
    return 1;
#endif
}
