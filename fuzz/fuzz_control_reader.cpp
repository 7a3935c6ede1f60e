// Fuzzes the control-survey reader and the plane adjustment of whatever it read.
#include <cstddef>
#include <cstdint>

#include "adjust/leveling_adjust.h"
#include "adjust/plane_adjust.h"
#include "adjust/survey_network.h"
#include "survey_fuzz_common.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto& path = vornex::fuzzing::scratchFile("con");
    if (!vornex::fuzzing::writeScratch(path, data, size)) return 0;
    vornex::SurveyNetwork network;
    vornex::DefaultAnswerPrompter prompter;
    if (network.openControlFile(path, prompter) && network.stations.size() <= 32) {
        vornex::CLevelingAdjust heights;
        vornex::CPlaneNetAdjust plane;
        plane.buildFromControlSurvey(network, heights);
        (void)plane.adjustPlane(prompter);
    }
    return 0;
}
