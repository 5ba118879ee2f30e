#pragma once

#include <string>

// Makes the run's scratch folder empty (a folder of the same name may be left
// from an earlier process with the same id) and removes it when the test
// program ends.
void PrepareScratchFolder(const std::string& path);
