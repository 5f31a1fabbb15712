// The automatic crop run over the real window: a folder of synthetic spreads in, pages out.
#include "CropTestPages.h"
#include "WindowFixture.h"

#include "app/AutomaticCrop.h"
#include "app/ClickLabel.h"
#include "app/ComboBox.h"
#include "app/ImageBox.h"
#include "app/ProgressList.h"
#include "app/UpDown.h"
#include "sources/FileList.h"

#include <QMap>

#include <QBuffer>
#include <QCheckBox>
#include <QDirIterator>
#include <QImageReader>
#include <QImageWriter>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QSlider>
#include <QTest>

namespace {

// A window on a folder of PNG spreads libro001.png …, pages of 200 × 250 in 24-bit colour: the
// width slider at 1000 then takes exactly half a spread.
struct Book {
    explicit Book(int scans = 3) : fixture({}, {}) {
        for (int i = 1; i <= scans; ++i)
            writeSpread(fixture.path(QStringLiteral("scans/libro%1.png").arg(i, 3, 10, QChar('0'))),
                        i);
        MainWindow& w = window();
        w.TipoOrigen->setListIndex(3);
        w.TipoGrande->setListIndex(3);
        w.TipoPeque->setListIndex(3);
        w.ColorBw->setListIndex(5);
        w.MasMenosAnG->setValue(200);
        w.MasMenosAlG->setValue(250);
        w.AceptaConfig->click();
    }
    MainWindow& window() { return *fixture.window; }
    QString scans() const { return fixture.scansFolder(); }
    QString big() const { return fixture.path("scans/jpeg_big"); }
    QString small() const { return fixture.path("scans/jpeg_small"); }
    QImage page(const QString& name) const {
        return QImage(fixture.path("scans/jpeg_big/" + name));
    }
    void select(std::initializer_list<int> rows) {
        for (int row : rows)
            window().LocalFiles->setRowSelected(row, true);
    }
    // The rows cut in a batch, as the operator selects and cuts them.
    void cutBatch(std::initializer_list<int> rows) {
        select(rows);
        window().CortaLote->click();
    }
    WindowFixture fixture;
};

// A spread with a texture of its own, so that every byte of a page depends on the scan it came
// from and on where it was cut.
void writeTexturedSpread(const QString& path, int scan) {
    QImage spread(kSpreadWidth, kSpreadHeight, QImage::Format_RGB32);
    for (int y = 0; y < kSpreadHeight; ++y)
        for (int x = 0; x < kSpreadWidth; ++x)
            spread.setPixel(x, y,
                            qRgb((x * 7 + y * 3 + scan * 40) % 256, (x * y + scan * 17) % 256,
                                 (x ^ y) * (scan + 1) % 256));
    QVERIFY(spread.save(path));
}

// Every file under `folder`, by its path inside it.
QMap<QString, QByteArray> contentsOf(const QString& folder) {
    QMap<QString, QByteArray> files;
    QDirIterator it(folder, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile file(it.next());
        file.open(QIODevice::ReadOnly);
        files[QDir(folder).relativeFilePath(file.fileName())] = file.readAll();
    }
    return files;
}

// The quantisation tables of a JPEG file: the payloads of its DQT segments, in file order.
QByteArray quantisationTables(const QByteArray& jpeg) {
    QByteArray tables;
    for (qsizetype at = 2; at + 4 <= jpeg.size() && uchar(jpeg[at]) == 0xFF;) {
        const uchar marker = uchar(jpeg[at + 1]);
        const int length = (uchar(jpeg[at + 2]) << 8) | uchar(jpeg[at + 3]);
        if (marker == 0xDA) // start of scan: every table comes before it
            break;
        if (marker == 0xDB)
            tables += jpeg.mid(at + 4, length - 2);
        at += 2 + length;
    }
    return tables;
}

// The tables libjpeg writes at `quality` (its standard tables scaled), through Qt's writer.
QByteArray libjpegTables(int quality, bool grey) {
    QImage picture(16, 16, grey ? QImage::Format_Grayscale8 : QImage::Format_RGB32);
    picture.fill(Qt::gray);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(quality);
    return writer.write(picture) ? quantisationTables(bytes) : QByteArray();
}

QByteArray fileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class CropRunTest : public QObject {
    Q_OBJECT
private slots:
    void init() { ImageBox::clearClipboardSlot(); }
    void outputNames_data();
    void outputNames();
    void batchWritesTheSelectedScansPages();
    void thumbnailsFollowTheirLargePages();
    void jpegQualityReachesTheFiles_data();
    void jpegQualityReachesTheFiles();
    void onePagePerScanInTiff();
    void topMarginLeavesABlankBandAtTheBottom();
    void distortionStretchesTheCut();
    void scannedSizeIsKept();
    void testRunsWriteNothing();
    void workersCommitTheSameBatch_data();
    void workersCommitTheSameBatch();
    void cancelFinishesTheCurrentScanOnly_data();
    void cancelFinishesTheCurrentScanOnly();
    void settingsStayLockedBetweenScans();
    void cancelInSubtreeModeEmptiesTheTreeLists();
    void cancelLeftByTheInteractiveTabStopsTheNextBatch();
    void unreadableScanIsLoggedAndSkipped();
    void unwritableOutputFolderIsLogged();
    void emptySelectionCutsNothing();
    void unusableSettingStopsTheRun();
};

void CropRunTest::outputNames_data() {
    QTest::addColumn<QString>("scan");
    QTest::addColumn<bool>("twoPages");
    QTest::addColumn<QString>("left");
    QTest::addColumn<QString>("right");
    QTest::newRow("spread") << "libro007.jpg" << true << "libro013"
                            << "libro014";
    QTest::newRow("one page") << "libro007.jpg" << false << "libro007"
                              << "";
    QTest::newRow("no number") << "portada.jpg" << true << "portada1"
                               << "portada0";
    QTest::newRow("all digits") << "0005.tif" << true << "0009"
                                << "0010";
    QTest::newRow("number grows") << "p50.png" << true << "p099"
                                  << "p100";
    QTest::newRow("nine doubled") << "s9.bmp" << true << "s17"
                                  << "s18";
    QTest::newRow("dots in the name") << "vol.2.libro03.jpeg" << true << "vol.2.libro05"
                                      << "vol.2.libro06";
    QTest::newRow("no extension") << "hoja12" << true << "hoja23"
                                  << "hoja24";
}

void CropRunTest::outputNames() {
    QFETCH(QString, scan);
    QFETCH(bool, twoPages);
    const PageBaseNames names = pageBaseNames(scan, twoPages);
    QTEST(names.left, "left");
    QTEST(names.right, "right");
}

void CropRunTest::batchWritesTheSelectedScansPages() {
    Book book;
    MainWindow& w = book.window();
    book.cutBatch({0, 2});
    QCOMPARE(filesIn(book.big()),
             (QStringList{"libro001.png", "libro002.png", "libro005.png", "libro006.png"}));
    QVERIFY(!QFileInfo::exists(book.small()));
    const QStringList expected = {
        "Leyendo imagen ...",   "LIBRO001.PNG",          "Separando imagen ...",
        "Grabando imagen ...",  "libro001.png",          "Grabando imagen ...",
        "libro002.png",         "** --------------- **", "Leyendo imagen ...",
        "LIBRO003.PNG",         "Separando imagen ...",  "Grabando imagen ...",
        "libro005.png",         "Grabando imagen ...",   "libro006.png",
        "** --------------- **"};
    QCOMPARE(lines(w.ListaProceso), expected);
    const struct {
        QString file;
        QColor colour;
    } pages[] = {{"libro001.png", leftColour(1)},
                 {"libro002.png", rightColour(1)},
                 {"libro005.png", leftColour(3)},
                 {"libro006.png", rightColour(3)}};
    for (const auto& expectedPage : pages) {
        const QImage page = book.page(expectedPage.file);
        QCOMPARE(page.size(), QSize(200, 250));
        QVERIFY2(near(page.pixel(100, 125), expectedPage.colour, 0), qPrintable(expectedPage.file));
        QVERIFY2(near(page.pixel(2, 2), expectedPage.colour, 0), qPrintable(expectedPage.file));
    }
}

void CropRunTest::thumbnailsFollowTheirLargePages() {
    Book book(1);
    MainWindow& w = book.window();
    w.HacerMini->setChecked(true);
    w.TipoGrande->setListIndex(0);
    w.TipoPeque->setListIndex(0);
    w.MasMenosAnP->setValue(50);
    w.MasMenosAlP->setValue(90);
    book.cutBatch({0});
    QCOMPARE(filesIn(book.big()), (QStringList{"libro001A.jpg", "libro002A.jpg"}));
    QCOMPARE(filesIn(book.small()), (QStringList{"libro001B.jpg", "libro002B.jpg"}));
    QCOMPARE(lines(w.ListaProceso).mid(3),
             (QStringList{"Grabando imagen ...", "libro001A.jpg", "Grabando imagen ...",
                          "libro002A.jpg", "Grabando miniatura ...", "libro001B.jpg",
                          "Grabando miniatura ...", "libro002B.jpg", "** --------------- **"}));
    const QImage thumbnail(book.small() + "/libro002B.jpg");
    QCOMPARE(thumbnail.size(), QSize(50, 90)); // an exact resize, whatever the page's shape
    QVERIFY(near(thumbnail.pixel(25, 45), rightColour(1), 10));
    QVERIFY(near(book.page("libro001A.jpg").pixel(100, 125), leftColour(1), 10));
}

void CropRunTest::jpegQualityReachesTheFiles_data() {
    QTest::addColumn<bool>("batch");
    QTest::addColumn<int>("colour"); // row of ColorBw
    QTest::addColumn<bool>("grey");  // what a JPEG holds of that colour format
    QTest::newRow("batch, colour") << true << 5 << false;
    QTest::newRow("one scan, grey") << false << 1 << true;
}

// The quality on the slider when a scan is cut is the quality of its pages and thumbnails.
void CropRunTest::jpegQualityReachesTheFiles() {
    QFETCH(bool, batch);
    QFETCH(int, colour);
    QFETCH(bool, grey);
    Book book(1);
    MainWindow& w = book.window();
    w.TipoGrande->setListIndex(0);
    w.ColorBw->setListIndex(colour);
    w.HacerMini->setChecked(true);
    w.TipoPeque->setListIndex(0);
    for (int quality : {30, 95}) {
        QTest::keyClick(w.UpDownQuality, Qt::Key_Home);
        for (int step = 0; step < quality / w.UpDownQuality->pageStep(); ++step)
            QTest::keyClick(w.UpDownQuality, Qt::Key_PageUp);
        QCOMPARE(w.UpDownQuality->value(), quality);
        QDir(book.big()).removeRecursively();
        QDir(book.small()).removeRecursively();
        if (batch) {
            book.cutBatch({0});
        } else {
            w.LocalFiles->clickRow(0);
            w.CortaUna->click();
        }
        const QByteArray expected = libjpegTables(quality, grey);
        QVERIFY(!expected.isEmpty());
        for (const QString& file :
             {book.big() + "/libro001A.jpg", book.big() + "/libro002A.jpg",
              book.small() + "/libro001B.jpg", book.small() + "/libro002B.jpg"})
            QVERIFY2(quantisationTables(fileBytes(file)) == expected,
                     qPrintable(QStringLiteral("%1 at %2").arg(file).arg(quality)));
    }
}

void CropRunTest::onePagePerScanInTiff() {
    Book book(2);
    MainWindow& w = book.window();
    w.ChkSepara2Img->setChecked(false);
    w.TipoGrande->setListIndex(1);
    book.cutBatch({0, 1});
    QCOMPARE(filesIn(book.big()), (QStringList{"libro001.tif", "libro002.tif"}));
    const QImage page = book.page("libro002.tif");
    QCOMPARE(page.size(), QSize(200, 250));
    // The only page starts at the scan's left edge.
    QVERIFY(near(page.pixel(100, 125), leftColour(2), 0));
    QCOMPARE(lines(w.ListaProceso).count(QStringLiteral("Grabando imagen ...")), 2);
}

void CropRunTest::topMarginLeavesABlankBandAtTheBottom() {
    Book book(1);
    MainWindow& w = book.window();
    w.Altura->setValue(200); // the cut starts 100 rows down but the canvas keeps 500 rows
    book.cutBatch({0});
    const QImage page = book.page("libro001.png");
    QCOMPARE(page.size(), QSize(200, 250));
    QVERIFY(near(page.pixel(100, 10), leftColour(1), 0));
    QVERIFY(near(page.pixel(100, 190), leftColour(1), 2));
    QVERIFY(near(page.pixel(100, 210), Qt::white, 0));
    QVERIFY(near(page.pixel(100, 249), Qt::white, 0));
}

void CropRunTest::distortionStretchesTheCut() {
    Book book(1);
    MainWindow& w = book.window();
    w.PermiteDistorsion->setChecked(true);
    w.Altura->setValue(200);
    w.SelectionWidth->setValue(500);
    book.cutBatch({0});
    const QImage page = book.page("libro001.png");
    QCOMPARE(page.size(), QSize(200, 250));
    QVERIFY(near(page.pixel(199, 249), leftColour(1), 0));
    QVERIFY(near(page.pixel(0, 0), leftColour(1), 0));
}

void CropRunTest::scannedSizeIsKept() {
    Book book(1);
    MainWindow& w = book.window();
    w.NoReducir->setChecked(true);
    book.cutBatch({0});
    QCOMPARE(book.page("libro001.png").size(), QSize(400, 500));
    QCOMPARE(book.page("libro002.png").size(), QSize(400, 500));
}

void CropRunTest::testRunsWriteNothing() {
    Book book(1);
    MainWindow& w = book.window();
    w.LocalFiles->clickRow(0);
    w.Probar->click();
    w.Probar->click();
    QVERIFY(!QFileInfo::exists(book.big()));
    QVERIFY(!QFileInfo::exists(book.small()));
    const QStringList block = {"Leyendo imagen ...", "LIBRO001.PNG", "Separando imagen ...",
                               "** --------------- **"};
    QCOMPARE(lines(w.ListaProceso), block + block);
    QVERIFY(w.PaginaIzq->HasImage());
    QCOMPARE(w.lblFileNamed->text(), QStringLiteral("libro002.png"));
    w.CortaUna->click();
    QCOMPARE(filesIn(book.big()), (QStringList{"libro001.png", "libro002.png"}));
}

void CropRunTest::workersCommitTheSameBatch_data() {
    QTest::addColumn<bool>("interactive");
    QTest::addColumn<int>("type");   // row of TipoGrande
    QTest::addColumn<int>("colour"); // row of ColorBw
    QTest::addColumn<bool>("thumbnails");
    QTest::newRow("JPEG colour, thumbnails") << false << 0 << 5 << true;
    QTest::newRow("TIFF black and white") << false << 1 << 4 << false;
    QTest::newRow("GIF 16 greys, thumbnails") << false << 2 << 3 << true;
    QTest::newRow("interactive PNG palette, thumbnails") << true << 3 << 0 << true;
    QTest::newRow("interactive BMP 16 colours") << true << 4 << 2 << false;
}

// The files and the lines of a batch do not depend on how many workers made its scans ahead.
void CropRunTest::workersCommitTheSameBatch() {
    QFETCH(bool, interactive);
    QFETCH(int, type);
    QFETCH(int, colour);
    QFETCH(bool, thumbnails);
    const QByteArray workersBefore = qgetenv("PLIEGO_WORKERS");
    auto run = [&](int workers) {
        qputenv("PLIEGO_WORKERS", QByteArray::number(workers));
        WindowFixture fixture({}, {});
        for (int i = 1; i <= 5; ++i)
            writeTexturedSpread(
                fixture.path(QStringLiteral("scans/libro%1.png").arg(i, 3, 10, QChar('0'))), i);
        MainWindow& w = *fixture.window;
        w.TipoOrigen->setListIndex(3);
        w.TipoGrande->setListIndex(type);
        w.ColorBw->setListIndex(colour);
        w.HacerMini->setChecked(thumbnails);
        w.TipoPeque->setListIndex(type);
        w.Compresion->setChecked(true);
        w.MasMenosAnG->setValue(200);
        w.MasMenosAlG->setValue(250);
        w.Interactivo->setChecked(interactive);
        w.AceptaConfig->click();
        FileList* files = interactive ? w.LocalFiles2 : w.LocalFiles;
        for (int row = 0; row < files->count(); ++row)
            files->setRowSelected(row, true);
        if (interactive) {
            w.v.MargenDch2 = 400;
            w.v.MargenDch2Manual = true;
            w.cmdICLote->click();
        } else {
            w.CortaLote->click();
        }
        return std::pair(contentsOf(fixture.scansFolder()),
                         lines(interactive ? w.lstActividad : w.ListaProceso));
    };
    const auto one = run(1);
    const auto several = run(3);
    qputenv("PLIEGO_WORKERS", workersBefore);
    QCOMPARE(one.first.size(), 5 + 10 * (thumbnails ? 2 : 1));
    QCOMPARE(several.first.keys(), one.first.keys());
    for (const QString& name : one.first.keys())
        QVERIFY2(several.first[name] == one.first[name], qPrintable(name));
    QCOMPARE(several.second, one.second);
}

void CropRunTest::cancelFinishesTheCurrentScanOnly_data() {
    QTest::addColumn<int>("workers");
    QTest::newRow("one at a time") << 1;
    QTest::newRow("three workers ahead") << 3;
}

// Work done ahead for the scans after a stop is dropped: none of their pages is written.
void CropRunTest::cancelFinishesTheCurrentScanOnly() {
    QFETCH(int, workers);
    const QByteArray workersBefore = qgetenv("PLIEGO_WORKERS");
    qputenv("PLIEGO_WORKERS", QByteArray::number(workers));
    Book book(5);
    MainWindow& w = book.window();
    book.select({0, 1, 2, 3, 4});
    int separations = 0;
    connect(w.ListaProceso, &ProgressList::lineAppended, &w, [&](const QString& text) {
        if (text == QLatin1String("Separando imagen ...") && ++separations == 2)
            postClick(w.Cancelar);
    });
    w.CortaLote->click();
    qputenv("PLIEGO_WORKERS", workersBefore);
    QCOMPARE(filesIn(book.big()),
             (QStringList{"libro001.png", "libro002.png", "libro003.png", "libro004.png"}));
    const QStringList log = lines(w.ListaProceso);
    QVERIFY(log.contains("PROCESO CANCELADO"));
    QCOMPARE(log.count("Leyendo imagen ..."), 2);
    QVERIFY(!w.v.ProcesoCancelado); // cleared at the end of the batch
}

void CropRunTest::settingsStayLockedBetweenScans() {
    Book book(3);
    MainWindow& w = book.window();
    QFile::resize(book.scans() + "/libro001.png", 0); // not even one scan cut before the next
    book.select({0, 1, 2});
    QList<bool> usable;
    connect(w.ListaProceso, &ProgressList::lineAppended, &w, [&](const QString& text) {
        if (text == QLatin1String("Leyendo imagen ..."))
            usable << w.TipoGrande->isEnabled() << w.ColorBw->isEnabled()
                   << w.CortaLote->isEnabled();
    });
    w.CortaLote->click();
    QCOMPARE(usable, QList<bool>(9, false));
    QVERIFY(w.TipoGrande->isEnabled());
    QCOMPARE(filesIn(book.big()).size(), 4);
}

void CropRunTest::cancelInSubtreeModeEmptiesTheTreeLists() {
    Book book(3);
    MainWindow& w = book.window();
    w.chkSubTree->setChecked(true);
    w.cmdLoadTree->click();
    QCOMPARE(w.lstTree->count(), 3);
    int reads = 0;
    connect(w.lstActividad, &ProgressList::lineAppended, &w, [&](const QString& text) {
        if (text == QLatin1String("Leyendo imagen ...") && ++reads == 2)
            QMetaObject::invokeMethod(
                &w, [&w] { w.automaticCrop().Cancelar_Click(); }, Qt::QueuedConnection);
    });
    // Subtree mode disables the automatic tab, so its button is reached through its handler.
    w.automaticCrop().CortaLote_Click();
    QCOMPARE(filesIn(book.big()),
             (QStringList{"libro001.png", "libro002.png", "libro003.png", "libro004.png"}));
    QCOMPARE(w.lstTree->count(), 0);
    QCOMPARE(w.lstTreeAuto->count(), 0);
    QVERIFY(lines(w.ListaProceso).contains("PROCESO CANCELADO"));
}

void CropRunTest::cancelLeftByTheInteractiveTabStopsTheNextBatch() {
    Book book(2);
    MainWindow& w = book.window();
    book.select({0, 1});
    w.v.ProcesoCancelado = true;
    w.CortaLote->click();
    QVERIFY(!QFileInfo::exists(book.big()));
    QVERIFY(!w.v.ProcesoCancelado);
    w.CortaLote->click();
    QCOMPARE(filesIn(book.big()).size(), 4);
}

void CropRunTest::unreadableScanIsLoggedAndSkipped() {
    Book book(3);
    MainWindow& w = book.window();
    QFile::resize(book.scans() + "/libro002.png", 0);
    book.cutBatch({0, 1, 2});
    QCOMPARE(filesIn(book.big()),
             (QStringList{"libro001.png", "libro002.png", "libro005.png", "libro006.png"}));
    const QStringList log = lines(w.ListaProceso);
    const qsizetype bad = log.indexOf("LIBRO002.PNG");
    QVERIFY(bad > 0);
    QVERIFY(log[bad + 1].startsWith("No se pudo leer la imagen"));
    QCOMPARE(log[bad + 2], QStringLiteral("** --------------- **"));
    QCOMPARE(log[bad + 3], QStringLiteral("Leyendo imagen ..."));
    // The pages of the scan before it are not written again under its names.
    QVERIFY(near(book.page("libro005.png").pixel(100, 125), leftColour(3), 0));
}

void CropRunTest::unwritableOutputFolderIsLogged() {
    Book book(2);
    MainWindow& w = book.window();
    WindowFixture::touch(book.big()); // a file where the folder should be
    book.cutBatch({0, 1});
    const QStringList log = lines(w.ListaProceso);
    QCOMPARE(log.count("** --------------- **"), 2);
    QVERIFY(log.filter(QRegularExpression("^No se pudo crear la carpeta")).size() == 2);
    QVERIFY(QFileInfo(book.big()).isFile());
}

void CropRunTest::emptySelectionCutsNothing() {
    Book book(1);
    MainWindow& w = book.window();
    w.SelectionSize->setValue(0);
    book.cutBatch({0});
    QVERIFY(!QFileInfo::exists(book.big()));
    QVERIFY(lines(w.ListaProceso).filter(QRegularExpression("^La selección está vacía")).size() ==
            1);
    w.SelectionSize->setValue(1000);
    w.SelectionWidth->setValue(0);
    w.CortaLote->click();
    QVERIFY(!QFileInfo::exists(book.big()));
}

void CropRunTest::unusableSettingStopsTheRun() {
    Book book(1);
    MainWindow& w = book.window();
    w.ColorBw->setListIndex(-1); // no row chosen: a box of fixed choices takes no other text
    book.cutBatch({0});
    QCOMPARE(lines(w.ListaProceso),
             QStringList{"Formato de color no válido: \"\". No se ha cortado nada."});
    QVERIFY(!QFileInfo::exists(book.big()));
    QVERIFY(w.CortaLote->isEnabled());
}

QTEST_MAIN(CropRunTest)
#include "test_crop_run.moc"
