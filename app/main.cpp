#include "app/MainWindow.h"
#include "image/ImageFiles.h"
#include "script/ScriptRunner.h"

#include <QApplication>
#include <QFile>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

#if defined(__GLIBC__)
#include <malloc.h>
#endif
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

namespace {

constexpr int kUsageError = 2;

const char* const kUsage = R"(Usage: pliego [--script FILE]
       pliego --help

Without options the window opens for the operator.

  --script FILE   Drive the window from the statements in FILE ("-" reads standard input)
                  without showing it, then close it and exit. No display is needed: the
                  program draws off screen unless QT_QPA_PLATFORM says otherwise.
  -h, --help      Show this help and exit.

Exit status:
  0  every statement was carried out and every run it started did all it was asked;
  1  the script ran to its end, but something a run was asked to do failed or was left
     out: a scan that could not be read, a page not written, a full disk that stopped a
     batch, an effect, a watermark or a label that failed, a book PDF not written (each
     has its line in the lists);
  2  a usage error, or the first statement that could not be carried out, reported on
     standard error as "pliego: line N: REASON" (later statements do not run).

Every line added to the progress lists ListaProceso, lstActividad, lstNumeracion and lstPDF is
written to standard output at once as "ListaProceso: TEXT", "lstActividad: TEXT",
"lstNumeracion: TEXT" or "lstPDF: TEXT".

Script statements: one per line; words separated by blanks; a word in double quotes may hold
blanks, with \" and \\ inside; ${VAR} is replaced by the environment variable VAR; blank
lines and lines starting with # are ignored. The whole script is read, and the form of each
statement and every name checked, before the first statement runs. NAME is a control's name,
such as TipoGrande or cbMagikNon(2); ROW is a row number (from 0) or the text of a row. Only
what a person could reach is allowed: a disabled or hidden control, or one on a disabled tab,
is refused; a control on another enabled tab is reachable.

  set NAME VALUE        Change a control as an operator does, and its handler runs:
                          check box 0 or 1; option button 1; slider or up-down a whole number
                          in its range; text box any text; combo box a row number or a text;
                          drive list a drive; folder list a folder; file list a file name
                          (that row is clicked).
  select NAME all|none|ROW...
                        Select exactly these rows (numbers or texts) of a list with multiple
                        selection; no handler runs.
  click NAME [ROW]      Click a button, check box, option button, label used as a button,
                        row ROW of a list, or arrow "up"/"down" of an up-down. After
                        "click cmdCrearPDF" the next statement waits until the PDF is done.
  dblclick NAME ROW     Double-click row ROW of a list.
  tab N                 Click the caption of tab N (0 to 8) of SSTab1.
  pointer NAME down|move|up|dblclick BUTTON X Y
                        Press, move, release or double-click the mouse on image box NAME at
                        pixel (X, Y) of the box. BUTTON: 1 left, 2 right, 4 middle (0: none,
                        for move).
  when LIST "TEXT" N STATEMENT...
                        From now on, the N-th time the line TEXT is added to LIST
                        (ListaProceso, lstActividad or lstPDF), STATEMENT runs as soon as the
                        window handles pending events, e.g. between the scans of a batch:
                          when ListaProceso "Leyendo imagen ..." 2 click Cancelar
                        If that statement cannot be carried out, the program stops there.
  print NAME[.PROPERTY] Write "NAME[.PROPERTY] = VALUE". Properties: Value, Text, Caption,
                        ListIndex, ListCount, List (one line per row, List[i] for one),
                        Selected, Enabled, Visible, Path, Pattern, FileName, Drive, Min, Max;
                        image boxes: HasImage, ImageWidth, ImageHeight, ColorFormat;
                        SSTab1: Tab, Tabs, Caption, TabEnabled[i], TabCaption[i].
                        Without a property, the control's main value. Working values print by
                        name (print MargenIzq). Numbers print with up to 15 significant
                        digits, Booleans as True or False.
  save NAME PATH        Write the image of image box NAME to PATH.
)";

void writeLine(std::FILE* stream, const QString& line) {
    const QByteArray bytes = (line + QLatin1Char('\n')).toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stream);
    std::fflush(stream);
}

int usageError(const std::string& message) {
    std::fprintf(stderr, "pliego: %s\nTry 'pliego --help'.\n", message.c_str());
    return kUsageError;
}

struct Options {
    bool help = false;
    bool script = false;
    std::string scriptFile;
};

// Reads the options; returns an exit status when the program must stop here.
std::optional<int> readOptions(int argc, char* argv[], Options& options) {
    for (int k = 1; k < argc; ++k) {
        const std::string arg = argv[k];
        if (arg == "-h" || arg == "--help") {
            options.help = true;
        } else if (arg == "--script" || arg.rfind("--script=", 0) == 0) {
            if (options.script)
                return usageError("--script given twice");
            options.script = true;
            if (arg == "--script") {
                if (k + 1 >= argc)
                    return usageError("--script needs a FILE (\"-\" for standard input)");
                options.scriptFile = argv[++k];
            } else {
                options.scriptFile = arg.substr(std::strlen("--script="));
            }
            if (options.scriptFile.empty())
                return usageError("--script needs a FILE (\"-\" for standard input)");
        } else if (!arg.empty() && arg[0] == '-') {
            return usageError("unknown option '" + arg + "'");
        } else {
            return usageError("unexpected argument '" + arg + "'");
        }
    }
    return std::nullopt;
}

std::optional<QString> readScript(const std::string& file) {
    QFile source;
    bool opened = false;
    if (file == "-") {
        opened = source.open(stdin, QIODevice::ReadOnly);
    } else {
        source.setFileName(QString::fromLocal8Bit(file.c_str()));
        opened = source.open(QIODevice::ReadOnly);
    }
    if (!opened) {
        std::fprintf(stderr, "pliego: cannot read %s: %s\n", file.c_str(),
                     source.errorString().toLocal8Bit().constData());
        return std::nullopt;
    }
    return QString::fromUtf8(source.readAll());
}

QtMessageHandler qtMessages = nullptr;

// A script run's standard error holds its own reports only. Qt's notes that it made a runtime
// folder of its own (as it does under root or a service, where XDG_RUNTIME_DIR is not set) and
// that the off-screen platform passes over window size hints say nothing about the script.
void quietPlatformNotes(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (type == QtWarningMsg &&
        (message.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR not set")) ||
         message == QLatin1String("This plugin does not support propagateSizeHints()")))
        return;
    if (qtMessages)
        qtMessages(type, context, message);
    else
        writeLine(stderr, message);
}

int runScript(const std::string& file) {
    const std::optional<QString> text = readScript(file);
    if (!text)
        return kUsageError;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qtMessages = qInstallMessageHandler(quietPlatformNotes);

    // Qt is given no arguments of ours to interpret.
    int qtArgc = 1;
    char programName[] = "pliego";
    char* qtArgv[] = {programName, nullptr};
    QApplication app(qtArgc, qtArgv);
    QApplication::setApplicationName(QStringLiteral("Pliego"));
    QApplication::setQuitOnLastWindowClosed(false);
    useScanAllocationLimit();

    MainWindow window;
    // Laid out and "shown" as for a person, but never put on a screen.
    window.setAttribute(Qt::WA_DontShowOnScreen);
    window.show();

    ScriptRunner runner(
        window, [](const QString& line) { writeLine(stdout, line); },
        [](const QString& line) { writeLine(stderr, line); });
    // A queued statement that fails inside a running handler stops the program there: the
    // handler (a batch, say) must not go on doing what the script no longer asks for.
    runner.setAbortHandler([](int status) {
        std::fflush(nullptr);
        std::_Exit(status);
    });
    if (!runner.load(*text))
        return runner.status();
    QObject::connect(&runner, &ScriptRunner::finished, &app,
                     [](int status) { QCoreApplication::exit(status); });
    runner.start();
    app.exec();
    return runner.status();
}

} // namespace

// Every scan is a new picture of the same size; freed pictures stay with the process, so the next
// scan reuses memory that is already mapped instead of faulting in fresh pages.
void keepFreedPicturesForReuse() {
#if defined(__GLIBC__)
    // 32 MB is the largest threshold glibc accepts; whole scans are recycled by their reader.
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    mallopt(M_TRIM_THRESHOLD, 256 << 20);
#endif
}

int main(int argc, char* argv[]) {
    keepFreedPicturesForReuse();
    Options options;
    if (const std::optional<int> stop = readOptions(argc, argv, options))
        return *stop;
    if (options.help) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (options.script)
        return runScript(options.scriptFile);

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Pliego"));
    // The desktop entry that installing puts in share/applications, for the icon and the name.
    QApplication::setDesktopFileName(QStringLiteral("pliego"));
    useScanAllocationLimit();

    MainWindow window;
#ifdef Q_OS_UNIX
    closeWindowOnTermination(window);
#endif
    window.show();
    return app.exec();
}
