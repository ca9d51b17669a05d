// Where the application's resources are: images, localisation tables, demo
// songs. Main thread (set once at start-up, before the first screen is built).
#pragma once

#include <string>

namespace piano::platform {

// Where an installed program keeps its data: <prefix>/share/piano beside the
// <prefix>/bin the program runs from, when that holds resources; else "" (a
// program run from its build folder).
std::string installedDataDirectory();

// The resources folder: the one set here, else $PIANO_RESOURCE_DIR, else the
// installed data folder, else the source tree's resources folder that the
// build knows.
std::string resourceDirectory();
void setResourceDirectory(const std::string& path);

// resources/images/<file>
std::string imagePath(const std::string& file);

}  // namespace piano::platform
