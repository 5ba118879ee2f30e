#pragma once

#include "events/COEvent.h"

#include <string>

// One line describing a delivered event, without the line end:
//   sender=ID code=0xCODE size=N value=V        (no data)
//   sender=ID code=0xCODE size=N text="..."     (printable bytes, one final zero byte allowed)
//   sender=ID code=0xCODE size=N hex=0a1b...    (anything else)
// In text, a backslash and a double quote are escaped with a backslash.
std::string FormatEventLine(const COEvent& event);
