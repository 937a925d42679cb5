#pragma once
// The program's version. It is written in one place, project(VERSION) in the top
// CMakeLists.txt, which hands it to version.cpp alone (so a new version rebuilds one file).

namespace drv {

// As project(VERSION) gives it: major.minor.
const char* ProgramVersion();

}  // namespace drv
