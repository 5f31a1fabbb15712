#pragma once

#include "crop/OutputNames.h"
#include "crop/PageOutput.h"

#include <QObject>
#include <QString>

class ImageBox;
class MainWindow;

// The automatic crop tab's runs: one scan, a test that writes nothing, and the batch over the
// selected files (or the folder tree), with its cancel label.
class AutomaticCrop : public QObject {
    Q_OBJECT
public:
    explicit AutomaticCrop(MainWindow& window) : w_(window) {}
    void connectHandlers();

    void CortaUna_Click();
    void Probar_Click();
    void CortaLote_Click();
    void Cancelar_Click();

    // Cuts the loaded scan into its pages, shows them and, when `Graba`, writes them.
    void RecortaAutomatico(bool Graba);

private:
    void runOne(bool Graba);
    // After a load: false (with the block of lines closed) when the scan could not be read.
    bool scanLoaded();
    bool cutPage(ImageBox* page, double left, bool leftPage, int colorCode);
    void showPage(ImageBox* page, const QString& fileName, bool leftPage);
    void writePages(const PageBaseNames& names, const OutputSettings& settings, bool Graba);

    MainWindow& w_;
    // A full disk met by the batch in progress: it takes no further scan.
    bool diskFull_ = false;
};
