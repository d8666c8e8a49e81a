// Writes a Document as RTF.
#pragma once

#include <string>

#include "document.h"

namespace tolvarin {

std::string writeRtf(const Document& doc);

}  // namespace tolvarin
