#pragma once

#include <QByteArray>
#include <QString>
#include <memory>

struct Pix;

// A page's picture as the PDF takes it: JPEG files as they are (their bytes are read again when
// the PDF is written, never decoded and encoded again), 1-bit pictures as CCITT Group 4, every
// other picture losslessly with Flate (a palette picture keeps its palette).

struct PixDeleter {
    void operator()(Pix* pix) const;
};
using PixPointer = std::unique_ptr<Pix, PixDeleter>;

struct PdfPageImage {
    enum class Encoding { Jpeg, Group4, Flate };
    Encoding encoding = Encoding::Flate;
    int width = 0;
    int height = 0;
    int bitsPerComponent = 8;
    int components = 1;    // colour samples per pixel: 1 grey (or palette index), 3 RGB, 4 CMYK
    QByteArray palette;    // RGB triplets of an indexed picture; empty otherwise
    bool blackIs1 = false; // Group 4: 1 bits are black
    bool rowPredictors = false; // Flate: rows carry PNG filter bytes (taken from a PNG as is)
    QByteArray data;            // the encoded picture; empty for JPEG (the file is the data)
    qint64 fileBytes = 0;       // JPEG: the size of the file whose bytes are the picture
    int xDpi = 0;               // the file's own resolution; 0 when it carries none
    int yDpi = 0;
};

// Reads a page file and makes its picture for the PDF. With `pixels`, also gives the decoded
// page in 8-bit grey or 1 bit for the text recognition (at the cost of decoding a JPEG).
// A file that cannot be read fails with the reason, in Spanish.
bool readPageImage(const QString& path, PdfPageImage* image, PixPointer* pixels, QString* error);

// The JPEG file's bytes, when it still is the file that was read: same size.
bool readJpegPageBytes(const QString& path, qint64 expectedBytes, QByteArray* bytes,
                       QString* error);
