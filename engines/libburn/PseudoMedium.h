#pragma once

#include <string>

// The file behind a pseudo-drive. libburn always sees such a file as a blank
// medium and neither formats, blanks nor ejects it, so the engine does these
// itself: a blank medium is an empty file.
class PseudoMedium {
public:
    // Empties the file behind `address` ("stdio:/path") if it is a regular
    // file; a missing file is blank already. False when it cannot be emptied.
    static bool blank(const std::string& address);
    static std::string path(const std::string& address);
};
