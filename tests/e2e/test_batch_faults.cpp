// Batches of the program meeting what a person's machine may do to them: the program killed part
// way (a power cut, kill -9) and taken up again, a disk that fills up, a broken scan; and the
// exit status a shelf of books relies on. The program runs in script mode as a separate
// process, as a shell script starts it.
#include "image/ImageFiles.h"

#include "SmallDisk.h"

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <random>

namespace {

constexpr int kScans = 8;
constexpr int kPageWidth = 695;
constexpr int kPageHeight = 958;
constexpr int kRunBound = 300000; // ms: a batch of this book takes seconds, even sanitized

// A spread of two printed pages, different for every scan.
QImage spread(int scan) {
    QImage image(1500, 1050, QImage::Format_RGB32);
    image.fill(QColor(236, 232, 220));
    QPainter painter(&image);
    std::mt19937 random(scan);
    for (int side = 0; side < 2; ++side)
        for (int y = 80; y < 980; y += 22)
            for (int x = 60 + side * 750; x < 690 + side * 750; x += 8 + int(random() % 50))
                painter.fillRect(x, y, 6 + int(random() % 40), 10,
                                 QColor(int(random() % 90), 30, 40 + scan * 20));
    return image;
}

QString scanName(int scan) {
    return QStringLiteral("libro%1.jpg").arg(scan, 3, 10, QLatin1Char('0'));
}

// The statements that cut every scan of `folder` into pages of `type` ("JPG", "BMP", …), with
// `settings` given before the crop tab opens and `rectangle` on it; `omit` skips what was cut.
QString batchScript(const QString& folder, const QString& type, bool interactive, bool thumbnails,
                    bool omit = false, const QStringList& settings = {},
                    const QStringList& rectangle = {}) {
    QStringList lines{QStringLiteral("set Dirs \"%1\"").arg(folder),
                      QStringLiteral("set TipoOrigen \"Imágenes JPG\""),
                      QStringLiteral("set ChkSepara2Img 1"),
                      QStringLiteral("set TipoGrande \"Imágenes %1\"").arg(type),
                      QStringLiteral("set ColorBw \"Color Verdadero 24 bits (16 millones)\"")};
    if (thumbnails)
        lines << QStringLiteral("set HacerMini 1")
              << QStringLiteral("set TipoPeque \"Imágenes %1\"").arg(type);
    lines << settings;
    const QString omitBox = interactive ? "chkICOmitirCortadas" : "chkOmitirCortadas";
    if (interactive)
        lines << QStringLiteral("set Interactivo 1");
    lines << QStringLiteral("click AceptaConfig") << rectangle;
    if (omit)
        lines << QStringLiteral("set %1 1").arg(omitBox);
    if (interactive) {
        lines << QStringLiteral("select LocalFiles2 all") << QStringLiteral("click cmdICLote")
              << QStringLiteral("print cmdICLote.Enabled")
              << QStringLiteral("print Cancelar2.Visible");
    } else {
        lines << QStringLiteral("select LocalFiles all") << QStringLiteral("click CortaLote")
              << QStringLiteral("print CortaLote.Enabled")
              << QStringLiteral("print Cancelar.Visible");
    }
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

struct Run {
    bool finished = false;
    int status = -1;
    QStringList out;
    QString err;
};

// Runs the program on `script`; killed with SIGKILL after `killAfter` ms when that is given.
Run runProgram(const QString& script, int killAfter = -1) {
    QProcess program;
    program.setProgram(qEnvironmentVariable("PLIEGO_PROGRAM"));
    program.setArguments({QStringLiteral("--script"), QStringLiteral("-")});
    program.start();
    Run run;
    if (!program.waitForStarted(kRunBound))
        return run;
    program.write(script.toUtf8());
    program.closeWriteChannel();
    run.finished = program.waitForFinished(killAfter >= 0 ? killAfter : kRunBound);
    if (!run.finished && killAfter >= 0) {
        program.kill();
        run.finished = program.waitForFinished(kRunBound);
    }
    run.status = program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -1;
    run.out = QString::fromUtf8(program.readAllStandardOutput()).split(QLatin1Char('\n'));
    run.err = QString::fromUtf8(program.readAllStandardError());
    return run;
}

const QString kRecord = QStringLiteral("jpeg_big/.pliego-cortadas");

// Every file under `folder`, hidden ones included, as paths relative to it; the record of what
// was cut (when `folder` is a book) is left out.
QStringList filesUnder(const QString& folder) {
    QStringList files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString file = QDir(folder).relativeFilePath(it.next());
        if (QFileInfo(file).fileName() != QFileInfo(kRecord).fileName())
            files << file;
    }
    files.sort();
    return files;
}

QByteArray contents(const QString& file) {
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The pages and thumbnails under `folder`, by name, with their bytes.
QMap<QString, QByteArray> pagesUnder(const QString& folder) {
    QMap<QString, QByteArray> pages;
    for (const QString& file : filesUnder(folder)) {
        if (file.startsWith(QStringLiteral("jpeg_")))
            pages.insert(file, contents(folder + "/" + file));
    }
    return pages;
}

// Every file under `folder` with the time it was last written.
QMap<QString, QDateTime> writeTimes(const QString& folder) {
    QMap<QString, QDateTime> times;
    const QStringList files = filesUnder(folder) << kRecord;
    for (const QString& file : files)
        times.insert(file, QFileInfo(folder + "/" + file).lastModified());
    return times;
}

qsizetype linesWith(const Run& run, const QString& text) {
    return run.out.filter(text).size();
}

} // namespace

class BatchFaultsTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void killedBatchLeavesOnlyWholePages();
    void fullDiskStopsTheBatch_data();
    void fullDiskStopsTheBatch();
    void statusSaysWhetherAllWasDone_data();
    void statusSaysWhetherAllWasDone();
    void killedBatchResumesToTheSamePages_data();
    void killedBatchResumesToTheSamePages();
    void otherSettingsCutAgain_data();
    void otherSettingsCutAgain();

private:
    // A fresh copy of the book's scans in `folder`.
    void copyBook(const QString& folder);
    QTemporaryDir book_;
};

void BatchFaultsTest::initTestCase() {
    QVERIFY2(QFileInfo(qEnvironmentVariable("PLIEGO_PROGRAM")).isExecutable(),
             "PLIEGO_PROGRAM names no program");
    QVERIFY(book_.isValid());
    for (int scan = 1; scan <= kScans; ++scan)
        QVERIFY(spread(scan).save(book_.filePath(scanName(scan)), "JPEG", 85));
}

void BatchFaultsTest::copyBook(const QString& folder) {
    QVERIFY(QDir().mkpath(folder));
    for (int scan = 1; scan <= kScans; ++scan)
        QVERIFY(QFile::copy(book_.filePath(scanName(scan)), folder + "/" + scanName(scan)));
}

// Killed at points drawn from a fixed seed over the length of a whole batch, in each page type:
// whatever pages are there are whole, and no temporary file is left beside them.
void BatchFaultsTest::killedBatchLeavesOnlyWholePages() {
    QTemporaryDir work;
    const QString whole = work.filePath("whole");
    copyBook(whole);
    QElapsedTimer clock;
    clock.start();
    const Run reference = runProgram(batchScript(whole, "PNG", false, true));
    const qint64 length = clock.elapsed();
    QVERIFY(reference.finished);
    QCOMPARE(reference.status, 0);
    QCOMPARE(filesUnder(whole + "/jpeg_big").size(), 2 * kScans);

    const QRegularExpression pageName(
        QStringLiteral("^jpeg_(big/libro\\d+A|small/libro\\d+B)\\.(jpg|tif|gif|png|bmp)$"));
    std::mt19937 random(1512);
    const QStringList types{"JPG", "TIFF", "GIF", "PNG", "BMP", "BMP"};
    int pagesSeen = 0;
    for (int k = 0; k < types.size(); ++k) {
        const QString folder = work.filePath(QStringLiteral("killed%1").arg(k));
        copyBook(folder);
        const int delay = int(length * (0.1 + 0.8 * (random() % 1000) / 1000.0));
        const Run run = runProgram(batchScript(folder, types[k], false, true), delay);
        QVERIFY(run.finished);
        for (const QString& file : filesUnder(folder)) {
            if (file.startsWith(QStringLiteral("libro")))
                continue; // a scan
            QVERIFY2(pageName.match(file).hasMatch(), qPrintable(file + " left beside the pages"));
            QImage page;
            int code = 0;
            QString error;
            QVERIFY2(readImageFile(folder + "/" + file, &page, &code, &error), qPrintable(error));
            if (file.startsWith(QStringLiteral("jpeg_big")))
                QCOMPARE(page.size(), QSize(kPageWidth, kPageHeight));
            ++pagesSeen;
        }
    }
    qInfo("%d whole pages found after %lld batches killed within %lld ms", pagesSeen,
          qlonglong(types.size()), length);
}

void BatchFaultsTest::fullDiskStopsTheBatch_data() {
    QTest::addColumn<bool>("interactive");
    QTest::newRow("automatic tab") << false;
    QTest::newRow("interactive tab") << true;
}

// The disk holds the scans and about two and a half pages: the first page that does not fit
// stops the batch with one line, the window is usable again, and the pages before it are those
// of a batch on a disk with room, byte for byte.
void BatchFaultsTest::fullDiskStopsTheBatch() {
    QFETCH(bool, interactive);
    QTemporaryDir work;
    const QString roomy = work.filePath("roomy");
    copyBook(roomy);
    const Run reference = runProgram(batchScript(roomy, "BMP", interactive, false));
    QVERIFY(reference.finished);
    QCOMPARE(reference.status, 0);
    const QStringList allPages = filesUnder(roomy + "/jpeg_big");
    QCOMPARE(allPages.size(), 2 * kScans);
    const qint64 pageBytes = QFileInfo(roomy + "/jpeg_big/" + allPages.first()).size();

    qint64 scanBytes = 0;
    for (int scan = 1; scan <= kScans; ++scan)
        scanBytes += QFileInfo(book_.filePath(scanName(scan))).size();
    SmallDisk disk(scanBytes + pageBytes * 5 / 2 + 64 * 1024);
    if (!disk.isReady())
        QSKIP(qPrintable(disk.reason()));
    const QString full = disk.path() + "/book";
    copyBook(full);
    const Run run = runProgram(batchScript(full, "BMP", interactive, false));
    QVERIFY(run.finished);
    QCOMPARE(run.status, 1); // the run ended, but not every page was written
    QVERIFY2(!run.err.contains(QStringLiteral("pliego:")), qPrintable(run.err));

    const QString list =
        interactive ? QStringLiteral("lstActividad: ") : QStringLiteral("ListaProceso: ");
    const QStringList full_lines = run.out.filter(QStringLiteral("El disco está lleno"));
    QCOMPARE(full_lines.size(), 1);
    QVERIFY2(full_lines[0].startsWith(list + "El disco está lleno: no se pudo grabar libro"),
             qPrintable(full_lines[0]));
    QVERIFY(full_lines[0].endsWith(QStringLiteral("Se detiene el proceso.")));
    const qsizetype stop = run.out.indexOf(full_lines[0]);
    QCOMPARE(run.out[stop + 1], list + QStringLiteral("** --------------- **"));
    for (qsizetype i = stop + 1; i < run.out.size(); ++i)
        QVERIFY2(!run.out[i].contains(QStringLiteral("Leyendo imagen")),
                 "a scan was read after the disk was full");
    const QString button = interactive ? QStringLiteral("cmdICLote") : QStringLiteral("CortaLote");
    const QString cancel = interactive ? QStringLiteral("Cancelar2") : QStringLiteral("Cancelar");
    QVERIFY(run.out.contains(button + QStringLiteral(".Enabled = True")));
    QVERIFY(run.out.contains(cancel + QStringLiteral(".Visible = False")));

    const QStringList written = filesUnder(full + "/jpeg_big");
    QVERIFY2(written.size() >= 1 && written.size() < allPages.size(),
             qPrintable(written.join(' ')));
    for (const QString& page : written) {
        QVERIFY2(allPages.contains(page), qPrintable(page + " is not a page"));
        QVERIFY2(contents(full + "/jpeg_big/" + page) == contents(roomy + "/jpeg_big/" + page),
                 qPrintable(page + " differs from the page written with room to spare"));
    }
}

void BatchFaultsTest::statusSaysWhetherAllWasDone_data() {
    QTest::addColumn<bool>("interactive");
    QTest::addColumn<QString>("broken");   // a scan made unreadable
    QTest::addColumn<QString>("misspelt"); // a statement that cannot be carried out
    QTest::addColumn<int>("status");
    QTest::newRow("clean book") << false << QString() << QString() << 0;
    QTest::newRow("broken scan") << false << scanName(3) << QString() << 1;
    QTest::newRow("broken scan, interactive") << true << scanName(3) << QString() << 1;
    QTest::newRow("bad script") << false << QString() << "set TipoGrandee 1" << 2;
}

// 0 when every scan was cut, 1 when the batch went on past a scan it could not read (whose
// pages are the only ones missing), 2 when the script cannot be carried out (nothing is cut).
void BatchFaultsTest::statusSaysWhetherAllWasDone() {
    QFETCH(bool, interactive);
    QFETCH(QString, broken);
    QFETCH(QString, misspelt);
    QFETCH(int, status);
    QTemporaryDir work;
    const QString folder = work.filePath("book");
    copyBook(folder);
    if (!broken.isEmpty()) {
        QFile scan(folder + "/" + broken);
        QVERIFY(scan.open(QIODevice::WriteOnly | QIODevice::Truncate));
        scan.write("not a picture");
    }
    const QStringList settings = misspelt.isEmpty() ? QStringList() : QStringList{misspelt};
    const Run run = runProgram(batchScript(folder, "PNG", interactive, false, false, settings));
    QVERIFY(run.finished);
    QCOMPARE(run.status, status);
    const int pages = status == 2 ? 0 : 2 * (kScans - (broken.isEmpty() ? 0 : 1));
    QCOMPARE(pagesUnder(folder).size(), pages);
    QCOMPARE(run.err.isEmpty(), status != 2);
}

void BatchFaultsTest::killedBatchResumesToTheSamePages_data() {
    fullDiskStopsTheBatch_data(); // one row for each crop tab
}

// Killed at points drawn from a fixed seed, then run again with "Omitir imágenes ya cortadas":
// the pages and thumbnails are those of a batch never interrupted, byte for byte, and only the
// scans the killed run had not finished are read again. A third run reads nothing and writes
// nothing.
void BatchFaultsTest::killedBatchResumesToTheSamePages() {
    QFETCH(bool, interactive);
    QTemporaryDir work;
    const QString whole = work.filePath("whole");
    copyBook(whole);
    QElapsedTimer clock;
    clock.start();
    const QString script = batchScript(whole, "JPG", interactive, true, true);
    const Run reference = runProgram(script);
    const qint64 length = clock.elapsed();
    QCOMPARE(reference.status, 0);
    QCOMPARE(linesWith(reference, "ya cortada, se omite"), 0);
    const QMap<QString, QByteArray> expected = pagesUnder(whole);
    QCOMPARE(expected.size(), 4 * kScans);

    std::mt19937 random(2207);
    for (int k = 0; k < 4; ++k) {
        const QString folder = work.filePath(QStringLiteral("killed%1").arg(k));
        copyBook(folder);
        const QString own = batchScript(folder, "JPG", interactive, true, true);
        const int delay = int(length * (0.1 + 0.8 * (random() % 1000) / 1000.0));
        QVERIFY(runProgram(own, delay).finished);
        // The scans the killed run recorded as cut, one line each after the record's header.
        const qsizetype recorded = std::max<qsizetype>(
            0, QString::fromUtf8(contents(folder + "/" + kRecord)).count('\n') - 1);
        const Run resumed = runProgram(own);
        QCOMPARE(resumed.status, 0);
        QCOMPARE(linesWith(resumed, "ya cortada, se omite"), recorded);
        QCOMPARE(linesWith(resumed, "Leyendo imagen ..."), kScans - recorded);
        QVERIFY2(pagesUnder(folder) == expected, qPrintable(QStringLiteral("kill %1").arg(k)));
        qInfo("killed after %d ms: %lld scans skipped", delay, qlonglong(recorded));

        if (k > 0)
            continue;
        const QMap<QString, QDateTime> before = writeTimes(folder);
        QTest::qSleep(20);
        const Run idle = runProgram(own);
        QCOMPARE(idle.status, 0);
        QCOMPARE(linesWith(idle, "ya cortada, se omite"), kScans);
        QCOMPARE(linesWith(idle, "Leyendo imagen ..."), 0);
        QCOMPARE(writeTimes(folder), before);
    }
}

void BatchFaultsTest::otherSettingsCutAgain_data() {
    QTest::addColumn<QStringList>("settings");
    QTest::addColumn<QStringList>("rectangle");
    QTest::newRow("same settings") << QStringList() << QStringList();
    QTest::newRow("size") << QStringList{"set MasMenosAlG 900"} << QStringList();
    QTest::newRow("type") << QStringList{"set TipoGrande \"Imágenes PNG\""} << QStringList();
    QTest::newRow("quality") << QStringList{"set UpDownQuality 60"} << QStringList();
    QTest::newRow("colour format")
        << QStringList{"set ColorBw \"Escala de Grises (256 Tonos de Gris)\""} << QStringList();
    QTest::newRow("rectangle") << QStringList() << QStringList{"set SelectionSize 900"};
}

// After a whole batch, a run with the box ticked and any setting that shapes the pages changed
// cuts every scan again; with the same settings it cuts none.
void BatchFaultsTest::otherSettingsCutAgain() {
    QFETCH(QStringList, settings);
    QFETCH(QStringList, rectangle);
    QTemporaryDir work;
    const QString folder = work.filePath("book");
    copyBook(folder);
    QCOMPARE(runProgram(batchScript(folder, "JPG", false, false, true)).status, 0);
    const Run again =
        runProgram(batchScript(folder, "JPG", false, false, true, settings, rectangle));
    QCOMPARE(again.status, 0);
    const bool same = settings.isEmpty() && rectangle.isEmpty();
    QCOMPARE(linesWith(again, "ya cortada, se omite"), same ? kScans : 0);
    QCOMPARE(linesWith(again, "Leyendo imagen ..."), same ? 0 : kScans);
}

QTEST_GUILESS_MAIN(BatchFaultsTest)
#include "test_batch_faults.moc"
