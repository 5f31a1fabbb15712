#pragma once

#include "crop/PageOutput.h"

#include <QObject>
#include <QString>

class MainWindow;

// The interactive crop tab: a test of the settings on the scan on screen, a cut of that scan
// followed by loading the next, and a batch over the rest of the selection (or the folder tree),
// page by page with optional dark-margin trimming.
class InteractiveCrop : public QObject {
    Q_OBJECT
public:
    explicit InteractiveCrop(MainWindow& window) : w_(window) {}
    void connectHandlers();

    void cmdICPrueba_Click();
    void cmdICorte_Click();
    void cmdICLote_Click();
    void Cancelar2_Click();
    void GreyTolerance_Change();

    // One scan of the selection (or the first entry of the folder tree): loaded and cut.
    void ProcesaListaInteractiva(bool Graba);
    // Cuts the loaded scan page by page, shows each page and, when `Graba`, writes it.
    void RecortaInteractivo(bool Graba);

    // Row of the file list where the next step of ProcesaListaInteractiva looks for a selected
    // scan; kept for the life of the window.
    qint32 PosicionLote = 0;

private:
    struct Remembered {
        QString folder;
        QString file;
    };
    Remembered remember() const;
    void restore(const Remembered& saved);
    void applyRotation();
    void sideFromOption();
    void alternate();
    // The first selected row of the tab's file list from `from` on, or -1.
    int firstSelectedRow(int from = 0) const;
    // The folder and file of the first entry of the folder-tree list.
    void takeFirstTreeEntry();
    void dropFirstTreeEntry();
    // After a load: false, with a line, when the scan could not be read.
    bool scanLoaded();
    void showResultBox(bool result);
    // One page of the loaded scan, of the side in PaginaActiva.
    void cutOnePage(bool Graba, const OutputSettings& settings, int tolerance);

    MainWindow& w_;
    // A full disk met by the run in progress: it writes nothing more and takes no further scan.
    bool diskFull_ = false;
};
