#include "book/BookPdfDocument.h"

#include <QFile>
#include <QSaveFile>
#include <QTemporaryFile>
#include <map>
#include <qpdf/Buffer.hh>
#include <qpdf/Pipeline.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>
#include <stdexcept>

#include "util/Paths.h"

namespace {

// Thrown through qpdf when the operator cancels while the file is written.
struct Cancelled : std::runtime_error {
    Cancelled() : std::runtime_error("cancelled") {}
};

// Where a picture's bytes are when qpdf asks for them.
struct PictureSource {
    QString path;     // a JPEG page: its file
    qint64 bytes = 0; // the file's size when it was read, or the size in the spool
    qint64 spoolOffset = -1;
};

class PictureProvider : public QPDFObjectHandle::StreamDataProvider {
public:
    PictureProvider(QFile* spool, const std::atomic<bool>** cancel)
        : spool_(spool), cancel_(cancel) {}

    void add(QPDFObjGen object, PictureSource source) { sources_[object] = std::move(source); }

    void provideStreamData(QPDFObjGen const& object, Pipeline* pipeline) override {
        if (*cancel_ && (*cancel_)->load())
            throw Cancelled();
        const PictureSource& source = sources_.at(object);
        QByteArray bytes;
        QString error;
        if (source.spoolOffset < 0) {
            if (!readJpegPageBytes(source.path, source.bytes, &bytes, &error))
                throw std::runtime_error(
                    QStringLiteral("%1: %2").arg(source.path, error).toStdString());
        } else {
            if (!spool_->seek(source.spoolOffset) ||
                (bytes = spool_->read(source.bytes)).size() != source.bytes)
                throw std::runtime_error(
                    QStringLiteral("el fichero temporal %1 no se puede leer: %2")
                        .arg(spool_->fileName(), spool_->errorString())
                        .toStdString());
        }
        pipeline->write(reinterpret_cast<const unsigned char*>(bytes.constData()),
                        size_t(bytes.size()));
        pipeline->finish();
    }

private:
    QFile* spool_;
    const std::atomic<bool>** cancel_;
    std::map<QPDFObjGen, PictureSource> sources_;
};

// qpdf's output into a QSaveFile, which makes the temporary file and the final rename.
class SaveFilePipeline : public Pipeline {
public:
    explicit SaveFilePipeline(QSaveFile* file) : Pipeline("book pdf", nullptr), file_(file) {}
    void write(unsigned char const* data, size_t len) override {
        if (file_->write(reinterpret_cast<const char*>(data), qint64(len)) != qint64(len))
            throw std::runtime_error("write failed");
    }
    void finish() override {}

private:
    QSaveFile* file_;
};

QByteArray pdfDate(const QDateTime& when) {
    const int offset = when.offsetFromUtc() / 60;
    QByteArray text = "D:" + when.toString(QStringLiteral("yyyyMMddHHmmss")).toLatin1();
    if (offset == 0)
        return text + 'Z';
    text += offset > 0 ? '+' : '-';
    const int minutes = std::abs(offset);
    return text + QByteArray::number(minutes / 60).rightJustified(2, '0') + '\'' +
           QByteArray::number(minutes % 60).rightJustified(2, '0') + '\'';
}

std::string real(double value) {
    return QByteArray::number(value, 'f', 4).toStdString();
}

// All codes draw glyph 1, the font's one blank glyph.
std::string allCodesToGlyphOne() {
    std::string map(2 * 65536, '\0');
    for (size_t i = 1; i < map.size(); i += 2)
        map[i] = '\1';
    return map;
}

const char* const kUnicodeMap =
    "/CIDInit /ProcSet findresource begin\n"
    "12 dict begin\n"
    "begincmap\n"
    "/CIDSystemInfo << /Registry (Adobe) /Ordering (UCS) /Supplement 0 >> def\n"
    "/CMapName /Adobe-Identity-UCS def\n"
    "/CMapType 2 def\n"
    "1 begincodespacerange\n<0000> <FFFF>\nendcodespacerange\n"
    "1 beginbfrange\n<0000> <FFFF> <0000>\nendbfrange\n"
    "endcmap\n"
    "CMapName currentdict /CMap defineresource pop\n"
    "end\nend\n";

} // namespace

struct BookPdfDocument::Private {
    QPDF pdf;
    QTemporaryFile spool{joinPath(temporaryFolder(), QStringLiteral("pliego-pdf-XXXXXX"))};
    qint64 spoolEnd = 0;
    const std::atomic<bool>* cancel = nullptr;
    std::shared_ptr<PictureProvider> pictures;
    QPDFObjectHandle font;
    QStringList labels;
    int pages = 0;
};

BookPdfDocument::BookPdfDocument() : d_(std::make_unique<Private>()) {
    d_->pdf.emptyPDF();
    d_->pictures = std::make_shared<PictureProvider>(&d_->spool, &d_->cancel);
}

BookPdfDocument::~BookPdfDocument() = default;

void BookPdfDocument::setInformation(const QString& title, const QString& author,
                                     const QDateTime& created) {
    QPDFObjectHandle info = QPDFObjectHandle::newDictionary();
    if (!title.isEmpty())
        info.replaceKey("/Title", QPDFObjectHandle::newUnicodeString(title.toStdString()));
    if (!author.isEmpty())
        info.replaceKey("/Author", QPDFObjectHandle::newUnicodeString(author.toStdString()));
    info.replaceKey("/Producer", QPDFObjectHandle::newUnicodeString("Pliego"));
    info.replaceKey("/Creator", QPDFObjectHandle::newUnicodeString("Pliego"));
    info.replaceKey("/CreationDate", QPDFObjectHandle::newString(pdfDate(created).toStdString()));
    d_->pdf.getTrailer().replaceKey("/Info", d_->pdf.makeIndirectObject(info));
}

bool BookPdfDocument::setTextFont(const QString& fontFile, QString* error) {
    QFile file(fontFile);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("falta el tipo de letra del texto buscable %1").arg(fontFile);
        return false;
    }
    const QByteArray ttf = file.readAll();
    QPDF& pdf = d_->pdf;
    QPDFObjectHandle fontFile2 = QPDFObjectHandle::newStream(&pdf, ttf.toStdString());
    fontFile2.getDict().replaceKey("/Length1", QPDFObjectHandle::newInteger(ttf.size()));
    QPDFObjectHandle descriptor = pdf.makeIndirectObject(QPDFObjectHandle::parse(
        "<< /Type /FontDescriptor /FontName /GlyphLessFont /Flags 5 /FontBBox [0 0 500 1000]"
        " /ItalicAngle 0 /Ascent 1000 /Descent 0 /CapHeight 1000 /StemV 80 >>"));
    descriptor.replaceKey("/FontFile2", fontFile2);
    QPDFObjectHandle cidFont = pdf.makeIndirectObject(QPDFObjectHandle::parse(
        "<< /Type /Font /Subtype /CIDFontType2 /BaseFont /GlyphLessFont"
        " /CIDSystemInfo << /Registry (Adobe) /Ordering (Identity) /Supplement 0 >> /DW 500 >>"));
    cidFont.replaceKey("/FontDescriptor", descriptor);
    cidFont.replaceKey("/CIDToGIDMap", QPDFObjectHandle::newStream(&pdf, allCodesToGlyphOne()));
    QPDFObjectHandle font = pdf.makeIndirectObject(QPDFObjectHandle::parse(
        "<< /Type /Font /Subtype /Type0 /BaseFont /GlyphLessFont /Encoding /Identity-H >>"));
    font.replaceKey("/DescendantFonts", QPDFObjectHandle::newArray({cidFont}));
    font.replaceKey("/ToUnicode", QPDFObjectHandle::newStream(&pdf, kUnicodeMap));
    d_->font = font;
    return true;
}

bool BookPdfDocument::addPage(const QString& path, const PdfPageImage& image, double widthPoints,
                              double heightPoints, const QByteArray& textContent, QString* error) {
    QPDF& pdf = d_->pdf;
    PictureSource source;
    QPDFObjectHandle filter;
    QPDFObjectHandle parameters = QPDFObjectHandle::newNull();
    switch (image.encoding) {
    case PdfPageImage::Encoding::Jpeg:
        source.path = path;
        source.bytes = image.fileBytes;
        filter = QPDFObjectHandle::newName("/DCTDecode");
        break;
    case PdfPageImage::Encoding::Group4:
        filter = QPDFObjectHandle::newName("/CCITTFaxDecode");
        parameters = QPDFObjectHandle::parse("<< /K -1 /Columns " + std::to_string(image.width) +
                                             " /Rows " + std::to_string(image.height) +
                                             (image.blackIs1 ? " /BlackIs1 true" : "") + " >>");
        break;
    case PdfPageImage::Encoding::Flate:
        filter = QPDFObjectHandle::newName("/FlateDecode");
        if (image.rowPredictors)
            parameters = QPDFObjectHandle::parse(
                "<< /Predictor 15 /Columns " + std::to_string(image.width) + " /Colors " +
                std::to_string(image.palette.isEmpty() ? image.components : 1) +
                " /BitsPerComponent " + std::to_string(image.bitsPerComponent) + " >>");
        break;
    }
    if (image.encoding != PdfPageImage::Encoding::Jpeg) {
        if (!d_->spool.isOpen() && !d_->spool.open()) {
            *error = QStringLiteral("no se puede crear un fichero temporal en %1: %2")
                         .arg(temporaryFolder(), d_->spool.errorString());
            return false;
        }
        if (!d_->spool.seek(d_->spoolEnd) || d_->spool.write(image.data) != image.data.size()) {
            *error = QStringLiteral("no se puede escribir el fichero temporal %1: %2")
                         .arg(d_->spool.fileName(), d_->spool.errorString());
            return false;
        }
        source.spoolOffset = d_->spoolEnd;
        source.bytes = image.data.size();
        d_->spoolEnd += image.data.size();
    }

    QPDFObjectHandle picture = QPDFObjectHandle::newStream(&pdf);
    QPDFObjectHandle dict = picture.getDict();
    dict.replaceKey("/Type", QPDFObjectHandle::newName("/XObject"));
    dict.replaceKey("/Subtype", QPDFObjectHandle::newName("/Image"));
    dict.replaceKey("/Width", QPDFObjectHandle::newInteger(image.width));
    dict.replaceKey("/Height", QPDFObjectHandle::newInteger(image.height));
    dict.replaceKey("/BitsPerComponent", QPDFObjectHandle::newInteger(image.bitsPerComponent));
    if (!image.palette.isEmpty()) {
        dict.replaceKey(
            "/ColorSpace",
            QPDFObjectHandle::newArray({QPDFObjectHandle::newName("/Indexed"),
                                        QPDFObjectHandle::newName("/DeviceRGB"),
                                        QPDFObjectHandle::newInteger(image.palette.size() / 3 - 1),
                                        QPDFObjectHandle::newString(image.palette.toStdString())}));
    } else if (image.components == 4) {
        // Adobe's CMYK JPEGs, nearly all there are, store their inks inverted.
        dict.replaceKey("/ColorSpace", QPDFObjectHandle::newName("/DeviceCMYK"));
        dict.replaceKey("/Decode", QPDFObjectHandle::parse("[1 0 1 0 1 0 1 0]"));
    } else {
        dict.replaceKey("/ColorSpace", QPDFObjectHandle::newName(
                                           image.components == 3 ? "/DeviceRGB" : "/DeviceGray"));
    }
    picture.replaceStreamData(d_->pictures, filter, parameters);
    d_->pictures->add(picture.getObjGen(), source);

    std::string content =
        "q " + real(widthPoints) + " 0 0 " + real(heightPoints) + " 0 0 cm /Im0 Do Q\n";
    QPDFObjectHandle resources = QPDFObjectHandle::newDictionary();
    QPDFObjectHandle xobjects = QPDFObjectHandle::newDictionary();
    xobjects.replaceKey("/Im0", picture);
    resources.replaceKey("/XObject", xobjects);
    if (!textContent.isEmpty() && d_->font.isInitialized()) {
        QPDFObjectHandle fonts = QPDFObjectHandle::newDictionary();
        fonts.replaceKey("/F0", d_->font);
        resources.replaceKey("/Font", fonts);
        content += textContent.toStdString();
    }
    QPDFObjectHandle page = pdf.makeIndirectObject(QPDFObjectHandle::newDictionary());
    page.replaceKey("/Type", QPDFObjectHandle::newName("/Page"));
    page.replaceKey("/MediaBox", QPDFObjectHandle::newArray(
                                     QPDFObjectHandle::Rectangle(0, 0, widthPoints, heightPoints)));
    page.replaceKey("/Resources", resources);
    page.replaceKey("/Contents", QPDFObjectHandle::newStream(&pdf, content));
    QPDFPageDocumentHelper(pdf).addPage(page, false);
    ++d_->pages;
    return true;
}

void BookPdfDocument::setPageLabels(const QStringList& labels) {
    d_->labels = labels;
}

int BookPdfDocument::pageCount() const {
    return d_->pages;
}

namespace {

// A run of pages labelled with consecutive whole numbers from 1 up takes one numeric range;
// every other label is a prefix of its own.
QPDFObjectHandle pageLabelTree(const QStringList& labels) {
    QPDFObjectHandle nums = QPDFObjectHandle::newArray();
    long long expected = -1; // the number that continues the current numeric range
    for (int i = 0; i < labels.size(); ++i) {
        bool whole = false;
        const long long n = labels[i].toLongLong(&whole);
        whole = whole && n >= 1 && QString::number(n) == labels[i];
        if (whole && n == expected) {
            ++expected;
            continue;
        }
        QPDFObjectHandle range = QPDFObjectHandle::newDictionary();
        if (whole) {
            range.replaceKey("/S", QPDFObjectHandle::newName("/D"));
            if (n != 1)
                range.replaceKey("/St", QPDFObjectHandle::newInteger(n));
            expected = n + 1;
        } else {
            range.replaceKey("/P", QPDFObjectHandle::newUnicodeString(labels[i].toStdString()));
            expected = -1;
        }
        nums.appendItem(QPDFObjectHandle::newInteger(i));
        nums.appendItem(range);
    }
    QPDFObjectHandle tree = QPDFObjectHandle::newDictionary();
    tree.replaceKey("/Nums", nums);
    return tree;
}

} // namespace

bool BookPdfDocument::write(const QString& path, const std::atomic<bool>* cancel, QString* error,
                            bool* diskFull) {
    *diskFull = false;
    if (!d_->labels.isEmpty())
        d_->pdf.getRoot().replaceKey("/PageLabels",
                                     d_->pdf.makeIndirectObject(pageLabelTree(d_->labels)));
    d_->cancel = cancel;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        *error = file.errorString();
        return false;
    }
    try {
        SaveFilePipeline output(&file);
        QPDFWriter writer(d_->pdf);
        writer.setOutputPipeline(&output);
        // The pictures go in as they are given; only the page contents are compressed.
        writer.setDecodeLevel(qpdf_dl_none);
        writer.setCompressStreams(true);
        writer.write();
    } catch (const Cancelled&) {
        file.cancelWriting();
        *error = QStringLiteral("cancelado");
        return false;
    } catch (const std::exception& failure) {
        *diskFull = file.error() == QFileDevice::ResourceError;
        *error = file.error() != QFileDevice::NoError ? file.errorString()
                                                      : QString::fromStdString(failure.what());
        file.cancelWriting();
        return false;
    }
    if (cancel && cancel->load()) {
        file.cancelWriting();
        *error = QStringLiteral("cancelado");
        return false;
    }
    if (!file.commit()) {
        *diskFull = file.error() == QFileDevice::ResourceError;
        *error = file.errorString();
        return false;
    }
    return true;
}
