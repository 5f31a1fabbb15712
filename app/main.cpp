#include "app/MainWindow.h"

#include <QApplication>
#include <QImageReader>

#ifdef Q_OS_UNIX
#include <QSocketNotifier>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {
int terminationPipe[2];

void onTerminationSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(terminationPipe[1], &byte, 1);
}

// A termination request closes the window as the operator would, so its unload handler runs.
void closeWindowOnTermination(MainWindow& window) {
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, terminationPipe) != 0)
        return;
    auto* notifier = new QSocketNotifier(terminationPipe[0], QSocketNotifier::Read, &window);
    QObject::connect(notifier, &QSocketNotifier::activated, &window, [&window] {
        char byte;
        [[maybe_unused]] const auto read = ::read(terminationPipe[0], &byte, 1);
        window.close();
    });
    struct sigaction action = {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
}
} // namespace
#endif

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Pliego"));
    // A 600 dpi spread is far above Qt's default allocation limit; scans up to 20000 x 20000
    // pixels must load.
    QImageReader::setAllocationLimit(2048);

    MainWindow window;
#ifdef Q_OS_UNIX
    closeWindowOnTermination(window);
#endif
    window.show();
    return app.exec();
}
