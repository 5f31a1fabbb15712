#pragma once

#include <QString>

class MainWindow;

// Stamps page-number labels onto finished pages, one page per call, for the numbering tab.
class PageNumberStamping {
public:
    explicit PageNumberStamping(MainWindow& window) : w_(window) {}

    // Loads the page `fileName` from the folder that FiletoRenum shows, builds it at its own size
    // in the output colour format and, when `withLabel`, stamps the label picture at `labelPath`
    // onto it with the tab's size, position and intensity. The result is shown in
    // ImgPlantillaNum. When `batch`, the page is written into numberedPagesFolder() under
    // its own base name with the extension of the large-image type (a page without a label is
    // written too, re-encoded with the current output settings); otherwise nothing is written.
    // AnchoPagina, AltoPagina and ProporcionPagina take the page's size. A page or label that
    // cannot be read, or a page that cannot be written, is a line in lstNumeracion, and the
    // page's file is left as it was. True when the page was written.
    bool EstampaNumeros(const QString& labelPath, const QString& fileName, bool batch,
                        bool withLabel);

    // The folder a numbering batch writes its pages into: "jpeg_big" inside the folder they are
    // read from.
    QString numberedPagesFolder() const;

    // The name pattern (for QTemporaryFile) of the work files the scaled label is merged from:
    // files of their own, so that the watermark the crop runs merge is never replaced by a
    // page number, and two numbering runs never take each other's label.
    static QString labelWorkFilePattern();

private:
    // Scales the label, shows it and stamps it onto ImgPlantillaNum; false after reporting.
    bool stampLabel(const QString& labelPath, const QString& fileName);
    // A line in lstNumeracion for what could not be done.
    void reportFailure(const QString& text);

    MainWindow& w_;
};
