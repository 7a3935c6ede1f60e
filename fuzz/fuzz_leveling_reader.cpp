// Fuzzes the leveling-file reader and the adjustment of whatever it read: any
// bytes must give a clean failure or the data read so far, never a crash, a
// hang or unbounded memory.
#include <cstddef>
#include <cstdint>

#include "adjust/leveling_adjust.h"
#include "adjust/survey_network.h"
#include "survey_fuzz_common.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto& path = vornex::fuzzing::scratchFile("lev");
    if (!vornex::fuzzing::writeScratch(path, data, size)) return 0;
    vornex::SurveyNetwork network;
    vornex::DefaultAnswerPrompter prompter;
    if (network.openLevelingFile(path, prompter) && network.sections.size() <= 64) {
        for (int i = 0; i < network.sectionCount(); ++i) (void)network.sectionTotals(i);
        vornex::CLevelingAdjust adjust;
        adjust.buildFromLeveling(network);
        (void)adjust.solveHeights(prompter);
    }
    return 0;
}
