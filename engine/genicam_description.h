#pragma once
// The keys of a camera description ("comptage.dcf") that say which GenICam camera
// the digitizer opens and how: source = genicam, camera, pixel_format, exposure_us,
// gain, region, binning, buffers and the vanish_from fault knob.
#include <map>
#include <string>

#include "engine/genicam_settings.h"
#include "platform/key_value_text.h"

namespace velmar {

struct DigitizerDescription;

// The setters of the GenICam keys, to read with the description's others.
std::map<std::string, Setter> GenicamSetters(GenicamSettings& settings);

// After the whole text is read: the checks that need more than one line. Empty
// text, or the fault naming the file and line.
std::string FinishGenicamDescription(const std::string& text, const std::string& fileName, DigitizerDescription& d);

}  // namespace velmar
