#include "ops/ProcessEnd.h"

#include <cstdlib>

void ProcessEnd::Finish(int exitCode)
{
    std::exit(exitCode);
}
