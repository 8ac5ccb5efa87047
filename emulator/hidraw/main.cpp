// kavel-bridge-emud: the emulated bridge board as a USB HID device.
//
//   kavel-bridge-emud [options] -- PROGRAM [ARGS...]
//
// Creates a umockdev testbed, plugs the emulated board in as /dev/hidraw0 and
// runs PROGRAM as its child with umockdev's preload library, so the program
// (the unchanged station) finds the board through real hidapi and libudev.
// Ends when the child ends, with the child's exit code.

#include "controlwindow.h"
#include "hidrawhost.h"
#include "hostcontrol.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QProcess>
#include <QSocketNotifier>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int g_signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const char c = 1;
    (void)!::write(g_signalPipe[1], &c, 1);
}

// The host and its child must run with umockdev's preload library. Started
// without it, the host starts itself again with it, so callers need no wrapper.
void ensurePreload(char **argv)
{
    const char *preload = std::getenv("LD_PRELOAD");
    if (preload && std::strstr(preload, "libumockdev-preload"))
        return;
    std::string value = "libumockdev-preload.so.0";
    if (preload && *preload)
        value += std::string(":") + preload;
    ::setenv("LD_PRELOAD", value.c_str(), 1);
    // A sanitizer build complains that its runtime is not loaded first; with the
    // preload library in front that is expected.
    std::string asan = std::getenv("ASAN_OPTIONS") ? std::getenv("ASAN_OPTIONS") : "";
    if (asan.find("verify_asan_link_order") == std::string::npos) {
        asan += asan.empty() ? "verify_asan_link_order=0" : ":verify_asan_link_order=0";
        ::setenv("ASAN_OPTIONS", asan.c_str(), 1);
    }
    ::execv("/proc/self/exe", argv);
    std::perror("kavel-bridge-emud: cannot restart under the umockdev preload library");
    std::exit(2);
}

bool wantsWindow(int argc, char **argv)
{
    for (int i = 1; i < argc && std::strcmp(argv[i], "--") != 0; ++i) {
        if (std::strcmp(argv[i], "--no-window") == 0)
            return false;
    }
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    ensurePreload(argv);

    const bool window = wantsWindow(argc, argv);
    std::unique_ptr<QCoreApplication> app;
    if (window)
        app = std::make_unique<QApplication>(argc, argv);
    else
        app = std::make_unique<QCoreApplication>(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kavel-bridge-emud"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Emulated Kavel bridge board on a hidraw node"));
    parser.addHelpOption();
    const QCommandLineOption panelOption(QStringLiteral("panel"), QStringLiteral("Panel description file."),
                                         QStringLiteral("file"));
    const QCommandLineOption plugDelay(QStringLiteral("plug-delay-ms"),
                                       QStringLiteral("Plug the board in this long after the program starts "
                                                      "(default: plugged before it starts)."),
                                       QStringLiteral("ms"));
    const QCommandLineOption unpluggedOption(QStringLiteral("unplugged"), QStringLiteral("Start without the board."));
    const QCommandLineOption unplugAfter(QStringLiteral("unplug-after-ms"),
                                         QStringLiteral("Unplug the board this long after it was plugged in."),
                                         QStringLiteral("ms"));
    const QCommandLineOption latencyOption(QStringLiteral("latency-us"),
                                           QStringLiteral("Time per report on the bus (default 0)."),
                                           QStringLiteral("us"), QStringLiteral("0"));
    const QCommandLineOption controlOption(QStringLiteral("control"),
                                           QStringLiteral("Serve control commands on this local socket."),
                                           QStringLiteral("path"));
    const QCommandLineOption traceOption(QStringLiteral("trace"), QStringLiteral("Write a wire trace to this file."),
                                         QStringLiteral("file"));
    const QCommandLineOption noWindow(QStringLiteral("no-window"), QStringLiteral("No control window."));
    parser.addOptions({panelOption, plugDelay, unpluggedOption, unplugAfter, latencyOption, controlOption,
                       traceOption, noWindow});
    parser.process(*app);

    const QStringList command = parser.positionalArguments();
    if (command.isEmpty()) {
        std::fprintf(stderr, "usage: kavel-bridge-emud [options] -- PROGRAM [ARGS...]\n");
        return 2;
    }

    emulator::PanelDescription panel;
    if (parser.isSet(panelOption)) {
        QString error;
        const auto loaded = emulator::PanelDescription::load(parser.value(panelOption), &error);
        if (!loaded) {
            std::fprintf(stderr, "kavel-bridge-emud: %s\n", qPrintable(error));
            return 2;
        }
        panel = *loaded;
    }

    emulator::HidrawHost host(panel);
    host.setLatency(emulator::LatencyModel{std::chrono::microseconds(parser.value(latencyOption).toInt())});
    QString error;
    if (!host.start(&error)) {
        std::fprintf(stderr, "kavel-bridge-emud: %s\n", qPrintable(error));
        return 2;
    }
    if (parser.isSet(traceOption) && !host.startTrace(parser.value(traceOption))) {
        std::fprintf(stderr, "kavel-bridge-emud: cannot write the trace %s\n", qPrintable(parser.value(traceOption)));
        return 2;
    }

    emulator::HostControl control(host);
    if (parser.isSet(controlOption) && !control.listen(parser.value(controlOption), &error)) {
        std::fprintf(stderr, "kavel-bridge-emud: control socket: %s\n", qPrintable(error));
        return 2;
    }

    const auto plugNow = [&] {
        QString plugError;
        if (!host.plug(&plugError))
            std::fprintf(stderr, "kavel-bridge-emud: plug failed: %s\n", qPrintable(plugError));
        emit control.changed();
        if (parser.isSet(unplugAfter)) {
            QTimer::singleShot(parser.value(unplugAfter).toInt(), &control, [&] {
                host.unplug();
                emit control.changed();
            });
        }
    };

    // SIGTERM and SIGINT end the child and the host in order, so the testbed
    // folder is removed and no process is left behind.
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_signalPipe) != 0)
        return 2;
    QSocketNotifier signalNotifier(g_signalPipe[0], QSocketNotifier::Read);
    std::signal(SIGTERM, onSignal);
    std::signal(SIGINT, onSignal);

    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedChannels);
    child.setInputChannelMode(QProcess::ForwardedInputChannel);
    // The program goes when the host goes, however the host ends: a station
    // left behind would hold the terminal and the next start's single-instance lock.
    const pid_t hostPid = ::getpid();
    child.setChildProcessModifier([hostPid] {
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (::getppid() != hostPid)
            ::raise(SIGTERM);
    });
    child.setProgram(command.first());
    child.setArguments(command.mid(1));
    int exitCode = 0;
    QObject::connect(&child, &QProcess::finished, app.get(), [&](int code, QProcess::ExitStatus status) {
        exitCode = status == QProcess::NormalExit ? code : 128 + SIGKILL;
        app->quit();
    });
    QObject::connect(&child, &QProcess::errorOccurred, app.get(), [&](QProcess::ProcessError e) {
        if (e == QProcess::FailedToStart) {
            std::fprintf(stderr, "kavel-bridge-emud: cannot start %s\n", qPrintable(command.first()));
            exitCode = 127;
            app->quit();
        }
    });
    QObject::connect(&signalNotifier, &QSocketNotifier::activated, app.get(), [&] {
        char c;
        (void)!::read(g_signalPipe[0], &c, 1);
        if (child.state() != QProcess::NotRunning) {
            ::kill(pid_t(child.processId()), SIGTERM);
            if (!child.waitForFinished(3000))
                child.kill();
        }
        exitCode = 128 + SIGTERM;
        app->quit();
    });

    std::unique_ptr<emulator::ControlWindow> controlWindow;
    if (window) {
        controlWindow = std::make_unique<emulator::ControlWindow>(host, control);
        controlWindow->resize(420, 900);
        controlWindow->move(820, 0);
        controlWindow->show();
    }

    if (!parser.isSet(unpluggedOption)) {
        if (parser.isSet(plugDelay))
            QTimer::singleShot(parser.value(plugDelay).toInt(), &control, plugNow);
        else
            plugNow();
    }
    child.start();

    app->exec();
    if (child.state() != QProcess::NotRunning) {
        child.kill();
        child.waitForFinished(3000);
    }
    controlWindow.reset();
    host.unplug();
    return exitCode;
}
