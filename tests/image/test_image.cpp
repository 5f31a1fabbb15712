#include "app/ImageBox.h"
#include "image/AreaShrink.h"
#include "image/ColorFormats.h"
#include "image/ColorQuantizer.h"
#include "image/ImageFiles.h"
#include "image/JpegWriter.h"
#include "image/ScanRead.h"
#include "image/TurnGeometry.h"
#include "image/TurnedCut.h"
#include "image/TurnedPage.h"

#include "SmallDisk.h"

#include <QApplication>
#include <QBuffer>
#include <QColorSpace>
#include <QElapsedTimer>
#include <QFile>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <libimagequant.h>
#include <random>
#include <sys/resource.h>
#include <tiffio.h>
#include <unistd.h>

namespace {

// A picture with far more than 256 colours, of odd size so that packed rows end mid-byte.
QImage manyColours(int width = 37, int height = 23) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb(x * 7 % 256, y * 11 % 256, (x + y) * 4 % 256));
    return image;
}

QImage filled(int width, int height, QRgb colour) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

// A page as scanned: tinted paper with noise, a colour photograph and lines of text.
QImage scannedPage() {
    QImage page(695, 958, QImage::Format_RGB32);
    page.fill(QColor(244, 240, 228));
    QPainter painter(&page);
    QLinearGradient photo(60, 120, 640, 480);
    photo.setColorAt(0, QColor(200, 60, 40));
    photo.setColorAt(0.3, QColor(240, 200, 80));
    photo.setColorAt(0.6, QColor(40, 120, 200));
    photo.setColorAt(1, QColor(30, 160, 90));
    painter.fillRect(QRect(60, 120, 575, 360), photo);
    std::mt19937 random(7);
    std::uniform_int_distribution<int> word(12, 70), ink(20, 70);
    for (int y = 520; y < 900; y += 20)
        for (int x = 60; x < 630; x += word(random) + 8)
            painter.fillRect(QRect(x, y, word(random), 9), QColor(ink(random), ink(random), 40));
    painter.end();
    std::normal_distribution<double> noise(0, 2.0);
    for (int y = 0; y < page.height(); ++y) {
        QRgb* line = reinterpret_cast<QRgb*>(page.scanLine(y));
        for (int x = 0; x < page.width(); ++x) {
            auto n = [&](int v) { return std::clamp(int(std::lround(v + noise(random))), 0, 255); };
            line[x] = qRgb(n(qRed(line[x])), n(qGreen(line[x])), n(qBlue(line[x])));
        }
    }
    return page;
}

// The scanned page in the given format; translucent, with alpha running across it, for ARGB.
QImage scannedPageAs(int format) {
    QImage source = scannedPage();
    if (format == QImage::Format_ARGB32_Premultiplied) {
        source = source.convertToFormat(QImage::Format_ARGB32);
        for (int y = 0; y < source.height(); ++y)
            for (int x = 0; x < source.width(); ++x)
                source.setPixel(x, y,
                                (source.pixel(x, y) & 0xFFFFFF) | uint((x + 3 * y) % 256) << 24);
    }
    return source.convertToFormat(QImage::Format(format));
}

double meanAbsoluteError(const QImage& a, const QImage& b) {
    const QImage x = a.convertToFormat(QImage::Format_RGB32);
    const QImage y = b.convertToFormat(QImage::Format_RGB32);
    double sum = 0;
    for (int row = 0; row < x.height(); ++row)
        for (int col = 0; col < x.width(); ++col) {
            const QRgb p = x.pixel(col, row), q = y.pixel(col, row);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) +
                   std::abs(qBlue(p) - qBlue(q));
        }
    return sum / (3.0 * x.width() * x.height());
}

// The quality reference: libimagequant at its fastest, without dithering.
double referenceError(const QImage& image, int colours) {
    QImage rgba = image.convertToFormat(QImage::Format_RGBA8888);
    liq_attr* attr = liq_attr_create();
    liq_set_max_colors(attr, colours);
    liq_set_speed(attr, 10);
    liq_image* input = liq_image_create_rgba(attr, rgba.bits(), rgba.width(), rgba.height(), 0);
    liq_result* result = nullptr;
    double error = -1;
    if (liq_image_quantize(input, attr, &result) == LIQ_OK) {
        liq_set_dithering_level(result, 0);
        QImage indexed(image.size(), QImage::Format_Indexed8);
        const liq_palette* palette = liq_get_palette(result);
        QList<QRgb> table;
        for (unsigned i = 0; i < palette->count; ++i)
            table.append(qRgb(palette->entries[i].r, palette->entries[i].g, palette->entries[i].b));
        indexed.setColorTable(table);
        // Rows of an Indexed8 image are padded to 4 bytes; 695 is not, so remap row by row.
        std::vector<unsigned char*> rows;
        for (int y = 0; y < indexed.height(); ++y)
            rows.push_back(indexed.scanLine(y));
        liq_write_remapped_image_rows(result, input, rows.data());
        error = meanAbsoluteError(image, indexed);
        liq_result_destroy(result);
    }
    liq_image_destroy(input);
    liq_attr_destroy(attr);
    return error;
}

struct TiffFacts {
    int bits = 0, samples = 0, photometric = -1, compression = -1;
};

TiffFacts tiffFacts(const QString& path) {
    TiffFacts facts;
    TIFF* tif = TIFFOpen(QFile::encodeName(path).constData(), "r");
    if (!tif)
        return facts;
    uint16_t bits = 0, samples = 0, photometric = 0, compression = 0;
    TIFFGetField(tif, TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetField(tif, TIFFTAG_SAMPLESPERPIXEL, &samples);
    TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric);
    TIFFGetField(tif, TIFFTAG_COMPRESSION, &compression);
    TIFFClose(tif);
    return {bits, samples, photometric, compression};
}

// Bits per pixel as the file's header states them.
int storedBits(const QString& path, const QString& type) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray head = file.read(32);
    if (type == u"png") {
        const int depth = uchar(head[24]), colourType = uchar(head[25]);
        return colourType == 2 ? 3 * depth : colourType == 6 ? 4 * depth : depth;
    }
    if (type == u"bmp")
        return uchar(head[28]);
    if (type == u"gif")
        return (uchar(head[10]) & 7) + 1; // size of the global colour table
    if (type == u"tif") {
        const TiffFacts facts = tiffFacts(path);
        return facts.bits * facts.samples;
    }
    QImageReader reader(path);
    return reader.read().format() == QImage::Format_Grayscale8 ? 8 : 24;
}

// Writes a TIFF with libtiff directly, to give the reader files made by another writer.
bool writeTestTiff(const QString& path, const QImage& grey, int compression, int bits) {
    TIFF* tif = TIFFOpen(QFile::encodeName(path).constData(), "w");
    if (!tif)
        return false;
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, uint32_t(grey.width()));
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, uint32_t(grey.height()));
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, uint16_t(bits));
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, uint16_t(1));
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, uint16_t(compression));
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, uint32_t(grey.height()));
    std::vector<uchar> row((grey.width() * bits + 7) / 8);
    bool ok = true;
    for (int y = 0; y < grey.height() && ok; ++y) {
        std::fill(row.begin(), row.end(), 0);
        for (int x = 0; x < grey.width(); ++x) {
            const int v = qGray(grey.pixel(x, y));
            if (bits == 8)
                row[x] = uchar(v);
            else if (v >= 128)
                row[x / 8] |= uchar(0x80 >> (x % 8));
        }
        ok = TIFFWriteScanline(tif, row.data(), uint32_t(y), 0) == 1;
    }
    TIFFClose(tif);
    return ok;
}

} // namespace

Q_DECLARE_METATYPE(AreaShrinkSimd)

class ImageTest : public QObject {
    Q_OBJECT
private slots:
    void init() { QVERIFY(dir_.isValid()); }

    void roundTripEveryTypeAndCode_data();
    void roundTripEveryTypeAndCode();
    void jpegIsWhatQtWrites_data();
    void jpegIsWhatQtWrites();
    void tiffGroup4ForBlackAndWhitePages_data();
    void tiffGroup4ForBlackAndWhitePages();
    void readsFilesOfOtherWriters_data();
    void readsFilesOfOtherWriters();
    void cmykJpegReadsAsColour();
    void tiffLayoutsOfCommonTools_data();
    void tiffLayoutsOfCommonTools();
    void largeScanLoads();
    void transparencySurvivesPalettes_data();
    void transparencySurvivesPalettes();
    void unreadableFilesLeaveNoImage_data();
    void unreadableFilesLeaveNoImage();
    void failedSaveKeepsExistingFile_data();
    void failedSaveKeepsExistingFile();
    void pixelColor();
    void colourConversion_data();
    void colourConversion();
    void quantiserQuality_data();
    void quantiserQuality();
    void selectionLimitsSaveAndCopy_data();
    void selectionLimitsSaveAndCopy();
    void cropToSelection();
    void mergeClipsAndBlends_data();
    void mergeClipsAndBlends();
    void rotate_data();
    void rotate();
    void turnedCutIsTheTurnCut_data();
    void turnedCutIsTheTurnCut();
    void turnedPageIsTheTurnedCutShrunk_data();
    void turnedPageIsTheTurnedCutShrunk();
    void resize_data();
    void resize();
    void clipboardSharesPixels();
    void pointerNotifications();
    void displayShowsZoomAndSelection();
    void savesFollowTheLatestColourFormat();
    void readAheadGivesTheFileAsItIsWhenLoaded();

private:
    QString path(const QString& name) const { return dir_.filePath(name); }
    // Writes the picture losslessly and loads it into the box.
    void load(ImageBox& box, const QImage& picture) {
        const QString file = path(QStringLiteral("source-%1.png").arg(++sources_));
        QVERIFY(picture.save(file));
        QVERIFY2(box.LoadFromFile(file), qPrintable(box.lastError()));
    }

    QTemporaryDir dir_;
    int sources_ = 0;
};

void ImageTest::roundTripEveryTypeAndCode_data() {
    QTest::addColumn<QString>("type");
    QTest::addColumn<int>("code");
    QTest::addColumn<bool>("twoColours"); // the source has two colours that are not black/white
    QTest::addColumn<int>("bits");
    QTest::addColumn<int>("codeRead");
    // Bits stored and the code read back for each code, on lossless types.
    const int bits[] = {24, 8, 8, 4, 4, 1, 1};
    const int read[] = {0, 1, 2, 3, 4, 6, 6}; // code 5 thresholds a many-colour picture to b/w
    for (const char* type : {"png", "tif", "bmp", "gif", "jpg"}) {
        for (int code = 0; code <= 6; ++code) {
            int b = bits[code], r = read[code];
            if (QByteArray(type) == "gif" && code == 0)
                b = 8, r = 1;
            if (QByteArray(type) == "jpg")
                b = (code == 0 || code == 1 || code == 3) ? 24 : 8, r = b == 24 ? 0 : 2;
            QTest::addRow("%s code %d", type, code) << type << code << false << b << r;
        }
        if (QByteArray(type) != "jpg")
            QTest::addRow("%s two colours", type) << type << 5 << true << 1 << 5;
    }
}

void ImageTest::roundTripEveryTypeAndCode() {
    QFETCH(QString, type);
    QFETCH(int, code);
    QFETCH(bool, twoColours);
    QFETCH(int, bits);
    QFETCH(int, codeRead);
    ImageBox box;
    QImage source = manyColours();
    if (twoColours)
        for (int y = 0; y < source.height(); ++y)
            for (int x = 0; x < source.width(); ++x)
                source.setPixel(x, y, (x + y) % 3 ? qRgb(20, 40, 200) : qRgb(250, 230, 10));
    load(box, source);
    QVERIFY(box.setColorFormat(code));
    const QImage expected = box.image();
    const QString file = path(QStringLiteral("out.%1").arg(type));
    QVERIFY2(box.SaveToFile(file), qPrintable(box.lastError()));

    QImageReader qtReader(file);
    const QImage decoded = qtReader.read();
    QVERIFY2(!decoded.isNull(), qPrintable(qtReader.errorString()));
    QCOMPARE(decoded.size(), source.size());
    const int stored = storedBits(file, type);
    if (type == u"gif")
        QVERIFY2(stored <= bits && (1 << stored) >= std::min(16, 1 << bits),
                 qPrintable(QString::number(stored)));
    else
        QCOMPARE(stored, bits);

    ImageBox back;
    QVERIFY2(back.LoadFromFile(file), qPrintable(back.lastError()));
    QCOMPARE(back.ColorFormat(), codeRead);
    if (type == u"jpg") {
        QVERIFY(meanAbsoluteError(back.image(),
                                  bits == 8 ? expected.convertToFormat(QImage::Format_Grayscale8)
                                            : expected) < 12);
    } else if (type == u"gif" && code == 0) {
        QVERIFY(meanAbsoluteError(back.image(), expected) < 4);
    } else {
        QCOMPARE(back.image().convertToFormat(QImage::Format_RGB32),
                 expected.convertToFormat(QImage::Format_RGB32));
    }
}

void ImageTest::jpegIsWhatQtWrites_data() {
    QTest::addColumn<bool>("grey");
    QTest::addColumn<int>("quality");
    QTest::addColumn<int>("dotsPerMeter");
    QTest::newRow("colour, 90, 72 dpi") << false << 90 << 2835;
    QTest::newRow("grey, 30, 300 dpi") << true << 30 << 11811;
    QTest::newRow("colour, 100, no resolution") << false << 100 << 0;
    QTest::newRow("colour, 0, 40 dots per cm") << false << 0 << 4000;
}

void ImageTest::jpegIsWhatQtWrites() {
    QFETCH(bool, grey);
    QFETCH(int, quality);
    QFETCH(int, dotsPerMeter);
    // Odd size: the last block row and column are partial.
    QImage page = scannedPage().copy(0, 0, 333, 251);
    if (grey)
        page = page.convertToFormat(QImage::Format_Grayscale8);
    page.setDotsPerMeterX(dotsPerMeter);
    page.setDotsPerMeterY(dotsPerMeter);
    QByteArray ours;
    QString reason;
    QVERIFY(writeJpeg(page, quality, &ours, &reason));
    QByteArray qts;
    QBuffer buffer(&qts);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(quality);
    QVERIFY(writer.write(page));
    QCOMPARE(ours.size(), qts.size());
    QVERIFY(ours == qts);
}

void ImageTest::tiffGroup4ForBlackAndWhitePages_data() {
    QTest::addColumn<int>("compression");
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("expected");
    QTest::newRow("2, black and white") << 2 << 6 << int(COMPRESSION_CCITTFAX4);
    QTest::newRow("2, 1 bit from colour") << 2 << 5 << int(COMPRESSION_CCITTFAX4);
    QTest::newRow("2, grey page") << 2 << 2 << int(COMPRESSION_NONE);
    QTest::newRow("0, black and white") << 0 << 6 << int(COMPRESSION_NONE);
}

void ImageTest::tiffGroup4ForBlackAndWhitePages() {
    QFETCH(int, compression);
    QFETCH(int, code);
    QFETCH(int, expected);
    ImageBox box;
    load(box, scannedPage());
    box.setTiffCompression(compression);
    QVERIFY(box.setColorFormat(code));
    QVERIFY(box.SaveToFile(path("page.TIF")));
    QCOMPARE(tiffFacts(path("page.TIF")).compression, expected);
    ImageBox back;
    QVERIFY(back.LoadFromFile(path("page.TIF")));
    QCOMPARE(back.image(), box.image());
}

void ImageTest::readsFilesOfOtherWriters_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("code");
    const QImage grey = manyColours(64, 40).convertToFormat(QImage::Format_Grayscale8);
    const QImage blackWhite = grey.convertToFormat(QImage::Format_Mono, Qt::ThresholdDither);
    const struct {
        const char* name;
        int compression, bits, code;
    } tiffs[] = {{"lzw.tif", COMPRESSION_LZW, 8, 2},
                 {"deflate.tif", COMPRESSION_ADOBE_DEFLATE, 8, 2},
                 {"packbits.tif", COMPRESSION_PACKBITS, 8, 2},
                 {"g3.tif", COMPRESSION_CCITTFAX3, 1, 6},
                 {"g4.tif", COMPRESSION_CCITTFAX4, 1, 6}};
    for (const auto& t : tiffs) {
        const QString file = dir_.filePath(QString::fromLatin1(t.name));
        QVERIFY(writeTestTiff(
            file, t.bits == 8 ? grey : blackWhite.convertToFormat(QImage::Format_Grayscale8),
            t.compression, t.bits));
        QTest::newRow(t.name) << file << t.code;
    }
    QVERIFY(grey.save(dir_.filePath("grey.jpg")));
    QTest::newRow("grey JPEG") << dir_.filePath("grey.jpg") << 2;
    QVERIFY(manyColours(64, 40).save(dir_.filePath("colour.jpg")));
    QTest::newRow("colour JPEG") << dir_.filePath("colour.jpg") << 0;
    QVERIFY(blackWhite.save(dir_.filePath("mono.png")));
    QTest::newRow("1-bit PNG") << dir_.filePath("mono.png") << 6;
    QVERIFY(manyColours().convertToFormat(QImage::Format_ARGB32).save(dir_.filePath("rgba.png")));
    QTest::newRow("RGBA PNG, opaque") << dir_.filePath("rgba.png") << 0;
    QVERIFY(manyColours(64, 40)
                .convertToFormat(QImage::Format_Grayscale16)
                .save(dir_.filePath("grey16.png")));
    QTest::newRow("16-bit grey PNG") << dir_.filePath("grey16.png") << 2;
    QVERIFY(manyColours().convertToFormat(QImage::Format_RGBX64).save(dir_.filePath("rgb48.png")));
    QTest::newRow("16-bit colour PNG") << dir_.filePath("rgb48.png") << 0;
    QCOMPARE(QProcess::execute("convert", {dir_.filePath("rgba.png"), "-interlace", "PNG",
                                           dir_.filePath("interlaced.png")}),
             0);
    QTest::newRow("interlaced PNG") << dir_.filePath("interlaced.png") << 0;
    QVERIFY(manyColours().convertToFormat(QImage::Format_Indexed8).save(dir_.filePath("p.bmp")));
    QTest::newRow("8-bit BMP") << dir_.filePath("p.bmp") << 1;
}

void ImageTest::readsFilesOfOtherWriters() {
    QFETCH(QString, name);
    QFETCH(int, code);
    ImageBox box;
    QVERIFY2(box.LoadFromFile(name), qPrintable(box.lastError()));
    QCOMPARE(box.ColorFormat(), code);
    // Every reader gives the same pixels as Qt's own reader (libtiff's in Qt for TIFF). The
    // colour space a file names is not kept: no page is colour-managed.
    QImage expected = QImage(name).convertToFormat(QImage::Format_RGB32);
    expected.setColorSpace(QColorSpace());
    QCOMPARE(box.image(), expected);
}

// A CMYK JPEG (as prepress scanners write them) comes in as colour, as ImageMagick reads it.
void ImageTest::cmykJpegReadsAsColour() {
    const QString cmyk = path("cmyk.jpg");
    const QString reference = path("cmyk-as-rgb.png");
    QVERIFY(manyColours(64, 40).save(path("rgb.png")));
    QCOMPARE(QProcess::execute("convert", {path("rgb.png"), "-colorspace", "CMYK", cmyk}), 0);
    QCOMPARE(QProcess::execute("convert", {cmyk, "-colorspace", "sRGB", reference}), 0);
    ImageBox box;
    QVERIFY2(box.LoadFromFile(cmyk), qPrintable(box.lastError()));
    QCOMPARE(box.ColorFormat(), 0);
    QVERIFY(meanAbsoluteError(QImage(reference), box.image()) < 3);
}

void ImageTest::tiffLayoutsOfCommonTools_data() {
    QTest::addColumn<QStringList>("options"); // ImageMagick's, from a picture with transparency
    QTest::addColumn<bool>("transparent");
    QTest::newRow("16-colour palette with an extra sample") << QStringList{"-colors", "16"} << true;
    QTest::newRow("256-colour palette with an extra sample")
        << QStringList{"-colors", "200"} << true;
    QTest::newRow("planar RGB") << QStringList{"-alpha", "off", "-interlace", "plane"} << false;
    QTest::newRow("planar RGB, 16 bits")
        << QStringList{"-alpha", "off", "-depth", "16", "-interlace", "plane"} << false;
    QTest::newRow("RGB with alpha, 16 bits") << QStringList{"-depth", "16"} << true;
    QTest::newRow("grey, 16 bits")
        << QStringList{"-alpha", "off", "-colorspace", "gray", "-depth", "16"} << false;
    QTest::newRow("grey with alpha")
        << QStringList{"-colorspace", "gray", "-type", "GrayscaleAlpha"} << true;
    QTest::newRow("grey with alpha, 16 bits")
        << QStringList{"-colorspace", "gray", "-type", "GrayscaleAlpha", "-depth", "16"} << true;
    QTest::newRow("CMYK, 16 bits")
        << QStringList{"-alpha", "off", "-colorspace", "cmyk", "-depth", "16"} << false;
    QTest::newRow("32-bit floating point")
        << QStringList{"-alpha", "off", "-depth", "32", "-define", "quantum:format=floating-point"}
        << false;
    QTest::newRow("tiled, LZW") << QStringList{"-define", "tiff:tile-geometry=32x32", "-compress",
                                               "lzw"}
                                << true;
}

// What ImageMagick writes is read as ImageMagick itself reads it back.
void ImageTest::tiffLayoutsOfCommonTools() {
    QFETCH(QStringList, options);
    QFETCH(bool, transparent);
    QImage source = manyColours(70, 45).convertToFormat(QImage::Format_ARGB32);
    for (int y = 10; y < 30; ++y)
        for (int x = 20; x < 60; ++x)
            source.setPixel(x, y, (source.pixel(x, y) & 0xFFFFFF) | (x < 40 ? 0 : 0x80000000));
    QVERIFY(source.save(path("source.png")));
    QCOMPARE(QProcess::execute("convert", QStringList{path("source.png")} + options +
                                              QStringList{path("layout.tif")}),
             0);
    QCOMPARE(QProcess::execute("convert", {path("layout.tif"), "PNG32:" + path("layout.png")}), 0);
    const QImage reference = QImage(path("layout.png"));
    ImageBox box;
    QVERIFY2(box.LoadFromFile(path("layout.tif")), qPrintable(box.lastError()));
    QCOMPARE(box.image().size(), reference.size());
    QCOMPARE(hasTransparency(box.image()), transparent);
    // Compared as both look on white paper, and alpha for alpha.
    QImage paper(reference.size(), QImage::Format_RGB32), expected = paper;
    paper.fill(Qt::white);
    expected.fill(Qt::white);
    QPainter(&paper).drawImage(0, 0, box.image());
    QPainter(&expected).drawImage(0, 0, reference);
    QVERIFY2(meanAbsoluteError(paper, expected) < 1.5,
             qPrintable(QString::number(meanAbsoluteError(paper, expected))));
    for (const QPoint at : {QPoint(30, 20), QPoint(50, 20), QPoint(5, 5)})
        QVERIFY(std::abs(qAlpha(box.image().pixel(at)) - qAlpha(reference.pixel(at))) <= 1);
}

// A 600 dpi scan of a large spread, under the program's allocation limit.
void ImageTest::largeScanLoads() {
    QImage scan(12000, 9000, QImage::Format_RGB32);
    QVERIFY(!scan.isNull());
    scan.fill(QColor(240, 236, 225));
    QPainter(&scan).fillRect(QRect(1000, 800, 4000, 7000), QColor(40, 60, 120));
    QVERIFY(scan.save(path("large.jpg"), "JPEG", 50));
    scan = QImage();
    ImageBox box;
    QVERIFY2(box.LoadFromFile(path("large.jpg")), qPrintable(box.lastError()));
    QCOMPARE(box.image().size(), QSize(12000, 9000));
    QVERIFY(std::abs(qBlue(box.image().pixel(3000, 4000)) - 120) < 4);
}

void ImageTest::transparencySurvivesPalettes_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("code");
    QTest::newRow("GIF") << "wm.gif" << 1;
    QTest::newRow("PNG, 256 colours") << "wm.png" << 1;
    QTest::newRow("PNG, 16 colours") << "wm16.png" << 3;
    QTest::newRow("PNG, 24 bits") << "wm24.png" << 0;
    QTest::newRow("TIFF, 24 bits") << "wm24.tif" << 0;
}

void ImageTest::transparencySurvivesPalettes() {
    QFETCH(QString, file);
    QFETCH(int, code);
    QImage label(40, 30, QImage::Format_ARGB32);
    label.fill(Qt::transparent);
    for (int y = 5; y < 25; ++y)
        for (int x = 5; x < 35; ++x)
            label.setPixel(x, y, qRgb(x * 6, 200 - y * 4, 90));
    ImageBox box;
    load(box, label);
    QVERIFY(box.setColorFormat(code));
    QVERIFY(box.SaveToFile(path(file)));
    ImageBox back;
    QVERIFY(back.LoadFromFile(path(file)));
    QCOMPARE(qAlpha(back.image().pixel(0, 0)), 0);
    QCOMPARE(qAlpha(back.image().pixel(20, 15)), 255);
    QCOMPARE(back.PixelColor(5, 5), box.PixelColor(5, 5));
}

void ImageTest::unreadableFilesLeaveNoImage_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("says"); // part of the reason, where the codec had something to say
    QByteArray jpeg, bmp, gif, tiff;
    {
        QBuffer buffer(&jpeg);
        buffer.open(QIODevice::WriteOnly);
        QVERIFY(scannedPage().save(&buffer, "JPEG", 90));
    }
    auto write = [this](const QString& name, const QByteArray& bytes) {
        QFile file(path(name));
        file.open(QIODevice::WriteOnly);
        file.write(bytes);
        return path(name);
    };
    QTest::newRow("truncated JPEG") << write("cut.jpg", jpeg.left(jpeg.size() / 2)) << "";
    ImageBox writer;
    load(writer, scannedPage());
    for (const char* type : {"bmp", "gif", "tif", "png"}) {
        const QString name = QStringLiteral("whole.%1").arg(type);
        QVERIFY(writer.SaveToFile(path(name)));
        QFile whole(path(name));
        whole.open(QIODevice::ReadOnly);
        QTest::addRow("truncated %s", type)
            << write(QStringLiteral("cut.%1").arg(type), whole.read(whole.size() / 2)) << "";
    }
    QFile png(path("whole.png"));
    QVERIFY(png.open(QIODevice::ReadOnly));
    QByteArray damaged = png.readAll();
    for (qsizetype at = damaged.indexOf("IDAT") + 8, i = at; i < at + 40; ++i)
        damaged[i] = char(damaged[i] ^ 0x5A);
    QTest::newRow("damaged PNG data") << write("damaged.png", damaged) << "(libpng: ";
    QTest::newRow("zero bytes") << write("empty.png", {}) << "";
    QTest::newRow("text named .png") << write("text.png", "not a picture at all\n") << "";
    QTest::newRow("missing") << path("missing.jpg") << "";
    QTest::newRow("folder") << dir_.path() << "";
}

void ImageTest::unreadableFilesLeaveNoImage() {
    QFETCH(QString, file);
    QFETCH(QString, says);
    ImageBox box;
    QVERIFY(box.NewImage(10, 10));
    QVERIFY(!box.LoadFromFile(file));
    QVERIFY(!box.HasImage());
    QCOMPARE(box.ImageWidth(), 0);
    QVERIFY(box.lastError().startsWith("No se puede leer el fichero"));
    QVERIFY2(box.lastError().contains(says), qPrintable(box.lastError()));
    QVERIFY(!box.MergeFile(file));
}

void ImageTest::failedSaveKeepsExistingFile_data() {
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("cause");
    QTest::addColumn<bool>("diskFull");
    QTest::newRow("read-only folder") << "read-only"
                                      << "no hay permiso para escribir en la carpeta" << false;
    QTest::newRow("file size limit") << "size limit"
                                     << "el fichero es mayor de lo que el sistema permite" << false;
    QTest::newRow("full disk") << "full disk"
                               << "el disco está lleno" << true;
}

void ImageTest::failedSaveKeepsExistingFile() {
    QFETCH(QString, how);
    QFETCH(QString, cause);
    QFETCH(bool, diskFull);
    // The page is about 2 MB as BMP; the small disk holds a quarter of it.
    std::unique_ptr<SmallDisk> disk;
    if (how == u"full disk") {
        disk = std::make_unique<SmallDisk>(512 * 1024);
        if (!disk->isReady())
            QSKIP(qPrintable(disk->reason()));
    }
    const QString folder = disk ? disk->path() + "/out" : path("out");
    QVERIFY(QDir().mkpath(folder));
    const QString target = folder + "/page.bmp";
    QFile existing(target);
    QVERIFY(existing.open(QIODevice::WriteOnly));
    existing.write("the page of yesterday");
    existing.close();
    ImageBox box;
    load(box, scannedPage());
    bool saved = true;
    if (how == u"read-only") {
        if (geteuid() == 0)
            QSKIP("root writes into read-only folders");
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner);
        saved = box.SaveToFile(target);
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    } else if (how == u"size limit") {
        // Writes beyond 64 KB fail.
        rlimit old{};
        getrlimit(RLIMIT_FSIZE, &old);
        const auto previous = std::signal(SIGXFSZ, SIG_IGN);
        rlimit small = old;
        small.rlim_cur = 64 * 1024;
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
        saved = box.SaveToFile(target);
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, previous);
    } else {
        saved = box.SaveToFile(target);
    }
    QVERIFY(!saved);
    QCOMPARE(box.lastError(), QStringLiteral("No se puede grabar «%1»: %2").arg(target, cause));
    QCOMPARE(box.lastSaveFoundDiskFull(), diskFull);
    QVERIFY(existing.open(QIODevice::ReadOnly));
    QCOMPARE(existing.readAll(), QByteArray("the page of yesterday"));
    QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList{"page.bmp"});
}

// Red in the low byte, blue in the high one; nothing outside the picture.
void ImageTest::pixelColor() {
    QImage picture = filled(3, 2, qRgb(255, 255, 255));
    picture.setPixel(0, 0, qRgb(255, 0, 0));
    picture.setPixel(1, 0, qRgb(0, 255, 0));
    picture.setPixel(2, 0, qRgb(0, 0, 255));
    picture.setPixel(2, 1, qRgb(0x11, 0x22, 0x33));
    ImageBox box;
    load(box, picture);
    const struct {
        int x, y, expected;
    } probes[] = {{0, 0, 255}, {1, 0, 255 * 256}, {2, 0, 255 * 65536}, {2, 1, 0x332211}, {-1, 0, 0},
                  {3, 0, 0},   {0, 2, 0}};
    for (const auto& p : probes)
        QCOMPARE(box.PixelColor(p.x, p.y), p.expected);
}

void ImageTest::colourConversion_data() {
    QTest::addColumn<int>("code");
    QTest::addColumn<QRgb>("in");
    QTest::addColumn<QRgb>("out");
    QTest::newRow("grey of red") << 2 << qRgb(255, 0, 0) << qRgb(76, 76, 76);
    QTest::newRow("grey of green") << 2 << qRgb(0, 255, 0) << qRgb(150, 150, 150);
    QTest::newRow("grey keeps grey") << 2 << qRgb(77, 77, 77) << qRgb(77, 77, 77);
    QTest::newRow("16 greys round down") << 4 << qRgb(8, 8, 8) << qRgb(0, 0, 0);
    QTest::newRow("16 greys round up") << 4 << qRgb(9, 9, 9) << qRgb(17, 17, 17);
    QTest::newRow("1 bit below mid-grey") << 6 << qRgb(127, 127, 127) << qRgb(0, 0, 0);
    QTest::newRow("1 bit at mid-grey") << 6 << qRgb(128, 128, 128) << qRgb(255, 255, 255);
    QTest::newRow("1 bit, yellow is light") << 5 << qRgb(255, 255, 0) << qRgb(255, 255, 255);
    QTest::newRow("1 bit, blue is dark") << 5 << qRgb(0, 0, 255) << qRgb(0, 0, 0);
}

void ImageTest::colourConversion() {
    QFETCH(int, code);
    QFETCH(QRgb, in);
    QFETCH(QRgb, out);
    QImage picture = manyColours(); // many colours, so that no code keeps them as they are
    picture.setPixel(3, 4, in);
    ImageBox box;
    load(box, picture);
    QVERIFY(box.setColorFormat(code));
    QCOMPARE(box.ColorFormat(), code);
    QCOMPARE(box.image().pixel(3, 4), out);
}

void ImageTest::quantiserQuality_data() {
    QTest::addColumn<int>("colours");
    QTest::addColumn<double>("maxError");
    QTest::newRow("256 colours") << 256 << 2.0;
    QTest::newRow("16 colours") << 16 << 6.0;
}

void ImageTest::quantiserQuality() {
    QFETCH(int, colours);
    QFETCH(double, maxError);
    const QImage page = scannedPage();
    QElapsedTimer timer;
    timer.start();
    const QImage indexed = quantizeColors(page, colours);
    const qint64 elapsed = timer.nsecsElapsed();
    QCOMPARE(indexed.format(), QImage::Format_Indexed8);
    QVERIFY(indexed.colorCount() <= colours);
    const double error = meanAbsoluteError(page, indexed);
    const double reference = referenceError(page, colours);
    qInfo("%d colours: mean absolute error %.3f per channel (libimagequant %.3f), %.1f ms", colours,
          error, reference, elapsed / 1e6);
    QVERIFY(error <= maxError);
    QVERIFY(error <= reference * 1.15);
}

void ImageTest::selectionLimitsSaveAndCopy_data() {
    QTest::addColumn<QRect>("corners"); // x1, y1 as topLeft, x2, y2 as the stored width/height
    QTest::addColumn<float>("zoom");
    QTest::addColumn<QRect>("pixels");
    QTest::newRow("in order") << QRect(10, 5, 30, 25) << 100.f << QRect(10, 5, 20, 20);
    QTest::newRow("reversed corners") << QRect(30, 25, 10, 5) << 100.f << QRect(10, 5, 20, 20);
    QTest::newRow("clipped") << QRect(-5, 15, 70, 100) << 100.f << QRect(0, 15, 60, 25);
    QTest::newRow("display units at 50 %") << QRect(5, 2, 15, 12) << 50.f << QRect(10, 4, 20, 20);
}

void ImageTest::selectionLimitsSaveAndCopy() {
    QFETCH(QRect, corners);
    QFETCH(float, zoom);
    QFETCH(QRect, pixels);
    ImageBox box, other;
    load(box, manyColours(60, 40));
    QVERIFY(box.ZoomTo(zoom));
    box.SelectArea(corners.x(), corners.y(), corners.width(), corners.height());
    box.setSelectionEnabled(true);
    QVERIFY(box.SaveToFile(path("cut.png")));
    QVERIFY(box.CopyToClipboard());
    QVERIFY(other.PasteFromClipboard());
    const QImage cut = manyColours(60, 40).copy(pixels);
    QCOMPARE(QImage(path("cut.png")).convertToFormat(QImage::Format_RGB32), cut);
    QCOMPARE(other.image(), cut);

    box.setSelectionEnabled(false);
    QVERIFY(box.SaveToFile(path("whole.png")));
    QVERIFY(box.CopyToClipboard());
    QVERIFY(other.PasteFromClipboard());
    QCOMPARE(QImage(path("whole.png")).size(), QSize(60, 40));
    QCOMPARE(other.image().size(), QSize(60, 40));
}

void ImageTest::cropToSelection() {
    ImageBox box;
    load(box, manyColours());
    box.SelectArea(36, 22, 3, 2);
    QVERIFY(box.CropToSelection());
    QCOMPARE(box.image(), manyColours().copy(3, 2, 33, 20));
    box.SelectArea(50, 50, 60, 60);
    QVERIFY(!box.CropToSelection()); // outside the image: refused, the image stays
    QCOMPARE(box.ImageWidth(), 33);
    QVERIFY(!box.lastError().isEmpty());
}

void ImageTest::mergeClipsAndBlends_data() {
    QTest::addColumn<bool>("transparent");
    QTest::addColumn<double>("transparency");
    QTest::addColumn<QPoint>("at");
    QTest::addColumn<QPoint>("probe");
    QTest::addColumn<int>("expected");
    // The picture: 60 x 50, white with a black block from (10, 10); or, with alpha, red at 50 %.
    QTest::newRow("plain paste, clipped") << false << 0.0 << QPoint(70, 60) << QPoint(99, 79) << 0;
    QTest::newRow("plain paste keeps white")
        << false << 0.0 << QPoint(70, 60) << QPoint(72, 62) << 0xFFFFFF;
    QTest::newRow("negative corner, clipped")
        << false << 0.0 << QPoint(-20, -20) << QPoint(0, 0) << 0;
    QTest::newRow("key colour is transparent")
        << true << 0.0 << QPoint(0, 0) << QPoint(5, 5) << 255 * 65536;
    QTest::newRow("25 % transparency") << true << 25.0 << QPoint(0, 0) << QPoint(20, 20)
                                       << 64 * 65536; // black over blue: 255 × 0.25
    QTest::newRow("100 % transparency")
        << true << 100.0 << QPoint(0, 0) << QPoint(20, 20) << 255 * 65536;
    QTest::newRow("alpha picture") << true << 0.0 << QPoint(-1, 0) << QPoint(20, 20)
                                   << (128 + 127 * 65536); // 128/255 red over blue
}

void ImageTest::mergeClipsAndBlends() {
    QFETCH(bool, transparent);
    QFETCH(double, transparency);
    QFETCH(QPoint, at);
    QFETCH(QPoint, probe);
    QFETCH(int, expected);
    QImage picture = filled(60, 50, qRgb(255, 255, 255));
    QPainter(&picture).fillRect(10, 10, 45, 35, Qt::black);
    QString file = path("label.png");
    if (at.x() == -1) { // the alpha case: half-transparent red, merged at (0, 0)
        picture = QImage(60, 50, QImage::Format_ARGB32);
        picture.fill(qRgba(255, 0, 0, 128));
        at = QPoint(0, 0);
    }
    QVERIFY(picture.save(file));
    ImageBox box;
    load(box, filled(100, 80, qRgb(0, 0, 255)));
    box.setMergeTransparent(transparent);
    box.setMergeTransparency(transparency);
    box.setMergeLeft(at.x());
    box.setMergeTop(at.y());
    QVERIFY2(box.MergeFile(file), qPrintable(box.lastError()));
    QCOMPARE(box.ImageWidth(), 100);
    QCOMPARE(box.ImageHeight(), 80);
    QCOMPARE(box.PixelColor(probe.x(), probe.y()), expected);
}

void ImageTest::rotate_data() {
    QTest::addColumn<QSize>("size");
    QTest::addColumn<float>("angle");
    QTest::addColumn<QSize>("turned");
    QTest::newRow("0 degrees") << QSize(100, 60) << 0.f << QSize(100, 60);
    QTest::newRow("90 degrees") << QSize(100, 60) << 90.f << QSize(60, 100);
    QTest::newRow("-90 degrees") << QSize(100, 60) << -90.f << QSize(60, 100);
    QTest::newRow("180 degrees") << QSize(100, 60) << 180.f << QSize(100, 60);
    // 1000 cos + 1400 sin of 0.25 degrees = 1006.1, 1000 sin + 1400 cos = 1404.4
    QTest::newRow("0.25 degrees") << QSize(1000, 1400) << 0.25f << QSize(1007, 1405);
    QTest::newRow("-0.25 degrees") << QSize(1000, 1400) << -0.25f << QSize(1007, 1405);
}

void ImageTest::rotate() {
    QFETCH(QSize, size);
    QFETCH(float, angle);
    QFETCH(QSize, turned);
    QImage picture = filled(size.width(), size.height(), qRgb(0, 0, 0));
    picture.setPixel(0, 0, qRgb(255, 0, 0)); // top-left marker
    ImageBox box;
    load(box, picture);
    const qint64 before = box.image().cacheKey();
    QVERIFY(box.Rotate(angle));
    QCOMPARE(box.image().size(), turned);
    if (angle == 0)
        QCOMPARE(box.image().cacheKey(), before);
    if (angle == 90) // clockwise: the top-left corner goes to the top right
        QCOMPARE(box.PixelColor(turned.width() - 1, 0), 255);
    if (angle == -90)
        QCOMPARE(box.PixelColor(0, turned.height() - 1), 255);
    if (angle == 0.25f) { // the uncovered corners are white
        QCOMPARE(box.PixelColor(0, turned.height() - 1), 0xFFFFFF);
        QCOMPARE(box.PixelColor(turned.width() - 1, 0), 0xFFFFFF);
        QCOMPARE(box.PixelColor(turned.width() / 2, turned.height() / 2), 0);
    }
}

void ImageTest::turnedCutIsTheTurnCut_data() {
    QTest::addColumn<float>("angle");
    QTest::addColumn<int>("format");
    QTest::addColumn<QRectF>("part"); // of the turned canvas, in fractions of its size
    const QRectF page(0.52, 0.06, 0.44, 0.9), corner(0, 0, 0.35, 0.4);
    QTest::newRow("colour, small clockwise turn") << 1.37f << int(QImage::Format_RGB32) << page;
    QTest::newRow("colour, anticlockwise, white corner")
        << -3.4f << int(QImage::Format_RGB32) << corner;
    QTest::newRow("translucent colour laid on white")
        << 2.2f << int(QImage::Format_ARGB32_Premultiplied) << page;
    QTest::newRow("grey") << -0.61f << int(QImage::Format_Grayscale8) << page;
    QTest::newRow("quarter turn") << 90.f << int(QImage::Format_RGB32) << corner;
    QTest::newRow("no turn") << 0.f << int(QImage::Format_RGB32) << page;
}

// A page cut through the turn must look as the same page cut from the turned scan.
void ImageTest::turnedCutIsTheTurnCut() {
    QFETCH(float, angle);
    QFETCH(int, format);
    QFETCH(QRectF, part);
    const QImage source = scannedPageAs(format);
    Picture whole;
    whole.setLoaded(source, 0);
    QVERIFY(whole.Rotate(angle));
    const QSize canvas = TurnGeometry(source.size(), angle).canvas();
    QCOMPARE(whole.image().size(), canvas);
    const QRect area(int(part.x() * canvas.width()), int(part.y() * canvas.height()),
                     int(part.width() * canvas.width()), int(part.height() * canvas.height()));
    const QImage cut = cutTurned(source, angle, area);
    QCOMPARE(cut.size(), area.size());
    QVERIFY2(meanAbsoluteError(cut, whole.image().copy(area)) <= 1.0,
             qPrintable(QString::number(meanAbsoluteError(cut, whole.image().copy(area)))));
}

void ImageTest::turnedPageIsTheTurnedCutShrunk_data() {
    QTest::addColumn<float>("angle");
    QTest::addColumn<int>("format");
    QTest::addColumn<QRectF>("part");  // of the turned canvas, in fractions of its size
    QTest::addColumn<double>("shown"); // of the part's height, from its top
    QTest::addColumn<QSize>("size");   // empty: the part's own size
    const QRectF page(0.5, 0.05, 0.46, 0.9), beyond(-0.05, -0.04, 0.5, 0.6);
    const int rgb = QImage::Format_RGB32;
    QTest::newRow("small clockwise turn, halved") << 1.37f << rgb << page << 1.0 << QSize(160, 431);
    QTest::newRow("anticlockwise, past the scan's corner")
        << -3.4f << rgb << beyond << 1.0 << QSize(201, 300);
    QTest::newRow("a band left white below the cut")
        << 2.6f << rgb << page << 0.83 << QSize(190, 512);
    QTest::newRow("the page's own size") << -0.8f << rgb << page << 1.0 << QSize();
    QTest::newRow("stretched to another shape") << 0.45f << rgb << page << 1.0 << QSize(250, 300);
    QTest::newRow("translucent colour laid on white")
        << 2.2f << int(QImage::Format_ARGB32_Premultiplied) << page << 1.0 << QSize(160, 431);
    QTest::newRow("grey") << -1.9f << int(QImage::Format_Grayscale8) << page << 1.0
                          << QSize(160, 431);
    QTest::newRow("steep turn") << 60.f << rgb << page << 1.0 << QSize(160, 431);
}

// A page sampled straight through the turn at its size must look as the turned scan's cut on its
// white canvas, shrunk.
void ImageTest::turnedPageIsTheTurnedCutShrunk() {
    QFETCH(float, angle);
    QFETCH(int, format);
    QFETCH(QRectF, part);
    QFETCH(double, shown);
    QFETCH(QSize, size);
    const QImage source = scannedPageAs(format);
    // The scan as the program holds it: a grey scan is read into colour.
    Picture whole;
    whole.setLoaded(toWorkingFormat(source), 0);
    QVERIFY(whole.Rotate(angle));
    const QSize canvas = TurnGeometry(source.size(), angle).canvas();
    const QRect area(int(part.x() * canvas.width()), int(part.y() * canvas.height()),
                     int(part.width() * canvas.width()), int(part.height() * canvas.height()));
    const QRect cut(area.topLeft(), QSize(area.width(), int(shown * area.height())));
    const bool ownSize = size.isEmpty();
    if (ownSize)
        size = area.size();
    QImage expected(area.size(), QImage::Format_RGB32);
    expected.fill(Qt::white);
    {
        QPainter painter(&expected);
        const QRect onCanvas = cut & whole.image().rect();
        painter.drawImage(onCanvas.topLeft() - area.topLeft(), whole.image(), onCanvas);
    }
    expected = smoothScaled(expected, size.width(), size.height());
    const QImage page = turnedPage(source, angle, area, cut, size);
    QCOMPARE(page.size(), size);
    // The machine's widest instructions and the narrower ones give the same page to the bit.
    setAreaShrinkSimd(AreaShrinkSimd::Sse2);
    const QImage narrower = turnedPage(source, angle, area, cut, size);
    setAreaShrinkSimd(AreaShrinkSimd::Best);
    QVERIFY(narrower == page);
    // The page averages the scan's pixels over each footprint; the turned scan's bilinear
    // samples blur it by up to half a pixel more before the shrink, and at the page's own size
    // they are single points.
    const double bound = ownSize ? 1.5 : 1.25;
    const double error = meanAbsoluteError(page, expected);
    QVERIFY2(error <= bound, qPrintable(QString::number(error)));
}

// What a shrink must give: each target pixel the mean of the source area it covers, computed
// exactly.
double exactAreaMean(const QImage& source, QSize to, int x, int y, int shift) {
    const double sx = double(source.width()) / to.width();
    const double sy = double(source.height()) / to.height();
    double sum = 0;
    for (int q = int(y * sy); q < std::min(source.height(), int(std::ceil((y + 1) * sy))); ++q) {
        const double wy = std::min(q + 1.0, (y + 1) * sy) - std::max(double(q), y * sy);
        const auto* line = reinterpret_cast<const QRgb*>(source.constScanLine(q));
        for (int p = int(x * sx); p < std::min(source.width(), int(std::ceil((x + 1) * sx))); ++p) {
            const double wx = std::min(p + 1.0, (x + 1) * sx) - std::max(double(p), x * sx);
            sum += wx * wy * ((line[p] >> shift) & 0xFF);
        }
    }
    return sum / (sx * sy);
}

void ImageTest::resize_data() {
    QTest::addColumn<AreaShrinkSimd>("simd");
    QTest::addColumn<QSize>("from");
    QTest::addColumn<QSize>("to");
    QTest::addColumn<bool>("transparent");
    // Every path the shrink can take, whatever this machine would choose by itself.
    const std::pair<AreaShrinkSimd, const char*> paths[] = {{AreaShrinkSimd::Best, "best"},
                                                            {AreaShrinkSimd::Sse2, "SSE2"},
                                                            {AreaShrinkSimd::Plain, "plain"}};
    for (const auto& path : paths) {
        const auto row = [&](const char* name) -> QTestData& {
            return QTest::addRow("%s, %s", path.second, name) << path.first;
        };
        // Odd widths leave rows that the wide sums do not fill; the page shrink of a scan is a
        // little under half; the last is a shrink of one axis only.
        row("page from a spread") << QSize(2381 / 4, 3368 / 4) << QSize(310, 438) << false;
        row("uneven, odd widths") << QSize(803, 601) << QSize(333, 251) << false;
        row("strong shrink") << QSize(800, 800) << QSize(23, 37) << false;
        row("one pixel") << QSize(97, 13) << QSize(1, 1) << false;
        row("thousands to one") << QSize(3001, 40) << QSize(2, 3) << false;
        row("one axis") << QSize(64, 301) << QSize(64, 100) << false;
        row("with transparency") << QSize(301, 203) << QSize(120, 80) << true;
    }
}

void ImageTest::resize() {
    QFETCH(AreaShrinkSimd, simd);
    QFETCH(QSize, from);
    QFETCH(QSize, to);
    QFETCH(bool, transparent);
    // Noise, the hardest picture for an average: every pixel differs from its neighbours.
    std::mt19937 random(from.width() * 7919 + to.width());
    QImage noise(from, transparent ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    for (int y = 0; y < from.height(); ++y)
        for (int x = 0; x < from.width(); ++x) {
            const int alpha = transparent ? int(random() % 256) : 255;
            const auto channel = [&] { return int(random() % 256) * alpha / 255; };
            noise.setPixel(x, y, qRgba(channel(), channel(), channel(), alpha));
        }
    ImageBox box;
    Picture picture;
    picture.setLoaded(noise, ColorCode::Rgb24);
    box.setPicture(picture);
    setAreaShrinkSimd(simd);
    const bool resized = box.ResizeImage(to.width(), to.height());
    setAreaShrinkSimd(AreaShrinkSimd::Best);
    QVERIFY(resized);
    const QImage shrunk = box.image();
    QCOMPARE(shrunk.size(), to);
    QCOMPARE(shrunk.format(), noise.format());
    double worst = 0;
    for (int y = 0; y < to.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(shrunk.constScanLine(y));
        for (int x = 0; x < to.width(); ++x)
            for (int shift : {0, 8, 16, 24})
                worst = std::max(worst, std::abs(((line[x] >> shift) & 0xFF) -
                                                 exactAreaMean(noise, to, x, y, shift)));
    }
    QVERIFY2(worst <= 1.0, qPrintable(QString::number(worst)));

    // Enlarging, or a size of nothing, is no shrink: it interpolates, or is refused.
    QVERIFY(box.ResizeImage(to.width() * 3, to.height() + 1));
    QCOMPARE(box.image().size(), QSize(to.width() * 3, to.height() + 1));
    QVERIFY(!box.ResizeImage(0, 5));
}

void ImageTest::clipboardSharesPixels() {
    ImageBox big, preview;
    load(big, scannedPage());
    QVERIFY(big.setColorFormat(1));
    QVERIFY(big.CopyToClipboard());
    QVERIFY(preview.PasteFromClipboard());
    QCOMPARE(preview.image().constBits(), big.image().constBits()); // one copy of the pixels
    QCOMPARE(preview.ColorFormat(), 1);
    QVERIFY(preview.ResizeImage(100, 100)); // changing one box leaves the other alone
    QCOMPARE(big.ImageWidth(), 695);
    ImageBox::clearClipboardSlot();
    QVERIFY(!preview.PasteFromClipboard());
    QCOMPARE(preview.ImageWidth(), 100);
}

void ImageTest::pointerNotifications() {
    ImageBox box;
    box.resize(200, 150);
    load(box, manyColours());
    box.setDisplayScale(1 / 1.134);
    QCOMPARE(std::lround(box.PointerScale() * 10), 882L);
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    QSignalSpy down(&box, &ImageBox::MouseDown), up(&box, &ImageBox::MouseUp),
        move(&box, &ImageBox::MouseMove), click(&box, &ImageBox::Click),
        dbl(&box, &ImageBox::DblClick);
    QTest::mousePress(&box, Qt::RightButton, Qt::ShiftModifier | Qt::ControlModifier, {30, 40});
    QTest::mouseRelease(&box, Qt::RightButton, Qt::ShiftModifier | Qt::ControlModifier, {30, 40});
    QCOMPARE(down.size(), 1);
    QCOMPARE(down[0][0].toInt(), 2);
    QCOMPARE(down[0][1].toInt(), 3);
    QCOMPARE(down[0][2].toFloat(), 30.f);
    QCOMPARE(down[0][3].toFloat(), 40.f);
    QCOMPARE(click.size(), 0); // only the left button clicks
    QTest::mousePress(&box, Qt::LeftButton, {}, {10, 10});
    QMouseEvent drag(QEvent::MouseMove, QPointF(40, 50), box.mapToGlobal(QPointF(40, 50)),
                     Qt::NoButton, Qt::LeftButton, Qt::AltModifier);
    QApplication::sendEvent(&box, &drag);
    QCOMPARE(move.size(), 1);
    QCOMPARE(move[0][0].toInt(), 1); // the buttons held
    QCOMPARE(move[0][1].toInt(), 4);
    QTest::mouseRelease(&box, Qt::LeftButton, {}, {60, 70}); // a drag, not a click
    QCOMPARE(up.last()[0].toInt(), 1);
    QCOMPARE(up.last()[2].toFloat(), 60.f);
    QCOMPARE(click.size(), 0);
    QTest::mouseClick(&box, Qt::LeftButton, {}, {12, 12});
    QCOMPARE(click.size(), 1);
    QTest::mouseDClick(&box, Qt::LeftButton, {}, {12, 12});
    QCOMPARE(dbl.size(), 1);
}

void ImageTest::displayShowsZoomAndSelection() {
    ImageBox box;
    box.resize(120, 100);
    load(box, filled(100, 100, qRgb(0, 200, 0)));
    QVERIFY(box.ZoomTo(50));
    box.SelectArea(10, 10, 40, 30); // display units: image pixels 20..80 by 20..60
    QCOMPARE(box.selectionInPixels(), QRect(20, 20, 60, 40));
    const QImage shown = box.grab().toImage().convertToFormat(QImage::Format_RGB32);
    QCOMPARE(QColor(shown.pixel(45, 45)), QColor(0, 200, 0));       // inside the half-size image
    QCOMPARE(QColor(shown.pixel(55, 5)), QColor(0x80, 0x80, 0x80)); // beside it: the box
    // The selection's edge, along its top, has both light and dark dashes.
    bool light = false, dark = false;
    for (int x = 11; x < 39; ++x) {
        light |= qGray(shown.pixel(x, 10)) > 200;
        dark |= qGray(shown.pixel(x, 10)) < 50;
    }
    QVERIFY(light && dark);
    box.ClearSelection();
    QCOMPARE(QColor(box.grab().toImage().pixel(20, 10)), QColor(0, 200, 0));
}

// A save reuses the picture its colour-format change worked out only while nothing has changed
// since: not after another format, nor after drawing on a blank canvas.
void ImageTest::savesFollowTheLatestColourFormat() {
    ImageBox box;
    load(box, manyColours());
    QVERIFY(box.setColorFormat(1));
    QVERIFY(box.setColorFormat(0));
    QVERIFY(box.SaveToFile(path("back-to-colour.png")));
    QCOMPARE(QImage(path("back-to-colour.png")).format(), QImage::Format_RGB32);

    ImageBox canvas;
    QVERIFY(canvas.NewImage(40, 30));
    QVERIFY(canvas.setColorFormat(1));
    QVERIFY(canvas.SaveToFile(path("blank.png")));
    QCOMPARE(QImage(path("blank.png")).pixel(5, 5), qRgb(255, 255, 255));
    box.ClearSelection();
    QVERIFY(box.setColorFormat(0));
    QVERIFY(box.CopyToClipboard());
    QVERIFY(canvas.MergeClipboard());
    QVERIFY(canvas.SaveToFile(path("drawn.png")));
    const QImage drawn(path("drawn.png"));
    QCOMPARE(drawn.pixel(3, 3), box.image().pixel(3, 3));
    QCOMPARE(drawn.pixel(39, 29), qRgb(255, 255, 255));
}

// A scan read ahead by a batch worker is what the next load of that file gives, unless the file
// changed since it was read.
void ImageTest::readAheadGivesTheFileAsItIsWhenLoaded() {
    const QString scan = path("scan.png");
    const QString other = path("other.png");
    QVERIFY(filled(20, 10, qRgb(200, 0, 0)).save(scan));
    QVERIFY(filled(5, 5, qRgb(0, 0, 200)).save(other));
    ImageBox box;
    ScanRead ahead = readScan(scan);
    ahead.image = filled(20, 10, qRgb(1, 2, 3)); // told apart from the file's own pixels
    QVERIFY(box.LoadFromFile(other, &ahead));    // a read of another file is not taken
    QCOMPARE(box.image().pixel(1, 1), qRgb(0, 0, 200));
    QVERIFY(box.LoadFromFile(scan, &ahead));
    QCOMPARE(box.image().pixel(1, 1), qRgb(1, 2, 3));

    ahead = readScan(scan);
    ahead.image = filled(20, 10, qRgb(1, 2, 3));
    QVERIFY(filled(30, 12, qRgb(0, 150, 0)).save(scan)); // changed after it was read ahead
    QVERIFY(box.LoadFromFile(scan, &ahead));
    QCOMPARE(box.ImageWidth(), 30);
    QCOMPARE(box.image().pixel(1, 1), qRgb(0, 150, 0));
}

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    useScanAllocationLimit();
    ImageTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_image.moc"
