#pragma once

#include <QString>

// The program's own folder, the one that holds its tool folder "imgmagic": the folder of the
// executable when "imgmagic" is there (the build tree, or a program folder copied whole, as on
// Windows), otherwise the data folder of an installed program (bin/pliego finds
// share/pliego/imgmagic), otherwise the executable's folder all the same.
QString programFolder(const QString& executableFolder);
