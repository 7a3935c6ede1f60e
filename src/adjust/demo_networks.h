// The bundled example survey files: a leveling network and a control-survey
// network made from known true positions with small measuring errors, so that
// the adjustments have something to do. examples/make_survey_demo writes them
// as examples/demo.lev and examples/demo.con.
#pragma once

#include "adjust/survey_network.h"

namespace vornex {

// Four known heights around loops of unknown points; forward and return runs,
// multi-station sections, an excluded section, a 12-byte and a Chinese name.
SurveyNetwork demoLevelingNetwork();

// Two known points with a known azimuth and five unknown points; direction sets
// at every station, distances measured both ways, heights by slope distance
// and zenith angle (observation type 4).
SurveyNetwork demoControlNetwork();

}  // namespace vornex
