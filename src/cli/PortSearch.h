#pragma once

#include <QStringList>

// --port auto and list-ports --probe: the ports present, pinged at once.
namespace PortSearch {
// Replaces "auto" with the one port that answers; kSuccess, or the exit code
// after saying which ports were tried or found.
int ResolveAuto(QStringList& ports, bool quiet);
// list-ports, with a column saying which ports answered when probing.
int List(bool probe);
}  // namespace PortSearch
