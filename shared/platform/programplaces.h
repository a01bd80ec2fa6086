#pragma once

#include <QString>

// Where our programs find each other, relative to the folder of the running
// program and never through the folder they were built in. Installed, the
// programs lie in bin/ and what only they start in lib/tamrix/ beside it: the
// batch interpreter, and our RLTools in lib/tamrix/rltools/. Built, everything
// lies in one folder, with our RLTools in rltools/ below it.
namespace ProgramPlaces {

// The interpreter of the job batch files. Where it is found nowhere, the name
// beside the program, so that starting it fails as a missing program does.
QString Interpreter(const QString &programFolder);

// The folder of our RLTools, absolute and ending with its separator, as the
// RLTools folder is used (a bare prefix of program names); empty when they are
// not installed beside the program.
QString OurRLToolsFolder(const QString &programFolder);

} // namespace ProgramPlaces
