#ifndef DEVICEWATCHER_H
#define DEVICEWATCHER_H

#include <QObject>

#include <memory>

class QSocketNotifier;

// Tells its owner, on the thread that owns it (the GUI thread), that a HID
// device has arrived or left. Whether it was the bridge board is for the owner
// to find out; this only says that something changed.
//
// On Linux it listens to udev for hidraw devices.
class DeviceWatcher : public QObject
{
    Q_OBJECT
public:
    explicit DeviceWatcher(QObject *parent = nullptr);
    ~DeviceWatcher() override;

    // False when the system gave no way to watch (no udev): arrival and removal
    // then go unnoticed, and the station works with what it found at start-up.
    bool isWatching() const;

signals:
    void deviceArrived();
    void deviceRemoved();

private:
    void readEvents();

    struct Monitor;
    std::unique_ptr<Monitor> m_monitor;
    QSocketNotifier *m_notifier = nullptr;
};

#endif
