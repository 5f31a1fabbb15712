// The PDF libraries packaged for Debian 12 that could write the book, measured on the same JPEG
// pages: bench_pdf_libraries OUTDIR PAGE.jpg... For each library: the seconds to write one PDF of
// every page (the pages read into memory beforehand, not timed), the file's size, and how many
// pages' JPEG bytes the file holds unchanged. Each library is used the way its documentation
// shows for an image per page; the page is the picture at 300 dpi.
#include <QByteArray>
#include <QElapsedTimer>
#include <QFile>
#include <QImageReader>
#include <cairo-pdf.h>
#include <cairo.h>
#include <cstdio>
#include <cstring>
#include <functional>
#include <hpdf.h>
#include <podofo/podofo.h>
#include <qpdf/Buffer.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>
#include <string>
#include <vector>

namespace {

struct Page {
    QByteArray jpeg;
    int width = 0;
    int height = 0;
    double widthPt() const { return width * 72.0 / 300; }
    double heightPt() const { return height * 72.0 / 300; }
};

void withQpdf(const std::vector<Page>& pages, const char* out) {
    QPDF pdf;
    pdf.emptyPDF();
    for (const Page& page : pages) {
        auto image = QPDFObjectHandle::newStream(&pdf);
        image.replaceDict(QPDFObjectHandle::parse(
            "<< /Type /XObject /Subtype /Image /ColorSpace /DeviceRGB /BitsPerComponent 8 /Width " +
            std::to_string(page.width) + " /Height " + std::to_string(page.height) + " >>"));
        auto data = std::make_shared<Buffer>(page.jpeg.size());
        std::memcpy(data->getBuffer(), page.jpeg.constData(), page.jpeg.size());
        image.replaceStreamData(data, QPDFObjectHandle::newName("/DCTDecode"),
                                QPDFObjectHandle::newNull());
        auto resources = QPDFObjectHandle::parse("<< /XObject << >> >>");
        resources.getKey("/XObject").replaceKey("/Im0", image);
        auto dict = QPDFObjectHandle::newDictionary();
        dict.replaceKey("/Type", QPDFObjectHandle::newName("/Page"));
        dict.replaceKey("/MediaBox", QPDFObjectHandle::newArray(QPDFObjectHandle::Rectangle(
                                         0, 0, page.widthPt(), page.heightPt())));
        dict.replaceKey("/Resources", resources);
        dict.replaceKey("/Contents",
                        QPDFObjectHandle::newStream(
                            &pdf, "q " + std::to_string(page.widthPt()) + " 0 0 " +
                                      std::to_string(page.heightPt()) + " 0 0 cm /Im0 Do Q"));
        QPDFPageDocumentHelper(pdf).addPage(pdf.makeIndirectObject(dict), false);
    }
    QPDFWriter writer(pdf, out);
    writer.setDecodeLevel(qpdf_dl_none);
    writer.write();
}

void haruError(HPDF_STATUS error, HPDF_STATUS detail, void*) {
    std::fprintf(stderr, "libharu error %04X %u\n", unsigned(error), unsigned(detail));
}

void withLibharu(const std::vector<Page>& pages, const char* out) {
    HPDF_Doc pdf = HPDF_New(haruError, nullptr);
    for (const Page& page : pages) {
        HPDF_Image image = HPDF_LoadJpegImageFromMem(
            pdf, reinterpret_cast<const HPDF_BYTE*>(page.jpeg.constData()),
            HPDF_UINT(page.jpeg.size()));
        HPDF_Page p = HPDF_AddPage(pdf);
        HPDF_Page_SetWidth(p, HPDF_REAL(page.widthPt()));
        HPDF_Page_SetHeight(p, HPDF_REAL(page.heightPt()));
        HPDF_Page_DrawImage(p, image, 0, 0, HPDF_REAL(page.widthPt()), HPDF_REAL(page.heightPt()));
    }
    HPDF_SaveToFile(pdf, out);
    HPDF_Free(pdf);
}

void withCairo(const std::vector<Page>& pages, const char* out) {
    cairo_surface_t* surface = cairo_pdf_surface_create(out, 100, 100);
    cairo_t* cr = cairo_create(surface);
    for (const Page& page : pages) {
        cairo_pdf_surface_set_size(surface, page.widthPt(), page.heightPt());
        // cairo wants pixels behind the JPEG; with the JPEG attached it writes the JPEG instead.
        cairo_surface_t* image =
            cairo_image_surface_create(CAIRO_FORMAT_RGB24, page.width, page.height);
        auto* copy = static_cast<unsigned char*>(std::malloc(page.jpeg.size()));
        std::memcpy(copy, page.jpeg.constData(), page.jpeg.size());
        cairo_surface_set_mime_data(image, CAIRO_MIME_TYPE_JPEG, copy, page.jpeg.size(), std::free,
                                    copy);
        cairo_save(cr);
        cairo_scale(cr, 72.0 / 300, 72.0 / 300);
        cairo_set_source_surface(cr, image, 0, 0);
        cairo_paint(cr);
        cairo_restore(cr);
        cairo_show_page(cr);
        cairo_surface_destroy(image);
    }
    cairo_destroy(cr);
    cairo_surface_finish(surface);
    cairo_surface_destroy(surface);
}

void withPodofo(const std::vector<Page>& pages, const char* out) {
    PoDoFo::PdfStreamedDocument document(out);
    for (const Page& page : pages) {
        PoDoFo::PdfPage* p =
            document.CreatePage(PoDoFo::PdfRect(0, 0, page.widthPt(), page.heightPt()));
        PoDoFo::PdfImage image(&document);
        image.LoadFromJpegData(reinterpret_cast<const unsigned char*>(page.jpeg.constData()),
                               page.jpeg.size());
        PoDoFo::PdfPainter painter;
        painter.SetPage(p);
        painter.DrawImage(0, 0, &image, 72.0 / 300, 72.0 / 300);
        painter.FinishPage();
    }
    document.Close();
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_pdf_libraries OUTDIR PAGE.jpg...\n");
        return 2;
    }
    PoDoFo::PdfError::EnableLogging(false);
    std::vector<Page> pages;
    for (int i = 2; i < argc; ++i) {
        QFile file(QString::fromLocal8Bit(argv[i]));
        if (!file.open(QIODevice::ReadOnly))
            return 1;
        Page page;
        page.jpeg = file.readAll();
        const QSize size = QImageReader(QString::fromLocal8Bit(argv[i])).size();
        page.width = size.width();
        page.height = size.height();
        pages.push_back(page);
    }
    const std::pair<const char*, std::function<void(const std::vector<Page>&, const char*)>>
        libraries[] = {{"qpdf", withQpdf},
                       {"libharu", withLibharu},
                       {"cairo", withCairo},
                       {"podofo", withPodofo}};
    std::printf("library\tseconds\tbytes\tjpeg_pages_unchanged\tpages\n");
    for (const auto& [name, write] : libraries) {
        const std::string out = std::string(argv[1]) + "/" + name + ".pdf";
        QElapsedTimer timer;
        timer.start();
        try {
            write(pages, out.c_str());
        } catch (const std::exception& failure) {
            std::fprintf(stderr, "%s: %s\n", name, failure.what());
        } catch (const PoDoFo::PdfError& failure) {
            std::fprintf(stderr, "%s: PoDoFo error %d\n", name, int(failure.GetError()));
        }
        const double seconds = timer.nsecsElapsed() / 1e9;
        QFile file(QString::fromStdString(out));
        const QByteArray pdf = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        int unchanged = 0;
        for (const Page& page : pages)
            unchanged += pdf.contains(page.jpeg) ? 1 : 0;
        std::printf("%s\t%.3f\t%lld\t%d\t%zu\n", name, seconds, static_cast<long long>(pdf.size()),
                    unchanged, pages.size());
    }
    return 0;
}
