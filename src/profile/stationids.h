#ifndef STATIONIDS_H
#define STATIONIDS_H

#include <QByteArray>

// The bridge board's USB ids as the station file gives them, held for the whole
// process: the discovery layer reads them without a reference to the window.
// They are kept exactly as read (no trimming, no validation).
namespace station {

struct BridgeIds
{
    QByteArray makerVid;
    QByteArray makerPid;
    QByteArray customerVid;
    QByteArray customerPid;
};

const BridgeIds &bridgeIds();
void setBridgeIds(const BridgeIds &ids);

} // namespace station

#endif
