// Where bytes made a stretch at a time go, in the order they are made: a long output is
// then taken as it is made (deflated, say) and never held whole.
#pragma once

#include <string_view>

namespace tolvarin {

class ByteSink {
public:
    virtual ~ByteSink() = default;
    virtual void write(std::string_view bytes) = 0;
};

}  // namespace tolvarin
