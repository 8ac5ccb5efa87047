#include "devicewatcher.h"

#include <QSocketNotifier>

#include <cstring>
#include <libudev.h>

struct DeviceWatcher::Monitor
{
    udev *context = nullptr;
    udev_monitor *monitor = nullptr;

    ~Monitor()
    {
        if (monitor)
            udev_monitor_unref(monitor);
        if (context)
            udev_unref(context);
    }
};

DeviceWatcher::DeviceWatcher(QObject *parent)
    : QObject(parent), m_monitor(std::make_unique<Monitor>())
{
    m_monitor->context = udev_new();
    if (!m_monitor->context)
        return;
    m_monitor->monitor = udev_monitor_new_from_netlink(m_monitor->context, "udev");
    if (!m_monitor->monitor)
        return;
    if (udev_monitor_filter_add_match_subsystem_devtype(m_monitor->monitor, "hidraw", nullptr) < 0
        || udev_monitor_enable_receiving(m_monitor->monitor) < 0) {
        udev_monitor_unref(m_monitor->monitor);
        m_monitor->monitor = nullptr;
        return;
    }
    m_notifier = new QSocketNotifier(udev_monitor_get_fd(m_monitor->monitor), QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &DeviceWatcher::readEvents);
}

DeviceWatcher::~DeviceWatcher() = default;

bool DeviceWatcher::isWatching() const
{
    return m_notifier != nullptr;
}

void DeviceWatcher::readEvents()
{
    // One event per wake-up: the notifier fires again while more are waiting,
    // and a second receive on a socket that turned out blocking would freeze the window.
    udev_device *device = udev_monitor_receive_device(m_monitor->monitor);
    if (!device)
        return;
    const char *action = udev_device_get_action(device);
    const bool added = action && std::strcmp(action, "add") == 0;
    const bool removed = action && std::strcmp(action, "remove") == 0;
    udev_device_unref(device);
    if (added)
        emit deviceArrived();
    else if (removed)
        emit deviceRemoved();
}
