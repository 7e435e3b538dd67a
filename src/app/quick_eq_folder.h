#pragma once

#include <QString>

namespace zem {

// The folder quick EQ files are kept in. A program run from where it was
// built keeps them beside itself, as long as that folder can be written. An
// installed program (in a system folder such as /usr/bin, or beside an
// installed desktop entry `appId`.desktop) never writes there, even as root:
// it uses `userDataFolder`, which the first save creates.
QString QuickEQFolder(const QString& programFolder, const QString& userDataFolder, const QString& appId);

// The file beside a portable copy of the program on Windows.
inline constexpr char kPortableMarker[] = "portable";

// True when `programFolder` holds an installed copy of the program.
bool IsInstalledProgramFolder(const QString& programFolder, const QString& appId);

// The folder holding the example configurations: for an installed program
// `installedExamples` under its prefix (the folder above its own), for one
// run from its build folder `sourceExamples`; empty when that one is not
// there.
QString ExamplesFolder(const QString& programFolder, const QString& appId, const QString& installedExamples,
                       const QString& sourceExamples);

}  // namespace zem
