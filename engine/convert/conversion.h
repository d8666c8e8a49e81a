// Converting an RTF document's own bytes, as the entry point asks.
#pragma once

#include <string_view>

#include "core/conversion_options.h"
#include "core/conversion_report.h"
#include "io/destination.h"

namespace tolvarin {

// Converts RTF `rtf` into `destination`, keeping every byte that is not legacy text.
// A document that is damaged or not RTF fails before anything is written; a failed
// save leaves the destination as it was.
ConversionReport convertRtf(std::string_view rtf, const ConversionOptions& options, const Destination& destination);

}  // namespace tolvarin
