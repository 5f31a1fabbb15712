// The window in a real X display: a spread of the sample book loaded on the automatic tab, the
// whole scan in the preview and the rectangle of the active page where the sliders put it; the
// sample stamp prepared on the watermark tab, on the whole template page.
#include "app/ComboBox.h"
#include "app/MainWindow.h"
#include "app/ImageBox.h"
#include "sources/FileList.h"
#include "sources/FolderList.h"

#include <QCheckBox>
#include <QDir>
#include <QImageReader>
#include <QPushButton>
#include <QScreen>
#include <QSlider>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

class WindowScreenshotsTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void automaticTabShowsTheLoadedSpread();
    void interactiveTabShowsATrimmedTestPage();
    void watermarkTabShowsTheStampOnTheWholeTemplate();

private:
    QImage grabPreview(MainWindow& w);
    QImage grabBox(MainWindow& w, QWidget* box);
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
    return grabBox(w, w.Imagen);
}

QImage WindowScreenshotsTest::grabBox(MainWindow& w, QWidget* box) {
    QCoreApplication::processEvents();
    QTest::qWait(200);
    const QRect area(box->mapTo(&w, QPoint(0, 0)), box->size());
    return w.screen()->grabWindow(w.winId()).toImage().copy(area).convertToFormat(
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

void WindowScreenshotsTest::watermarkTabShowsTheStampOnTheWholeTemplate() {
    QTemporaryDir work;
    const QByteArray tmp = qgetenv("TMP");
    qputenv("TMP", work.path().toLocal8Bit());
    MainWindow w(QDir(QCoreApplication::applicationDirPath()).filePath("../.."));
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.ColorBw->setListIndex(5);
    w.AceptaConfig->click();
    w.LocalFiles->clickRow(0);
    w.Probar->click();
    w.WMActivo->setChecked(true);
    w.DirWM->setPath(QDir::current().filePath("marcas"));
    w.FormatoWM->setListIndex(1);
    w.FileWM->clickRow(0);
    w.WMSize->setValue(50);
    w.WMTrans->setValue(70);
    w.LeerWm->click();
    w.WMHpos->setValue(550);
    w.WMVpos->setValue(820);
    w.LeerWm->click();
    qputenv("TMP", tmp);
    QCOMPARE(w.SSTab1->currentIndex(), 3);

    const QImage shownTemplate = grabBox(w, w.ImgPlantilla);
    w.screen()->grabWindow(w.winId()).save(artifacts_ + "/tab3-watermark.png");

    // The stamp is the only red on the page: on screen it lies where it lies on the page,
    // scaled with the whole page into the box.
    auto red = [](QRgb p) { return qRed(p) - qGreen(p) > 60; };
    const double scale = double(w.ImgPlantilla->height()) / 958;
    const QRect stamp(QPoint(int(550 * scale) - 1, int(820 * scale) - 1),
                      QPoint(int(670 * scale) + 1, int(940 * scale) + 1));
    int inside = 0, outside = 0;
    for (int y = 0; y < shownTemplate.height(); ++y)
        for (int x = 0; x < shownTemplate.width(); ++x)
            if (red(shownTemplate.pixel(x, y)))
                ++(stamp.contains(x, y) ? inside : outside);
    QVERIFY2(inside > 20, qPrintable(QString::number(inside)));
    QCOMPARE(outside, 0);
    QVERIFY(qAbs(w.ImgPlantilla->width() - 695 * scale) <= 1);

    // The preview frame takes the square stamp's shape and shows it.
    QCOMPARE(w.ImgWM->width(), w.ImgWM->height());
    const QImage shownStamp = grabBox(w, w.ImgWM);
    QVERIFY(red(shownStamp.pixel(shownStamp.width() / 2, 8)));
}

QTEST_MAIN(WindowScreenshotsTest)
#include "test_window_screenshots.moc"
