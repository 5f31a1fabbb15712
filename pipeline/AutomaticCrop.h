#pragma once

#include "pipeline/OutputNames.h"

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

    // The work folder: TMP, or the system's temporary folder when TMP is unset or empty.
    static QString temporaryFolder();

private:
    // The settings every cut needs, checked before anything is cut; false after logging
    // which one is wrong.
    bool settingsAreUsable();
    void runOne(bool Graba);
    bool cutPage(ImageBox* page, double left, const QString& temporary, bool leftPage);
    void showPage(ImageBox* page, const QString& fileName, bool leftPage);
    void writePages(const PageBaseNames& names, bool Graba);
    bool writeFile(ImageBox* page, const QString& folder, const QString& fileName);

    MainWindow& w_;
};
