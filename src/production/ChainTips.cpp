#include "production/ChainTips.h"

ChainTips& ChainTips::Shared()
{
    static ChainTips tips;
    return tips;
}
