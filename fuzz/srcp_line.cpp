// Feeds arbitrary bytes to the SRCP line parser, one line per LF, and builds each line back.
// Every line a server sends goes through ExamineAnswer, so nothing in it may crash the parser.

#include "srcp/SrcpCmds.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // One object reused across inputs, as a session reuses its own, and a fresh one per input.
    static TSRCPCmd reused;
    TSRCPCmd fresh;
    std::string_view input(reinterpret_cast<const char*>(data), size);
    // The first byte picks the protocol version, so the 0.7.3 code column is reached too.
    TSRCPCommandVersion version = cv082;
    if (!input.empty() && input.front() == '\x01') {
        version = cv073;
        input.remove_prefix(1);
    }
    reused.SetSRCPVersion(version);
    fresh.SetSRCPVersion(version);
    while (true) {
        std::string_view line;
        const bool more = TSRCPCmd::SplitString('\n', input, line);
        for (TSRCPCmd* cmd : {&reused, &fresh}) {
            cmd->ExamineAnswer(line);
            const std::string built = cmd->GetCommand();
            cmd->ExamineAnswer(built);
            (void)cmd->GetCommand();
        }
        if (!more)
            break;
    }
    return 0;
}
