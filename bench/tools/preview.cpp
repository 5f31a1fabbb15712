// Times the two things an operator waits for on the automatic crop tab: loading a scan into the
// preview (CargaImagen) and the redraw after a slider move (the slider's handler, which runs
// DibujaSeleccion, and the repaint of the preview that shows the new rectangle).
//
//     bench_preview FOLDER [LOADS] [MOVES]
//
// FOLDER holds the scans (libro001.jpg ...). LOADS scans are loaded one after the other, cycling
// through the folder (default 6); the first load is reported apart, since it also pays for the
// first use of every buffer. Then MOVES slider moves (default 60) go round SelectionSize,
// Altura, SelectionWidth and UpDowni. Prints lines "NAME first|median|min|max MILLISECONDS".
#include "app/ImageBox.h"
#include "app/MainWindow.h"
#include "geometry/SelectionControls.h"
#include "sources/FileList.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEvent>
#include <QImageReader>
#include <QSlider>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2.0;
}

void report(const char* name, const std::vector<double>& ms) {
    if (ms.empty())
        return;
    std::printf("%s median %.3f\n", name, median(ms));
    std::printf("%s min %.3f\n", name, *std::min_element(ms.begin(), ms.end()));
    std::printf("%s max %.3f\n", name, *std::max_element(ms.begin(), ms.end()));
    std::printf("%s count %zu\n", name, ms.size());
}

double elapsedMs(const QElapsedTimer& timer) {
    return timer.nsecsElapsed() / 1e6;
}

// Counts the paint events a widget receives, to be sure that a timed repaint really painted.
class PaintCounter : public QObject {
public:
    int paints = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            ++paints;
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

int main(int argc, char* argv[]) {
    if (argc < 2 || argc > 4) {
        std::fprintf(stderr, "usage: bench_preview FOLDER [LOADS] [MOVES]\n");
        return 2;
    }
    const QString folder = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
    const int loads = argc > 2 ? std::atoi(argv[2]) : 6;
    const int moves = argc > 3 ? std::atoi(argv[3]) : 60;
    if (loads < 1 || moves < 1) {
        std::fprintf(stderr, "bench_preview: LOADS and MOVES must be at least 1\n");
        return 2;
    }

    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QImageReader::setAllocationLimit(2048); // as the program sets it: large scans must load

    if (!QDir::setCurrent(folder)) {
        std::fprintf(stderr, "bench_preview: cannot open %s\n", qPrintable(folder));
        return 1;
    }
    // The window opens on the current folder; its tool folder is this program's (no fonts needed).
    // It is shown on the off-screen platform, so that repaints really paint.
    MainWindow w(QCoreApplication::applicationDirPath());
    w.show();
    QApplication::processEvents();

    const int scans = w.Files->count();
    if (scans < 1) {
        std::fprintf(stderr, "bench_preview: no scans in %s\n", qPrintable(folder));
        return 1;
    }

    std::vector<double> loadMs;
    double firstLoad = 0;
    for (int k = 0; k < loads; ++k) {
        w.Files->clickRow(k % scans);
        QApplication::processEvents();
        QElapsedTimer timer;
        timer.start();
        w.CargaImagen();
        const double ms = elapsedMs(timer);
        if (!w.ImagenGrande->HasImage() || w.Imagen->ImageWidth() != w.ImagenGrande->ImageWidth()) {
            std::fprintf(stderr, "bench_preview: %s did not load into the preview\n",
                         qPrintable(w.Files->item(k % scans)->text()));
            return 1;
        }
        if (k == 0)
            firstLoad = ms;
        else
            loadMs.push_back(ms);
        QApplication::processEvents();
    }
    std::printf("scan %s %dx%d\n", qPrintable(w.Files->item(0)->text()),
                w.ImagenGrande->ImageWidth(), w.ImagenGrande->ImageHeight());
    std::printf("CargaImagen first %.3f\n", firstLoad);
    report("CargaImagen", loadMs);

    // A slider move: the value changes (its handler redraws the selection) and the preview
    // repaints at once, as it does under a dragging pointer.
    QSlider* const sliders[] = {w.SelectionSize, w.Altura, w.SelectionWidth, w.UpDowni};
    PaintCounter counter;
    w.Imagen->installEventFilter(&counter);
    std::vector<double> redrawMs, drawOnlyMs;
    for (int k = 0; k < moves; ++k) {
        QSlider* slider = sliders[k % 4];
        const int range = slider->maximum() - slider->minimum();
        const int step = std::max(1, range / 100);
        const int value = (k / 4) % 2 ? slider->value() - step : slider->value() + step;
        const int target = std::clamp(value, slider->minimum(), slider->maximum());
        QElapsedTimer timer;
        timer.start();
        slider->setValue(target == slider->value() ? slider->value() - step : target);
        w.Imagen->repaint();
        redrawMs.push_back(elapsedMs(timer));

        timer.restart();
        w.selection().DibujaSeleccion();
        drawOnlyMs.push_back(elapsedMs(timer));
        QApplication::processEvents();
    }
    if (counter.paints < moves) {
        std::fprintf(stderr, "bench_preview: the preview painted %d times for %d slider moves\n",
                     counter.paints, moves);
        return 1;
    }
    report("slider_redraw", redrawMs);
    report("DibujaSeleccion", drawOnlyMs);
    return 0;
}
