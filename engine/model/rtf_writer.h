// Writes a Document as RTF.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "io/destination.h"
#include "model/document.h"

namespace tolvarin {

// Receives the RTF in pieces of some tens of kilobytes, so a large document is
// never held twice in memory.
using RtfSink = PieceSink;

void writeRtf(const Document& doc, const RtfSink& sink);
std::string writeRtf(const Document& doc);

}  // namespace tolvarin
