// The check of a survey file's numbers after reading: a value that the
// adjustment reads must be a finite number, or the file is refused with a
// message naming the record and the field. Values that are stored and rewritten
// only (the trailing fields of an observation, the reserved header factor, the
// plane coordinates of a leveling file's known points, heights and zenith
// angles that the file's observation type does not use) are left as they are.
#pragma once

#include <string>

#include "adjust/survey_network.h"

namespace vornex {

// Empty when the leveling network's values are all usable; otherwise the
// message (UTF-8) for the first that is not.
std::string nonFiniteLevelingValue(const SurveyNetwork& network);

// The same for a control survey; which heights and angles count depends on the
// file's observation type.
std::string nonFiniteControlValue(const SurveyNetwork& network);

}  // namespace vornex
