#include "stationids.h"

namespace station {

namespace {
BridgeIds &storage()
{
    static BridgeIds ids;
    return ids;
}
} // namespace

const BridgeIds &bridgeIds()
{
    return storage();
}

void setBridgeIds(const BridgeIds &ids)
{
    storage() = ids;
}

} // namespace station
