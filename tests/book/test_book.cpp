// The book PDF: which pages go in and in what order, how each picture goes in, the page size,
// the information, the text layer, and that nothing is replaced when something fails.
#include "book/BookPages.h"
#include "book/BookPdfWriter.h"
#include "book/OcrLanguages.h"

#include <QFontDatabase>
#include <QImageWriter>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString kFont = QStringLiteral("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf");

// Runs a tool the tests rely on (qpdf, pdfinfo, pdftotext, pdfimages: scripts/install-deps.sh).
QByteArray run(const QString& program, const QStringList& arguments, int* exitCode = nullptr) {
    if (QStandardPaths::findExecutable(program).isEmpty())
        qFatal("%s is missing: run scripts/install-deps.sh", qPrintable(program));
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(120000);
    if (exitCode)
        *exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return process.readAllStandardOutput();
}

QByteArray fileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void save(const QImage& image, const QString& path, const QByteArray& format = {}) {
    QImageWriter writer(path, format);
    QVERIFY2(writer.write(image), qPrintable(path + ": " + writer.errorString()));
}

// A picture with something on it in every colour the format has.
QImage stripes(QSize size, QImage::Format format) {
    QImage image(size, QImage::Format_RGB32);
    QPainter painter(&image);
    const QColor colours[] = {Qt::white, Qt::black, QColor(200, 30, 40), QColor(20, 120, 220),
                              QColor(240, 200, 60)};
    for (int x = 0; x < size.width(); x += 7)
        painter.fillRect(x, 0, 7, size.height(), colours[(x / 7) % 5]);
    painter.fillRect(size.width() / 4, size.height() / 3, size.width() / 2, 5, Qt::black);
    painter.end();
    if (format == QImage::Format_Mono)
        return image.convertToFormat(format, Qt::MonoOnly | Qt::ThresholdDither);
    if (format == QImage::Format_Indexed8)
        return image.convertToFormat(format, Qt::ThresholdDither | Qt::AvoidDither);
    return image.convertToFormat(format);
}

QJsonObject pdfJson(const QString& pdf) {
    int code = 0;
    const QByteArray json = run(QStringLiteral("qpdf"), {QStringLiteral("--json=2"), pdf}, &code);
    return QJsonDocument::fromJson(json).object();
}

// A field of pdfinfo's report, without the blanks that align it.
QString infoField(const QByteArray& info, const char* name) {
    for (const QByteArray& line : info.split('\n')) {
        if (line.startsWith(QByteArray(name) + ':'))
            return QString::fromUtf8(line.mid(qstrlen(name) + 1)).trimmed();
    }
    return {};
}

BookPdfResult writeBook(BookPdfOptions options, QStringList* lines = nullptr) {
    return writeBookPdf(options, [&](const QString& line) {
        if (lines)
            *lines << line;
    });
}

} // namespace

class TestBook : public QObject {
    Q_OBJECT

private slots:
    void pageOrderAndLabels();
    void defaultPdfPath_data();
    void defaultPdfPath();
    void picturesGoInAsTheyAre_data();
    void picturesGoInAsTheyAre();
    void ocrFindsTheWords();
    void failureLeavesTheOldPdf_data();
    void failureLeavesTheOldPdf();
    void cancelWritesNothing();
};

void TestBook::pageOrderAndLabels() {
    QTemporaryDir dir;
    const QImage page = stripes({40, 30}, QImage::Format_RGB32);
    for (const char* name : {"10.png", "2.jpg", "2b.tif", "portada.jpg", "1.bmp", "003.jpeg"})
        save(page, dir.filePath(QString::fromLatin1(name)));
    QFile(dir.filePath(QStringLiteral("notas.txt"))).open(QIODevice::WriteOnly);
    QDir(dir.path()).mkdir(QStringLiteral("jpeg_small"));
    save(page, dir.filePath(QStringLiteral("jpeg_small/0.jpg")));

    const BookPages pages = listBookPages(dir.path());
    QStringList names, labels;
    for (const BookPage& p : pages) {
        names << p.fileName;
        labels << p.label;
    }
    QCOMPARE(names, QStringList({"portada.jpg", "1.bmp", "2.jpg", "2b.tif", "003.jpeg", "10.png"}));
    QCOMPARE(labels, QStringList({"Portada", "1", "2", "2", "3", "10"}));

    // The labels reach the PDF.
    BookPdfOptions options;
    options.pages = pages;
    options.outputPath = dir.filePath(QStringLiteral("libro.pdf"));
    QVERIFY(writeBook(options).ok);
    // Each page's label as a reader works it out from the label ranges.
    const QJsonArray ranges = pdfJson(options.outputPath)[QStringLiteral("pagelabels")].toArray();
    QStringList pdfLabels;
    for (int page = 0; page < 6; ++page) {
        QJsonObject range;
        int start = 0;
        for (const QJsonValue& r : ranges) {
            if (r[QStringLiteral("index")].toInt() <= page) {
                start = r[QStringLiteral("index")].toInt();
                range = r[QStringLiteral("label")].toObject();
            }
        }
        QString label = range[QStringLiteral("/P")].toString().section(u':', 1);
        if (range.contains(QStringLiteral("/S")))
            label += QString::number(range[QStringLiteral("/St")].toInt(1) + page - start);
        pdfLabels << label;
    }
    QCOMPARE(pdfLabels, labels);
}

void TestBook::defaultPdfPath_data() {
    QTest::addColumn<QString>("pages");
    QTest::addColumn<QString>("pdf");
    QTest::newRow("trailing slash") << "/libros/libro7/jpeg_big/"
                                    << "/libros/libro7/libro7.pdf";
    QTest::newRow("at the root") << "/jpeg_big"
                                 << "/jpeg_big.pdf";
}

void TestBook::defaultPdfPath() {
    QFETCH(QString, pages);
    QFETCH(QString, pdf);
    QCOMPARE(::defaultPdfPath(pages), pdf);
}

void TestBook::picturesGoInAsTheyAre_data() {
    QTest::addColumn<bool>("byHand");
    QTest::newRow("each file's own resolution") << false;
    QTest::newRow("the resolution set by hand") << true;
}

// A JPEG page's stream is its file; a 1-bit page is Group 4 and a palette page keeps its
// palette, both giving back their pixels exactly; the page is its pixels at the resolution.
void TestBook::picturesGoInAsTheyAre() {
    QFETCH(bool, byHand);
    QTemporaryDir dir;
    QImage colour = stripes({301, 200}, QImage::Format_RGB32);
    colour.setDotsPerMeterX(5906); // 150 dpi, which the JPEG file carries
    colour.setDotsPerMeterY(5906);
    save(colour, dir.filePath(QStringLiteral("1.jpg")));
    const QImage mono = stripes({203, 150}, QImage::Format_Mono);
    save(mono, dir.filePath(QStringLiteral("2.tif")));
    const QImage palette = stripes({120, 90}, QImage::Format_Indexed8);
    save(palette, dir.filePath(QStringLiteral("3.png")));
    const QImage rgb = stripes({64, 48}, QImage::Format_RGB32);
    save(rgb, dir.filePath(QStringLiteral("4.bmp")));
    {
        // A BMP without a resolution: Qt writes one, so it goes from the header.
        QFile bmp(dir.filePath(QStringLiteral("4.bmp")));
        QVERIFY(bmp.open(QIODevice::ReadWrite) && bmp.seek(38) &&
                bmp.write(QByteArray(8, '\0')) == 8);
    }

    BookPdfOptions options;
    options.pages = listBookPages(dir.path());
    options.outputPath = dir.filePath(QStringLiteral("libro.pdf"));
    options.title = QStringLiteral("Cañas y (barro) \\ [1] )(");
    options.author = QStringLiteral("Blasco Ibáñez ) \\n <x>");
    options.resolution = 200;
    options.resolutionByHand = byHand;
    options.workers = 2;
    const BookPdfResult result = writeBook(options);
    QVERIFY2(result.ok, qPrintable(result.message));
    QCOMPARE(result.pages, 4);

    int code = -1;
    run(QStringLiteral("qpdf"), {QStringLiteral("--check"), options.outputPath}, &code);
    QCOMPARE(code, 0);

    const QByteArray info = run(QStringLiteral("pdfinfo"), {options.outputPath});
    QCOMPARE(infoField(info, "Title"), options.title);
    QCOMPARE(infoField(info, "Author"), options.author);
    QCOMPARE(infoField(info, "Producer"), QStringLiteral("Pliego"));
    QVERIFY(!infoField(info, "CreationDate").isEmpty());

    const QJsonArray pages = pdfJson(options.outputPath)[QStringLiteral("pages")].toArray();
    QCOMPARE(pages.size(), 4);
    const QJsonObject jpeg = pages[0][QStringLiteral("images")][0].toObject();
    QCOMPARE(jpeg[QStringLiteral("filter")].toArray()[0].toString(), QStringLiteral("/DCTDecode"));
    const QString object = jpeg[QStringLiteral("object")].toString().section(u' ', 0, 0);
    QCOMPARE(run(QStringLiteral("qpdf"), {"--show-object=" + object,
                                          QStringLiteral("--raw-stream-data"), options.outputPath}),
             fileBytes(dir.filePath(QStringLiteral("1.jpg"))));
    QCOMPARE(
        pages[1][QStringLiteral("images")][0][QStringLiteral("filter")].toArray()[0].toString(),
        QStringLiteral("/CCITTFaxDecode"));
    QCOMPARE(
        pages[2][QStringLiteral("images")][0][QStringLiteral("colorspace")].toArray()[0].toString(),
        QStringLiteral("/Indexed"));

    // Page sizes in points: pixels ÷ resolution × 72. The JPEG carries 150 dpi, the BMP none.
    const QStringList sizes =
        QString::fromUtf8(run(QStringLiteral("pdfinfo"),
                              {QStringLiteral("-f"), QStringLiteral("1"), QStringLiteral("-l"),
                               QStringLiteral("4"), options.outputPath}))
            .split(u'\n')
            .filter(QRegularExpression(QStringLiteral("^Page +[0-9]+ size:")));
    QCOMPARE(sizes.size(), 4);
    const double jpegDpi = byHand ? 200 : 150;
    const QString firstSize = QStringLiteral("%1 x %2")
                                  .arg(301 * 72 / jpegDpi, 0, 'g', 6)
                                  .arg(200 * 72 / jpegDpi, 0, 'g', 6);
    QVERIFY2(sizes[0].contains(firstSize), qPrintable(sizes[0] + " / " + firstSize));
    QVERIFY2(sizes[3].contains(QStringLiteral("%1 x %2").arg(64 * 72 / 200.0).arg(48 * 72 / 200.0)),
             qPrintable(sizes[3]));

    // What a reader decodes from the lossless pages is their pixels.
    run(QStringLiteral("pdfimages"),
        {QStringLiteral("-png"), options.outputPath, dir.filePath(QStringLiteral("img"))});
    const QImage originals[] = {mono, palette, rgb};
    for (int i = 0; i < 3; ++i) {
        const QImage out(
            dir.filePath(QStringLiteral("img-%1.png").arg(i + 1, 3, 10, QLatin1Char('0'))));
        QCOMPARE(out.convertToFormat(QImage::Format_RGB32),
                 originals[i].convertToFormat(QImage::Format_RGB32));
    }
}

void TestBook::ocrFindsTheWords() {
    QVERIFY2(QFile::exists(kFont), "DejaVu Sans is missing: run scripts/install-deps.sh");
    const QStringList languages = installedOcrLanguages();
    QVERIFY2(languages.contains(QStringLiteral("spa")) && languages.contains(QStringLiteral("eng")),
             "Tesseract's Spanish and English data are missing: run scripts/install-deps.sh");
    const int font = QFontDatabase::addApplicationFont(kFont);
    QVERIFY(font >= 0);

    QTemporaryDir dir;
    QImage page(900, 260, QImage::Format_RGB32);
    page.fill(QColor(245, 240, 225));
    QPainter painter(&page);
    painter.setPen(QColor(30, 30, 30));
    painter.setFont(QFont(QFontDatabase::applicationFontFamilies(font).value(0), 28));
    painter.drawText(40, 80, QStringLiteral("El ingenioso hidalgo don Quijote"));
    painter.drawText(40, 170, QStringLiteral("de la Mancha, capítulo primero"));
    painter.end();
    page.setDotsPerMeterX(11811); // 300 dpi
    page.setDotsPerMeterY(11811);
    save(page, dir.filePath(QStringLiteral("1.jpg")));

    BookPdfOptions options;
    options.pages = listBookPages(dir.path());
    options.outputPath = dir.filePath(QStringLiteral("libro.pdf"));
    options.ocr = true;
    options.ocrLanguage = defaultOcrLanguage(ocrLanguageChoices(languages));
    QCOMPARE(options.ocrLanguage, QStringLiteral("spa+eng"));
    const BookPdfResult result = writeBook(options);
    QVERIFY2(result.ok, qPrintable(result.message));

    int code = -1;
    run(QStringLiteral("qpdf"), {QStringLiteral("--check"), options.outputPath}, &code);
    QCOMPARE(code, 0);
    const QString text = QString::fromUtf8(
        run(QStringLiteral("pdftotext"), {options.outputPath, QStringLiteral("-")}));
    for (const char* word : {"ingenioso", "hidalgo", "Quijote", "Mancha", "capítulo", "primero"})
        QVERIFY2(text.contains(QString::fromUtf8(word)),
                 qPrintable(QString::fromUtf8(word) + " not in: " + text));
    // The words lie over their place in the picture: "hidalgo" on the first line's left half.
    const QString boxes =
        QString::fromUtf8(run(QStringLiteral("pdftotext"),
                              {QStringLiteral("-bbox"), options.outputPath, QStringLiteral("-")}));
    const QRegularExpressionMatch hidalgo =
        QRegularExpression(QStringLiteral("xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\"[^>]*>hidalgo<"))
            .match(boxes);
    QVERIFY2(hidalgo.hasMatch(), qPrintable(boxes));
    QVERIFY(hidalgo.captured(1).toDouble() > 40 && hidalgo.captured(1).toDouble() < 108);
    QVERIFY(hidalgo.captured(2).toDouble() > 5 && hidalgo.captured(2).toDouble() < 20);
}

void TestBook::failureLeavesTheOldPdf_data() {
    QTest::addColumn<QString>("broken"); // a page file's name, written with bad bytes
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("language"); // OCR language; empty: no OCR
    QTest::addColumn<QString>("named");    // what the lines must name
    QTest::newRow("truncated JPEG") << "2.jpg" << QByteArray("truncate") << ""
                                    << "2.jpg";
    QTest::newRow("missing OCR language") << "" << QByteArray() << "spa+xyz"
                                          << "xyz";
}

void TestBook::failureLeavesTheOldPdf() {
    QFETCH(QString, broken);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, language);
    QFETCH(QString, named);
    QTemporaryDir dir;
    for (int i = 1; i <= 4; ++i)
        save(stripes({50, 40}, QImage::Format_RGB32),
             dir.filePath(QStringLiteral("%1.jpg").arg(i)));
    if (bytes == "truncate") {
        const QByteArray whole = fileBytes(dir.filePath(broken));
        bytes = whole.left(whole.size() * 2 / 3);
    }
    if (!broken.isEmpty()) {
        QFile file(dir.filePath(broken));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    }
    const QString pdf = dir.filePath(QStringLiteral("libro.pdf"));
    {
        QFile old(pdf);
        QVERIFY(old.open(QIODevice::WriteOnly) && old.write("the older book") == 14);
    }
    BookPdfOptions options;
    options.pages = listBookPages(dir.path());
    options.outputPath = pdf;
    options.ocr = !language.isEmpty();
    options.ocrLanguage = language;
    options.workers = 2;
    QStringList lines;
    const BookPdfResult result = writeBook(options, &lines);
    QVERIFY(!result.ok);
    QVERIFY2(!lines.filter(named).isEmpty(), qPrintable(lines.join(u'\n')));
    QCOMPARE(fileBytes(pdf), QByteArray("the older book"));
    QCOMPARE(QDir(dir.path()).entryList({QStringLiteral("*.pdf*")}, QDir::Files | QDir::Hidden),
             QStringList{QStringLiteral("libro.pdf")});
}

void TestBook::cancelWritesNothing() {
    QTemporaryDir dir;
    for (int i = 1; i <= 6; ++i)
        save(stripes({50, 40}, QImage::Format_Mono), dir.filePath(QStringLiteral("%1.png").arg(i)));
    std::atomic<bool> cancel = false;
    BookPdfOptions options;
    options.pages = listBookPages(dir.path());
    options.outputPath = dir.filePath(QStringLiteral("libro.pdf"));
    options.cancel = &cancel;
    QStringList lines;
    const BookPdfResult result = writeBookPdf(options, [&](const QString& line) {
        lines << line;
        cancel = true; // the operator presses "Cancelar" as the first page is reported
    });
    QVERIFY(!result.ok);
    QVERIFY(result.cancelled);
    QCOMPARE(lines.size(), 2); // the first page and the cancel
    QCOMPARE(QDir(dir.path()).entryList({QStringLiteral("*.pdf*")}, QDir::Files | QDir::Hidden),
             QStringList());
}

QTEST_MAIN(TestBook)
#include "test_book.moc"
