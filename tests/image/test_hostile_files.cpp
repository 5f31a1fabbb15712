// The image component's readers against damaged and hostile files: thousands of seeded mutations
// of small valid files of every type and colour format, and headers that claim huge pictures.
// Each file is loaded or refused with a reason; none may crash, hang, print on standard error or
// allocate past the allocation limit.
#include "app/ImageBox.h"
#include "image/ImageFiles.h"

#include "AllocationWatch.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QImageReader>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

namespace {

constexpr int kMutationsPerFile = 60;
constexpr int kMutationLimitMB = 16; // pictures past it are refused; keeps each try quick
constexpr qint64 kTryBoundMs = 30000;

// A small picture with many colours, and a transparent corner when asked.
QImage picture(bool transparent) {
    QImage image(48, 32, QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, qRgba(x * 5, y * 8, (x + y) * 3, transparent && x < 12 ? 0 : 255));
    return image;
}

struct Seed {
    QString name;
    QByteArray bytes;
};

// Everything written to standard error (file descriptor 2) while it lives goes to a file, so
// that a test can tell whether anything was printed.
class StandardErrorCatcher {
public:
    StandardErrorCatcher() {
        std::fflush(stderr);
        saved_ = ::dup(2);
        char name[] = "/tmp/pliego-stderr-XXXXXX";
        file_ = ::mkstemp(name);
        ::unlink(name);
        ::dup2(file_, 2);
    }
    ~StandardErrorCatcher() {
        std::fflush(stderr);
        ::dup2(saved_, 2);
        ::close(saved_);
        ::close(file_);
    }
    qint64 size() const {
        std::fflush(stderr);
        struct stat facts {};
        return ::fstat(file_, &facts) == 0 ? qint64(facts.st_size) : -1;
    }
    QByteArray textFrom(qint64 offset) const {
        QByteArray text(int(std::min<qint64>(size() - offset, 2000)), '\0');
        return ::pread(file_, text.data(), size_t(text.size()), offset) > 0 ? text : QByteArray();
    }

private:
    int saved_ = -1;
    int file_ = -1;
};

// Qt messages that reach the test's handler while a file is read: the component must keep them.
QStringList leakedMessages;
bool watchingMessages = false;
QtMessageHandler testHandler = nullptr;

void recordLeak(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (watchingMessages)
        leakedMessages << message;
    else if (testHandler)
        testHandler(type, context, message);
}

// The mutations: bit flips, truncations, runs of one byte, fields set to extremes, bytes cut out
// and slices repeated. The random numbers are used as they come (no distributions), so a seed
// gives the same files everywhere.
QByteArray mutate(const QByteArray& base, std::mt19937& random, QString* how) {
    QByteArray bytes = base;
    const auto size = quint32(bytes.size());
    const quint32 at = random() % size;
    switch (random() % 6) {
    case 0: {
        const int flips = 1 + int(random() % 8);
        for (int i = 0; i < flips; ++i) {
            const quint32 where = random() % size;
            bytes[where] = char(bytes[where] ^ (1 << (random() % 8)));
        }
        *how = QStringLiteral("%1 bits flipped").arg(flips);
        break;
    }
    case 1:
        bytes.truncate(at);
        *how = QStringLiteral("cut at %1").arg(at);
        break;
    case 2: {
        const quint32 length = 1 + random() % 64;
        const int kind = int(random() % 3);
        for (quint32 i = at; i < std::min(size, at + length); ++i)
            bytes[i] = char(kind == 0 ? 0x00 : kind == 1 ? 0xFF : random() % 256);
        *how = QStringLiteral("run of %1 bytes at %2").arg(length).arg(at);
        break;
    }
    case 3: {
        // A field of the header: 2 or 4 bytes among the first 128, both byte orders.
        static const quint32 extremes[] = {0x00000000, 0xFFFFFFFF, 0x7FFFFFFF, 0x80000000,
                                           0x0000FFFF, 0x00007FFF, 0xFFFF0000, 0x00010000};
        const quint32 where = random() % std::min<quint32>(size, 128);
        const int width = random() % 2 ? 4 : 2;
        const quint32 value = extremes[random() % 8];
        const bool bigEndian = random() % 2;
        for (int i = 0; i < width && where + i < size; ++i) {
            const int shift = 8 * (bigEndian ? width - 1 - i : i);
            bytes[where + i] = char((value >> shift) & 0xFF);
        }
        *how = QStringLiteral("field of %1 bytes at %2 set to %3").arg(width).arg(where).arg(value);
        break;
    }
    case 4: {
        const quint32 length = 1 + random() % 32;
        bytes.remove(at, length);
        *how = QStringLiteral("%1 bytes cut out at %2").arg(length).arg(at);
        break;
    }
    default: {
        const quint32 from = random() % size, length = 1 + random() % 64;
        bytes.insert(at, base.mid(from, length));
        *how = QStringLiteral("%1 bytes from %2 repeated at %3").arg(length).arg(from).arg(at);
        break;
    }
    }
    return bytes;
}

// A TIFF of one grey strip whose tags claim `width` x `height` pixels.
QByteArray tiffClaiming(quint32 width, quint32 height) {
    QByteArray bytes("II*\0\x08\0\0\0", 8);
    auto put16 = [&](quint32 v) { bytes.append(char(v & 0xFF)).append(char(v >> 8)); };
    auto put32 = [&](quint32 v) { put16(v & 0xFFFF), put16(v >> 16); };
    const struct {
        quint16 tag, type;
        quint32 value;
    } entries[] = {{256, 4, width}, {257, 4, height}, {258, 3, 8},      {259, 3, 1}, {262, 3, 1},
                   {273, 4, 122},   {277, 3, 1},      {278, 4, height}, {279, 4, 16}};
    put16(9);
    for (const auto& e : entries) {
        put16(e.tag), put16(e.type), put32(1);
        put32(e.value);
    }
    put32(0);
    bytes.append(QByteArray(16, '\x80'));
    return bytes;
}

void putBigEndian32(QByteArray& bytes, int at, quint32 v) {
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = char(v >> (24 - 8 * i));
}

} // namespace

class HostileFilesTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup() { QImageReader::setAllocationLimit(kScanAllocationLimitMB); }
    void hugeHeadersAreRefusedBeforeAllocating_data();
    void hugeHeadersAreRefusedBeforeAllocating();
    void mutatedFilesAreLoadedOrRefused();

private:
    // Writes the picture as ImageBox does, at colour code `code`, and keeps the bytes.
    void addOwn(const QString& name, bool transparent, int code, int tiffCompression = 0);
    // The same picture converted by ImageMagick with `options` into `name`, in the variant of
    // the type that `coder` names (ImageMagick's "BMP3", "PNG8", …) when it is given.
    void addConverted(const QString& name, const QStringList& options, bool transparent = false,
                      const QString& coder = QString());
    QByteArray bytesOf(const QString& name) {
        QFile file(dir_.filePath(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QTemporaryDir dir_;
    QList<Seed> seeds_;
};

void HostileFilesTest::addOwn(const QString& name, bool transparent, int code,
                              int tiffCompression) {
    QVERIFY(picture(transparent).save(dir_.filePath("source.png")));
    ImageBox box;
    QVERIFY(box.LoadFromFile(dir_.filePath("source.png")));
    QVERIFY(box.setColorFormat(code));
    box.setTiffCompression(tiffCompression);
    QVERIFY2(box.SaveToFile(dir_.filePath(name)), qPrintable(box.lastError()));
    seeds_.append({name, bytesOf(name)});
}

void HostileFilesTest::addConverted(const QString& name, const QStringList& options,
                                    bool transparent, const QString& coder) {
    QVERIFY(picture(transparent).save(dir_.filePath("source.png")));
    const QString target =
        coder.isEmpty() ? dir_.filePath(name) : coder + ':' + dir_.filePath(name);
    QCOMPARE(QProcess::execute("convert", QStringList{dir_.filePath("source.png")} + options +
                                              QStringList{target}),
             0);
    seeds_.append({name, bytesOf(name)});
}

void HostileFilesTest::initTestCase() {
    QVERIFY(dir_.isValid());
    testHandler = qInstallMessageHandler(recordLeak);
    // Every colour code in every type the program writes.
    for (int code = 0; code <= 6; ++code) {
        addOwn(QStringLiteral("own%1.png").arg(code), false, code);
        addOwn(QStringLiteral("own%1.tif").arg(code), false, code);
    }
    for (int code : {0, 1, 3, 6})
        addOwn(QStringLiteral("own%1.bmp").arg(code), false, code);
    for (int code : {1, 3, 6})
        addOwn(QStringLiteral("own%1.gif").arg(code), false, code);
    addOwn("own0.jpg", false, 0);
    addOwn("own2.jpg", false, 2);
    addOwn("alpha.png", true, 0);
    addOwn("palette-alpha.png", true, 1);
    addOwn("alpha.tif", true, 0);
    addOwn("alpha.gif", true, 1);
    addOwn("g4.tif", false, 6, 2);
    // What other tools write.
    addConverted("cmyk.jpg", {"-colorspace", "CMYK"});
    addConverted("progressive.jpg", {"-interlace", "JPEG"});
    addConverted("grey-progressive.jpg", {"-colorspace", "gray", "-interlace", "JPEG"});
    addConverted("interlaced.png", {"-interlace", "PNG"}, true);
    addConverted("deep.png", {"-depth", "16"}, true, "PNG64");
    addConverted("grey-alpha.png", {"-colorspace", "gray", "-type", "GrayscaleAlpha"}, true);
    addConverted("palette8.png", {"-colors", "4"}, false, "PNG8");
    addConverted("lzw.tif", {"-compress", "lzw"});
    addConverted("deflate.tif", {"-compress", "zip", "-define", "tiff:predictor=2"});
    addConverted("packbits.tif", {"-compress", "RLE"});
    addConverted("jpeg.tif", {"-compress", "jpeg"});
    addConverted("g3.tif", {"-monochrome", "-compress", "fax"});
    addConverted("planar.tif", {"-interlace", "plane", "-depth", "16"});
    addConverted("palette-extra.tif", {"-colors", "16"}, true);
    addConverted("grey-alpha.tif", {"-colorspace", "gray", "-type", "GrayscaleAlpha"}, true);
    addConverted("cmyk.tif", {"-colorspace", "cmyk"});
    addConverted("tiled.tif", {"-define", "tiff:tile-geometry=16x16"});
    addConverted("interlaced.gif", {"-interlace", "GIF"});
    addConverted("rle8.bmp", {"-colors", "16", "-type", "Palette", "-compress", "RLE"}, false,
                 "BMP3");
    addConverted("rgb565.bmp", {"-alpha", "off", "-define", "bmp:subtype=RGB565"});
    addConverted("alpha32.bmp", {}, true, "BMP");
    addConverted("os2.bmp", {"-colors", "16"}, false, "BMP2");
    for (const Seed& seed : seeds_)
        QVERIFY2(seed.bytes.size() > 8, qPrintable(seed.name + " was not made"));
}

void HostileFilesTest::hugeHeadersAreRefusedBeforeAllocating_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("reason");
    QVERIFY(!seeds_.isEmpty());
    auto seed = [this](const QString& name) {
        for (const Seed& s : seeds_)
            if (s.name == name)
                return s.bytes;
        return QByteArray();
    };
    QByteArray png = seed("own0.png");
    putBigEndian32(png, 16, 100000);
    putBigEndian32(png, 20, 100000);
    putBigEndian32(png, 29,
                   quint32(crc32(0, reinterpret_cast<const Bytef*>(png.constData() + 12), 17)));
    QTest::newRow("PNG") << png << "demasiado grande";
    QByteArray jpeg = seed("own0.jpg");
    const qsizetype frame = jpeg.indexOf("\xFF\xC0");
    QVERIFY(frame > 0);
    jpeg.replace(frame + 5, 4, QByteArray("\xEA\x60\xEA\x60", 4));
    QTest::newRow("JPEG, 60000 x 60000") << jpeg << "demasiado grande";
    QTest::newRow("TIFF") << tiffClaiming(100000, 100000) << "demasiado grande";
    QByteArray gif = seed("own1.gif");
    gif.replace(6, 4, QByteArray(4, '\xFF'));
    QTest::newRow("GIF, 65535 x 65535") << gif << "tamaño válido";
    QByteArray bmp = seed("own0.bmp");
    bmp.replace(18, 8, QByteArray("\xA0\x86\x01\0\xA0\x86\x01\0", 8));
    QTest::newRow("BMP") << bmp << "incompleto";
    QByteArray rle = seed("rle8.bmp");
    rle.replace(18, 8, QByteArray("\xA0\x86\x01\0\xA0\x86\x01\0", 8));
    QTest::newRow("BMP, RLE") << rle << "dañada o incompleta"; // Qt's reader refuses it
}

// Under the program's own limit, a header that claims 100000 x 100000 pixels (40 GB) is refused
// before anything of that size is asked for.
void HostileFilesTest::hugeHeadersAreRefusedBeforeAllocating() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, reason);
    useScanAllocationLimit();
    QFile file(dir_.filePath("huge"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    file.close();
    AllocationWatch::reset();
    ImageBox box;
    QVERIFY(!box.LoadFromFile(file.fileName()));
    QVERIFY2(box.lastError().contains(reason), qPrintable(box.lastError()));
    if (AllocationWatch::isOn())
        QVERIFY2(AllocationWatch::largest() < 16 << 20,
                 qPrintable(QString::number(AllocationWatch::largest())));
}

void HostileFilesTest::mutatedFilesAreLoadedOrRefused() {
    QImageReader::setAllocationLimit(kMutationLimitMB);
    const std::size_t ceiling = (std::size_t(kMutationLimitMB) << 20) + (64 << 10);
    int tried = 0, loaded = 0, refused = 0;
    QStringList faults;
    const QString file = dir_.filePath("mutated");
    {
        StandardErrorCatcher standardError;
        for (int s = 0; s < seeds_.size(); ++s) {
            std::mt19937 random(20261206u + quint32(s));
            for (int k = 0; k < kMutationsPerFile; ++k) {
                QString how;
                const QByteArray bytes = mutate(seeds_[s].bytes, random, &how);
                const QString which =
                    QStringLiteral("%1, mutation %2 (%3)").arg(seeds_[s].name).arg(k).arg(how);
                QFile out(file);
                if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size())
                    QFAIL("cannot write the mutated file");
                out.close();

                const qint64 printedBefore = standardError.size();
                AllocationWatch::reset();
                watchingMessages = true;
                QElapsedTimer clock;
                clock.start();
                ImageBox box;
                const bool ok = box.LoadFromFile(file);
                const qint64 took = clock.elapsed();
                watchingMessages = false;
                ++tried;
                if (ok && box.HasImage() && box.ImageWidth() > 0 && box.ImageHeight() > 0)
                    ++loaded;
                else if (!ok && !box.HasImage() &&
                         box.lastError().startsWith(
                             QStringLiteral("No se puede leer el fichero")) &&
                         !box.lastError().endsWith(QStringLiteral(": ")))
                    ++refused;
                else
                    faults << which + ": neither loaded nor refused: " + box.lastError();
                if (took > kTryBoundMs)
                    faults << which + QStringLiteral(": took %1 ms").arg(took);
                if (standardError.size() != printedBefore)
                    faults << which + ": printed " + standardError.textFrom(printedBefore);
                if (!leakedMessages.isEmpty())
                    faults << which + ": said " + leakedMessages.join(" | ");
                leakedMessages.clear();
                if (AllocationWatch::isOn() && AllocationWatch::largest() > ceiling)
                    faults << which + QStringLiteral(": allocated %1 bytes at once")
                                          .arg(AllocationWatch::largest());
            }
        }
    }
    qInfo("mutations tried %d, loaded %d, refused %d, lost %d", tried, loaded, refused,
          tried - loaded - refused);
    QVERIFY2(faults.isEmpty(), qPrintable(faults.mid(0, 20).join('\n')));
    QVERIFY(tried >= 2000);
    QCOMPARE(loaded + refused, tried);
}

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    useScanAllocationLimit();
    HostileFilesTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_hostile_files.moc"
