#pragma once

#include <functional>

#include <QString>

class MainWindow;

// The numbering tab: which finished pages get a number, the number's label picture drawn by
// ImageMagick's convert, and the label stamped onto each page by the page-number stamping.
class PageLabels {
public:
    explicit PageLabels(MainWindow& window) : w_(window) {}
    void connectHandlers();

    // "Numeración de hojas" for odd and for even pages: the two exclude each other; ticking one
    // lists the source folder's files in FiletoRenum with the odd (even) pages selected.
    void ChkNumeroNon_Click();
    void ChkNumeroPar_Click();

    // The label text of a page's base name under the ticked side's numbering mode; empty when
    // the page gets no number.
    QString EtiquetaPagina(const QString& baseName);

    // Draws `text` into the label picture `labelPath` with the ticked side's font. True when the
    // picture was drawn; otherwise the reason is a line in lstNumeracion and no picture is left
    // at `labelPath` (never the label of another page).
    bool CreaEtiquetasNumero(const QString& labelPath, const QString& text);

    // The test label " 146" stamped onto the first selected page and shown, nothing written.
    void cmdNumPrueba_Click();
    // Every selected page numbered and written.
    void cmdNumProceso_Click();

private:
    void numberingBoxClicked(bool odd);
    // The folder of the label pictures, made when missing; empty after reporting a failure.
    QString labelFolder();
    // Runs `numbering` with the label folder, unless a numbering is already running or the
    // folder cannot be had (both reported).
    void runNumbering(const std::function<void(const QString& labelFolder)>& numbering);
    // A line in lstNumeracion for what could not be done.
    void reportFailure(const QString& text);

    MainWindow& w_;
    bool numbering_ = false;
    bool missingConvertReported_ = false;
};
