// Writes the example survey files demo.lev and demo.con into the folder given
// as the first argument (default: the current folder).
#include <filesystem>
#include <iostream>

#include "adjust/demo_networks.h"
#include "adjust/survey_network.h"

int main(int argc, char** argv) {
    const std::filesystem::path dir = argc > 1 ? argv[1] : ".";
    const bool ok = vornex::writeSurveyFile(dir / "demo.lev", vornex::levelingFileBytes(vornex::demoLevelingNetwork())) &&
                    vornex::writeSurveyFile(dir / "demo.con", vornex::controlFileBytes(vornex::demoControlNetwork()));
    if (!ok) {
        std::cerr << "vornex-make-survey-demo: cannot write into " << dir << "\n";
        return 1;
    }
    return 0;
}
