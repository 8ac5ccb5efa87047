#include "hidrawhost.h"

// glib names a struct member "signals", which Qt defines as a keyword.
#undef signals
#include <umockdev.h>
#define signals Q_SIGNALS

#include <QByteArray>
#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/hidraw.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <unistd.h>

namespace emulator {

namespace {

// Vendor page 0xFF00: 63-byte input and output reports with id 0x02 (the bridge
// report) and a 32-byte feature report. hidapi reads the usage page from it.
const std::uint8_t kReportDescriptor[] = {
    0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01,                         // usage page, usage, collection
    0x85, 0x02, 0x09, 0x02, 0x15, 0x00, 0x26, 0xFF, 0x00, 0x75, 0x08, // id 2, 8-bit fields
    0x95, 0x3F, 0x81, 0x02,                                           // 63 bytes in
    0x09, 0x03, 0x95, 0x3F, 0x91, 0x02,                               // 63 bytes out
    0x85, 0x01, 0x09, 0x04, 0x95, 0x20, 0xB1, 0x02,                   // id 1, 32 bytes feature
    0xC0,
};

// Reports a client has not read yet; a real hidraw node keeps a small ring and
// drops what does not fit, and so do we (whole reports only).
constexpr std::size_t kMaxBacklog = 256;

const char kUsbPath[] = "/sys/devices/pci0000:00/0000:00:14.0/usb1/1-1";

QByteArray hex4(std::uint16_t v)
{
    return QByteArray::number(v, 16).rightJustified(4, '0').toUpper();
}

QByteArray hidName(const PanelDescription &p)
{
    return "0003:" + hex4(p.vendorId) + ":" + hex4(p.productId) + ".0001";
}

gboolean onIoctl(UMockdevIoctlBase *, UMockdevIoctlClient *client, gpointer self)
{
    return static_cast<HidrawHost *>(self)->handleIoctl(client) ? TRUE : FALSE;
}

gboolean onWrite(UMockdevIoctlBase *, UMockdevIoctlClient *client, gpointer self)
{
    return static_cast<HidrawHost *>(self)->handleWrite(client) ? TRUE : FALSE;
}

// The client's buffer behind an ioctl argument, copied in and (when changed) back out.
UMockdevIoctlData *resolveArgument(UMockdevIoctlClient *client, gsize length)
{
    GError *error = nullptr;
    UMockdevIoctlData *data =
        umockdev_ioctl_data_resolve(umockdev_ioctl_client_get_arg(client), 0, length, &error);
    g_clear_error(&error);
    return data;
}

} // namespace

HidrawHost::HidrawHost(PanelDescription panel)
    : m_board(panel), m_panel(std::move(panel))
{
    m_board.setSink([this](const Report &report, std::size_t length) { queueInput(report, length); });
    m_board.setTrace(&m_trace);
    m_writer = std::thread([this] { writerLoop(); });
    m_scanner = std::thread([this] { scanLoop(); });
}

HidrawHost::~HidrawHost()
{
    {
        std::lock_guard<std::mutex> lock(m_scanMutex);
        m_scanStopping = true;
    }
    m_scanWake.notify_all();
    m_scanner.join();
    unplug();
    removeParents();
    {
        std::lock_guard<std::mutex> lock(m_queueMutex);
        m_stopping = true;
    }
    m_queueChanged.notify_all();
    m_writer.join();
    if (m_testbed)
        g_object_unref(m_testbed); // removes the testbed folder
}

bool HidrawHost::start(QString *error)
{
    if (m_testbed)
        return true;
    m_testbed = umockdev_testbed_new();
    if (!m_testbed) {
        if (error)
            *error = QStringLiteral("cannot create the umockdev testbed");
        return false;
    }
    return true;
}

QString HidrawHost::testbedRoot() const
{
    if (!m_testbed)
        return {};
    gchar *root = umockdev_testbed_get_root_dir(m_testbed);
    const QString result = QString::fromLocal8Bit(root);
    g_free(root);
    return result;
}

bool HidrawHost::makeNode(QString *error)
{
    const int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    const char *slave = master >= 0 && grantpt(master) == 0 && unlockpt(master) == 0 ? ptsname(master) : nullptr;
    struct termios modes;
    struct stat st;
    if (!slave || tcgetattr(master, &modes) < 0 || stat(slave, &st) < 0) {
        if (error)
            *error = QStringLiteral("pseudo-terminal: %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
        if (master >= 0)
            ::close(master);
        return false;
    }
    // Raw: every byte passes unchanged, nothing is echoed back to the writer.
    cfmakeraw(&modes);
    tcsetattr(master, TCSANOW, &modes);
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);

    const QString root = testbedRoot();
    const QByteArray majorMinor = QByteArray::number(major(st.st_rdev)) + ":" + QByteArray::number(minor(st.st_rdev));
    const QString mapDir = root + QStringLiteral("/dev/.ptymap");
    QDir().mkpath(mapDir);
    // The preload library answers isatty() from this map; without it hidapi's
    // device-info look-up would treat the node as a terminal.
    m_ptyMapLink = mapDir + QLatin1Char('/') + QString::fromLocal8Bit(slave).replace(QLatin1Char('/'), QLatin1Char('_'));
    const QString node = root + QStringLiteral("/dev/") + nodeName();
    QFile::remove(m_ptyMapLink);
    QFile::remove(node);
    if (::symlink(majorMinor.constData(), QFile::encodeName(m_ptyMapLink).constData()) < 0
        || ::symlink(slave, QFile::encodeName(node).constData()) < 0) {
        if (error)
            *error = QStringLiteral("device node: %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
        ::close(master);
        return false;
    }

    std::lock_guard<std::mutex> lock(m_queueMutex);
    m_masterFd = master;
    m_queue.clear();
    return true;
}

void HidrawHost::closeNode()
{
    std::lock_guard<std::mutex> lock(m_queueMutex);
    if (m_masterFd >= 0)
        ::close(m_masterFd);
    m_masterFd = -1;
    m_queue.clear();
}

bool HidrawHost::plug(QString *error)
{
    if (!m_testbed && !start(error))
        return false;
    if (m_plugged)
        return true;

    PanelDescription panel;
    {
        std::lock_guard<std::mutex> lock(m_boardMutex);
        m_board.setPanel(m_panel);
        m_board.powerOn();
        panel = m_panel;
    }

    const QByteArray devnode = "/dev/" + nodeName().toLatin1();
    // Handler and node first, sysfs last: the "add" uevent goes out at once and a
    // quick client opens the node straight away.
    m_handler = umockdev_ioctl_base_new();
    g_signal_connect(m_handler, "handle-ioctl", G_CALLBACK(onIoctl), this);
    g_signal_connect(m_handler, "handle-write", G_CALLBACK(onWrite), this);
    GError *gerror = nullptr;
    if (!umockdev_testbed_attach_ioctl(m_testbed, devnode.constData(), m_handler, &gerror)) {
        if (error)
            *error = QString::fromUtf8(gerror ? gerror->message : "attach_ioctl failed");
        g_clear_error(&gerror);
        g_clear_object(&m_handler);
        return false;
    }
    if (!makeNode(error)) {
        umockdev_testbed_detach_ioctl(m_testbed, devnode.constData(), nullptr);
        g_clear_object(&m_handler);
        return false;
    }

    struct stat st;
    QByteArray majorMinor = "0:0";
    const QByteArray node = QFile::encodeName(testbedRoot()) + devnode;
    if (::stat(node.constData(), &st) == 0)
        majorMinor = QByteArray::number(major(st.st_rdev)) + ":" + QByteArray::number(minor(st.st_rdev));
    const QList<QByteArray> mm = majorMinor.split(':');

    QByteArray descriptor;
    for (std::uint8_t b : kReportDescriptor)
        descriptor += QByteArray::number(b, 16).rightJustified(2, '0').toUpper();

    const QByteArray usb = QByteArray(kUsbPath).mid(4);
    const QByteArray intf = usb + "/1-1:1.0";
    const QByteArray hid = intf + "/" + hidName(panel);
    const QByteArray vid = hex4(panel.vendorId), pid = hex4(panel.productId);
    const QByteArray product = "Kavel USB-I2C Bridge";

    // The USB device, its interface and the HID device stay in sysfs between
    // plugs; only the hidraw node comes and goes. A listener then hears one
    // event per plug or unplug. umockdev aborts when a listener's queue (ten
    // datagrams) is full, and a station busy waiting for its panel would
    // otherwise take the host down after two quick plug cycles.
    if (m_parents && (m_parents->vendorId != panel.vendorId || m_parents->productId != panel.productId))
        removeParents();
    if (!m_parents) {
        const QByteArray parents =
            "P: " + usb + "\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_device\nE: PRODUCT="
            + QByteArray::number(panel.vendorId, 16) + "/" + QByteArray::number(panel.productId, 16) + "/"
            + QByteArray::number(panel.release, 16) + "\nA: idVendor=" + vid.toLower() + "\nA: idProduct="
            + pid.toLower() + "\nA: bcdDevice=" + hex4(panel.release) + "\nA: manufacturer=Kavel\nA: product="
            + product + "\nA: serial=EMU0001\nA: busnum=1\nA: devnum=2\n\n"
            + "P: " + intf + "\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_interface\nE: INTERFACE=3/0/0\n"
            + "A: bInterfaceNumber=00\nA: bInterfaceClass=03\n\n"
            + "P: " + hid + "\nE: SUBSYSTEM=hid\nE: HID_ID=0003:0000" + vid + ":0000" + pid + "\nE: HID_NAME="
            + product + "\nE: HID_PHYS=usb-0000:00:14.0-1/input0\nE: HID_UNIQ=EMU0001\nE: MODALIAS=hid:b0003g0001v0000"
            + vid + "p0000" + pid + "\nH: report_descriptor=" + descriptor + "\n";
        if (!umockdev_testbed_add_from_string(m_testbed, parents.constData(), &gerror)) {
            if (error)
                *error = QString::fromUtf8(gerror ? gerror->message : "add_from_string failed");
            g_clear_error(&gerror);
            closeNode();
            umockdev_testbed_detach_ioctl(m_testbed, devnode.constData(), nullptr);
            g_clear_object(&m_handler);
            return false;
        }
        m_parents = ParentIds{panel.vendorId, panel.productId};
    }

    const QByteArray text = "P: " + hid + "/hidraw/" + nodeName().toLatin1()
                            + "\nE: SUBSYSTEM=hidraw\nE: DEVNAME=" + devnode + "\nE: MAJOR=" + mm.value(0)
                            + "\nE: MINOR=" + mm.value(1) + "\nA: dev=" + majorMinor
                            + "\nL: device=../../../" + hidName(panel) + "\n";
    if (!umockdev_testbed_add_from_string(m_testbed, text.constData(), &gerror)) {
        if (error)
            *error = QString::fromUtf8(gerror ? gerror->message : "add_from_string failed");
        g_clear_error(&gerror);
        closeNode();
        umockdev_testbed_detach_ioctl(m_testbed, devnode.constData(), nullptr);
        g_clear_object(&m_handler);
        return false;
    }
    m_hidrawPath = QByteArray(kUsbPath) + "/1-1:1.0/" + hidName(panel) + "/hidraw/" + nodeName().toLatin1();
    m_plugged = true;
    return true;
}

void HidrawHost::unplug()
{
    if (!m_plugged)
        return;
    // A real disconnect wakes readers with a hang-up first; a client reacting to
    // the "remove" uevent already finds its handle dead.
    closeNode();

    // The event is built from sysfs, so it goes out before the folder is removed.
    umockdev_testbed_uevent(m_testbed, m_hidrawPath.constData(), "remove");
    umockdev_testbed_remove_device(m_testbed, m_hidrawPath.constData());
    const QByteArray devnode = "/dev/" + nodeName().toLatin1();
    umockdev_testbed_detach_ioctl(m_testbed, devnode.constData(), nullptr);
    g_clear_object(&m_handler);
    if (!m_ptyMapLink.isEmpty())
        QFile::remove(m_ptyMapLink);
    QFile::remove(testbedRoot() + QStringLiteral("/dev/") + nodeName());
    m_ptyMapLink.clear();
    m_plugged = false;
}

void HidrawHost::removeParents()
{
    if (!m_parents)
        return;
    const QByteArray usb = QByteArray(kUsbPath);
    const QByteArray intf = usb + "/1-1:1.0";
    PanelDescription ids;
    ids.vendorId = m_parents->vendorId;
    ids.productId = m_parents->productId;
    const QByteArray order[] = {intf + "/" + hidName(ids), intf, usb};
    for (const QByteArray &path : order) {
        umockdev_testbed_uevent(m_testbed, path.constData(), "remove");
        umockdev_testbed_remove_device(m_testbed, path.constData());
    }
    m_parents.reset();
}

bool HidrawHost::isPlugged() const
{
    return m_plugged;
}

void HidrawHost::setPanel(const PanelDescription &panel)
{
    std::lock_guard<std::mutex> lock(m_boardMutex);
    m_panel = panel;
}

PanelDescription HidrawHost::panel() const
{
    std::lock_guard<std::mutex> lock(m_boardMutex);
    return m_panel;
}

void HidrawHost::setFaults(const Faults &faults)
{
    std::lock_guard<std::mutex> lock(m_boardMutex);
    m_panel.faults = faults;
    m_board.setFaults(faults);
}

void HidrawHost::setLatency(LatencyModel latency)
{
    std::lock_guard<std::mutex> lock(m_boardMutex);
    m_latency = latency;
}

void HidrawHost::setTouches(const std::vector<Touch> &touches)
{
    std::lock_guard<std::mutex> lock(m_boardMutex);
    m_board.setTouches(touches);
}

void HidrawHost::setKeys(std::uint8_t mask)
{
    std::lock_guard<std::mutex> lock(m_boardMutex);
    m_board.setKeys(mask);
}

void HidrawHost::scanLoop()
{
    constexpr auto kScan = std::chrono::milliseconds(10);
    std::unique_lock<std::mutex> lock(m_scanMutex);
    auto next = Clock::now() + kScan;
    while (!m_scanStopping) {
        m_scanWake.wait_until(lock, next);
        if (m_scanStopping)
            break;
        next += kScan;
        if (next < Clock::now())
            next = Clock::now() + kScan; // fell behind: no burst of catch-up scans
        std::lock_guard<std::mutex> board(m_boardMutex);
        if (m_plugged && m_board.reportDue())
            m_board.tick();
    }
}

bool HidrawHost::startTrace(const QString &path)
{
    std::lock_guard<std::mutex> lock(m_boardMutex);
    const bool ok = m_trace.open(path);
    m_tracePath = ok ? path : QString();
    return ok;
}

void HidrawHost::stopTrace()
{
    std::lock_guard<std::mutex> lock(m_boardMutex);
    m_trace.close();
    m_tracePath.clear();
}

QString HidrawHost::tracePath() const
{
    std::lock_guard<std::mutex> lock(m_boardMutex);
    return m_tracePath;
}

int HidrawHost::outputReports() const
{
    std::lock_guard<std::mutex> lock(m_boardMutex);
    return m_outputs;
}

void HidrawHost::queueInput(const Report &report, std::size_t length)
{
    // Called by the board with m_boardMutex held.
    const Clock::time_point due = Clock::now() + 2 * m_latency.perReport;
    {
        std::lock_guard<std::mutex> lock(m_queueMutex);
        if (m_masterFd < 0 || m_queue.size() >= kMaxBacklog)
            return;
        m_queue.push_back({report, due, length});
    }
    m_queueChanged.notify_all();
}

void HidrawHost::writerLoop()
{
    std::unique_lock<std::mutex> lock(m_queueMutex);
    std::size_t written = 0; // of the report at the head of the queue
    while (!m_stopping) {
        if (m_queue.empty()) {
            written = 0;
            m_queueChanged.wait(lock);
            continue;
        }
        const Clock::time_point due = m_queue.front().due;
        if (Clock::now() < due) {
            m_queueChanged.wait_until(lock, due);
            continue;
        }
        if (m_masterFd < 0) {
            m_queue.clear();
            continue;
        }
        // A short answer goes out as it is: the client reads it alone, because
        // the next answer is due only after the client's next request.
        const Report &head = m_queue.front().report;
        const std::size_t size = m_queue.front().length;
        const ssize_t n = ::write(m_masterFd, head.data() + written, size - written);
        if (n > 0)
            written += std::size_t(n);
        if (written == size) {
            m_queue.pop_front();
            written = 0;
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR) {
            m_queue.clear();
            written = 0;
            continue;
        }
        // The client is behind: its buffer is full. Try again shortly; the rest of
        // this report goes out before anything else, so reports stay whole.
        m_queueChanged.wait_for(lock, std::chrono::milliseconds(2));
    }
}

bool HidrawHost::handleWrite(void *clientPtr)
{
    auto *client = static_cast<UMockdevIoctlClient *>(clientPtr);
    UMockdevIoctlData *arg = umockdev_ioctl_client_get_arg(client);
    const gsize length = arg->data_len;
    {
        std::lock_guard<std::mutex> lock(m_boardMutex);
        ++m_outputs;
        m_board.receive(reinterpret_cast<const std::uint8_t *>(arg->data), length);
    }
    umockdev_ioctl_client_complete(client, glong(length), 0);
    return true;
}

bool HidrawHost::handleIoctl(void *clientPtr)
{
    auto *client = static_cast<UMockdevIoctlClient *>(clientPtr);
    const gulong request = umockdev_ioctl_client_get_request(client);
    const unsigned nr = _IOC_NR(request), size = _IOC_SIZE(request);
    // isatty() and friends arrive here too: this is no terminal.
    if (_IOC_TYPE(request) != 'H') {
        umockdev_ioctl_client_complete(client, -1, ENOTTY);
        return true;
    }

    PanelDescription panel;
    {
        std::lock_guard<std::mutex> lock(m_boardMutex);
        panel = m_board.panel();
    }

    UMockdevIoctlData *data = nullptr;
    glong result = -1;
    int err = 0;
    switch (nr) {
    case _IOC_NR(HIDIOCGRDESCSIZE):
        if ((data = resolveArgument(client, sizeof(int)))) {
            *reinterpret_cast<int *>(data->data) = int(sizeof kReportDescriptor);
            result = 0;
        } else {
            err = EFAULT;
        }
        break;
    case _IOC_NR(HIDIOCGRDESC):
        if ((data = resolveArgument(client, sizeof(hidraw_report_descriptor)))) {
            auto *d = reinterpret_cast<hidraw_report_descriptor *>(data->data);
            if (d->size > HID_MAX_DESCRIPTOR_SIZE) {
                err = EINVAL;
                break;
            }
            std::memcpy(d->value, kReportDescriptor, std::min<std::size_t>(d->size, sizeof kReportDescriptor));
            result = 0;
        } else {
            err = EFAULT;
        }
        break;
    case _IOC_NR(HIDIOCGRAWINFO):
        if ((data = resolveArgument(client, sizeof(hidraw_devinfo)))) {
            auto *info = reinterpret_cast<hidraw_devinfo *>(data->data);
            info->bustype = 3; // USB
            info->vendor = std::int16_t(panel.vendorId);
            info->product = std::int16_t(panel.productId);
            result = 0;
        } else {
            err = EFAULT;
        }
        break;
    case 0x04:   // HIDIOCGRAWNAME(len)
    case 0x05:   // HIDIOCGRAWPHYS(len)
    case 0x08: { // HIDIOCGRAWUNIQ(len)
        const char *s = nr == 0x04 ? "Kavel USB-I2C Bridge" : nr == 0x05 ? "usb-0000:00:14.0-1/input0" : "EMU0001";
        if (size && (data = resolveArgument(client, size))) {
            g_strlcpy(reinterpret_cast<char *>(data->data), s, size);
            result = glong(std::min<std::size_t>(std::strlen(s) + 1, size));
        } else {
            err = EFAULT;
        }
        break;
    }
    case 0x06:   // HIDIOCSFEATURE(len)
    case 0x07: { // HIDIOCGFEATURE(len)
        if (!size || !(data = resolveArgument(client, size))) {
            err = EFAULT;
            break;
        }
        auto *bytes = reinterpret_cast<std::uint8_t *>(data->data);
        int n;
        {
            std::lock_guard<std::mutex> lock(m_boardMutex);
            n = nr == 0x06 ? m_board.setFeature(bytes, size) : m_board.getFeature(bytes, size);
        }
        if (n < 0)
            err = EPIPE; // what hidraw gives for a stalled control transfer
        else
            result = n;
        break;
    }
    default:
        err = nr >= 0x09 && nr <= 0x0C ? EPIPE : ENOTTY;
        break;
    }
    if (data)
        g_object_unref(data);
    umockdev_ioctl_client_complete(client, err ? -1 : result, err);
    return true;
}

} // namespace emulator
