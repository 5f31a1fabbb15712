// The window in a real X display: a spread of the sample book loaded on the automatic tab, the
// whole scan in the preview and the rectangle of the active page where the sliders put it.
#include "app/ComboBox.h"
#include "app/MainWindow.h"
#include "image/ImageBox.h"
#include "sources/FileList.h"

#include <QCheckBox>
#include <QDir>
#include <QImageReader>
#include <QPushButton>
#include <QScreen>
#include <QSlider>
#include <QTabWidget>
#include <QTest>

class WindowScreenshotsTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void automaticTabShowsTheLoadedSpread();
    void interactiveTabShowsATrimmedTestPage();

private:
    QImage grabPreview(MainWindow& w);
    QString artifacts_;
};

void WindowScreenshotsTest::initTestCase() {
    QImageReader::setAllocationLimit(2048);
    artifacts_ = qEnvironmentVariable("PLIEGO_TEST_ARTIFACTS", QDir::tempPath());
    QDir().mkpath(artifacts_);
    const QString samples = qEnvironmentVariable("PLIEGO_SAMPLES");
    QVERIFY2(QFileInfo::exists(samples + "/libro001.jpg"), "the sample book is missing");
    QDir::setCurrent(samples);
}

QImage WindowScreenshotsTest::grabPreview(MainWindow& w) {
    QCoreApplication::processEvents();
    QTest::qWait(200);
    const QRect box(w.Imagen->mapTo(&w, QPoint(0, 0)), w.Imagen->size());
    return w.screen()->grabWindow(w.winId()).toImage().copy(box).convertToFormat(
        QImage::Format_RGB32);
}

void WindowScreenshotsTest::automaticTabShowsTheLoadedSpread() {
    MainWindow w(QDir(QCoreApplication::applicationDirPath()).filePath("../.."));
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.Files->clickRow(0);
    w.Files->doubleClickRow(0);
    QCOMPARE(w.SSTab1->currentIndex(), 1);
    w.SelectionSize->setValue(950);
    w.Altura->setValue(50);
    w.UpDowni->setValue(w.UpDowni->value() + 20);

    const QImage withRectangle = grabPreview(w);
    w.screen()->grabWindow(w.winId()).save(artifacts_ + "/tab1-loaded.png");

    // The whole scan fills the preview: its dark scanner margin shows on every edge.
    auto dark = [](QRgb p) { return qGray(p) < 60; };
    const int last = withRectangle.width() - 1;
    const int bottom = withRectangle.height() - 1;
    QVERIFY(dark(withRectangle.pixel(0, bottom / 2)));
    QVERIFY(dark(withRectangle.pixel(last, bottom / 2)));
    QVERIFY(dark(withRectangle.pixel(last / 2, 0)));
    QVERIFY(dark(withRectangle.pixel(last / 4, bottom)));
    QVERIFY(!dark(withRectangle.pixel(last / 4, bottom / 2))); // paper inside

    // The rectangle is what differs once the selection is taken away.
    w.Imagen->ClearSelection();
    const QImage without = grabPreview(w);
    QRect changed;
    for (int y = 0; y < without.height(); ++y)
        for (int x = 0; x < without.width(); ++x)
            if (without.pixel(x, y) != withRectangle.pixel(x, y))
                changed |= QRect(x, y, 1, 1);
    QVERIFY(!changed.isEmpty());
    const double perPixel = w.Imagen->screenPixelsPerImagePixel();
    const QRectF expected(w.v.MargenIzq * perPixel, w.v.MargenSuperior * perPixel,
                          w.v.AnchoSeleccion * perPixel,
                          (w.v.LimiteInferior - w.v.MargenSuperior) * perPixel);
    QVERIFY2(qAbs(changed.left() - expected.left()) <= 2,
             qPrintable(QString::number(changed.left())));
    QVERIFY2(qAbs(changed.top() - expected.top()) <= 2, qPrintable(QString::number(changed.top())));
    QVERIFY2(qAbs(changed.right() + 1 - expected.right()) <= 2,
             qPrintable(QString::number(changed.right())));
    QVERIFY2(qAbs(changed.bottom() + 1 - expected.bottom()) <= 2,
             qPrintable(QString::number(changed.bottom())));
}

// A test on the interactive tab puts the page it would write, its dark lid trimmed off, where the
// preview was.
void WindowScreenshotsTest::interactiveTabShowsATrimmedTestPage() {
    MainWindow w(QDir(QCoreApplication::applicationDirPath()).filePath("../.."));
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.Interactivo->setChecked(true);
    w.ColorBw->setListIndex(0);
    w.AceptaConfig->click();
    w.LocalFiles2->doubleClickRow(0);
    QCOMPARE(w.SSTab1->currentIndex(), 4);
    w.UpDownd2->setValue(900);
    w.cmdICPrueba->click();
    QCOMPARE(w.cmdICPrueba->text(), QStringLiteral("Continuar"));
    QVERIFY(w.ImgPreview->isVisible());
    QVERIFY(!w.Imagen2->isVisible());
    QVERIFY(w.ImgPreview->ImageWidth() < w.v.AnchoPagina);
    QVERIFY(w.ImgPreview->ImageHeight() < w.v.AltoPagina);

    QCoreApplication::processEvents();
    QTest::qWait(200);
    const QImage window = w.screen()->grabWindow(w.winId()).toImage();
    window.save(artifacts_ + "/tab4-test-page.png");
    // The page fills the result box from its top-left corner: paper, not the dark lid.
    const QPoint corner = w.ImgPreview->mapTo(&w, QPoint(0, 0));
    QVERIFY(qGray(window.pixel(corner + QPoint(2, 2))) > 150);
    QVERIFY(qGray(window.pixel(corner + QPoint(2, w.ImgPreview->height() / 2))) > 150);
}

QTEST_MAIN(WindowScreenshotsTest)
#include "test_window_screenshots.moc"
