#pragma once

#include "link/SerialPort.h"

#include <functional>
#include <memory>

// Makes the link for one port of a line: the platform's, unless a face or a test hands its own.
using LinkFactory = std::function<std::unique_ptr<SerialPort>()>;

LinkFactory PlatformLinks();
