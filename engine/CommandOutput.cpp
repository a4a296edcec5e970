#include "engine/CommandOutput.h"

#include <atomic>

#include "engine/MainFormState.h"
#include "engine/Srcp073Output.h"
#include "engine/Srcp080Output.h"

namespace {

std::atomic<CommandOutput*> g_installed{nullptr};

} // namespace

CommandOutput& commandOutput() {
    if (CommandOutput* installed = g_installed.load())
        return *installed;
    static Srcp073Output srcp073;
    static Srcp080Output srcp080;
    // The layout engine writes its own lines only for exactly 73.
    return MainForm && MainForm->SrcpVer != 73 ? static_cast<CommandOutput&>(srcp080) : srcp073;
}

void setCommandOutput(CommandOutput* output) {
    g_installed.store(output);
}
