#pragma once

#include "events/CommonObjectBase.h"

#include <cstdio>

// A receiver that writes one line per delivered event to a stream, flushed
// at once so that a reader of a pipe or file sees each event as it arrives.
class BusListener : public CommonObjectBase {
public:
    explicit BusListener(std::FILE* output) : output(output) {}
    long Received() const { return received; }

protected:
    bool HandleEvent(COEvent* event) override;

private:
    std::FILE* output;
    long received = 0;
};
