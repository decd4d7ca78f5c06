#include "production/LinkFactory.h"

#include "PlatformLink.h"

LinkFactory PlatformLinks()
{
    return [] { return std::make_unique<PlatformLink>(); };
}
