#include "app/EnablingRules.h"

#include "app/BookPdfTab.h"
#include "app/ClickLabel.h"
#include "app/ComboBox.h"
#include "app/ControlState.h"
#include "app/ImageBox.h"
#include "app/MainWindow.h"
#include "app/UpDown.h"
#include "postfx/PostEffects.h"
#include "sources/FileList.h"
#include "sources/FolderList.h"
#include "sources/SourceBrowser.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTabWidget>

void EnablingRules::connectHandlers() {
    QObject::connect(w_.HacerMini, &QCheckBox::toggled, &w_, [this] { HacerMini_Click(); });
    QObject::connect(w_.NoReducir, &QCheckBox::toggled, &w_, [this] { NoReducir_Click(); });
    QObject::connect(w_.ChkSepara2Img, &QCheckBox::toggled, &w_, [this] { ChkSepara2Img_Click(); });
    QObject::connect(w_.chkSubTree, &QCheckBox::toggled, &w_, [this] { chkSubTree_Click(); });
}

void EnablingRules::ActualizaControles() {
    MainWindow& w = w_;
    const bool thumbnails = w.HacerMini->isChecked();
    for (QWidget* c : std::initializer_list<QWidget*>{w.AnchoPeque, w.AltoPeque, w.MasMenosAlP,
                                                      w.MasMenosAnP, w.TipoPeque})
        c->setEnabled(thumbnails);

    const bool scaled = !w.NoReducir->isChecked();
    for (QWidget* c :
         std::initializer_list<QWidget*>{w.AltoGrande, w.AnchoGrande, w.MasMenosAlG, w.MasMenosAnG})
        c->setEnabled(scaled);

    const bool spreads = w.ChkSepara2Img->isChecked();
    w.UpDownd->setEnabled(spreads);
    w.UpDownd->setVisible(spreads);
    w.PaginaDch->setEnabled(spreads);
    w.PaginaDch->setVisible(spreads);
    w.Textd->setVisible(spreads);

    const bool subtree = w.chkSubTree->isChecked();
    w.CortaUna->setEnabled(!subtree);

    // The next scan loaded becomes the reference size.
    w.v.HimetricPorTwip = 0;

    w.LeerWm->setEnabled(w.WMActivo->isChecked() && w.v.PaginaCortada);

    w.v.NumPaginas = spreads ? 2 : 1;

    w.sources().showListsOfMode();
    if (!subtree)
        w.sources().followBrowsedFolder();

    if (w.v.ProcesoCancelado) {
        w.cmdICorte->setEnabled(false);
        w.cmdICLote->setEnabled(false);
    }

    const bool interactiveTab = w.Interactivo->isChecked() || subtree;
    w.SSTab1->setTabEnabled(1, !interactiveTab);
    w.SSTab1->setTabEnabled(4, interactiveTab);
    w.SSTab1->setTabEnabled(5, false);

    const bool watermark = w.WMActivo->isChecked();
    for (QWidget* c : std::initializer_list<QWidget*>{w.FileWM, w.FormatoWM, w.WMTrans, w.WMSize,
                                                      w.WMHpos, w.WMVpos})
        c->setEnabled(watermark);
}

void EnablingRules::DesbloqueaControles() {
    for (QWidget* c : w_.controls()) {
        if (!c->objectName().contains(QLatin1String("Line")))
            c->setEnabled(true);
    }
    ActualizaControles();
    // Every crop run ends here.
    w_.postEffects().runEnded();
    w_.bookPdf().setCropRunning(false);
}

void EnablingRules::BloqueaControles() {
    MainWindow& w = w_;
    for (QWidget* c : w.controls()) {
        if (!c->objectName().contains(QLatin1String("Line")))
            c->setEnabled(false);
    }
    // While a batch runs the operator may still change the effects it applies, and cancel it.
    for (int k = 0; k < 4; ++k) {
        w.cbMagikNon[k]->setEnabled(true);
        w.lblMagicNon[k]->setEnabled(true);
        w.cbMagicPar[k]->setEnabled(true);
        w.lblMagikPar[k]->setEnabled(true);
    }
    w.CheckMagik->setEnabled(true);
    w.MagikisCopy->setEnabled(true);
    w.Cancelar->setEnabled(true);
    w.Cancelar2->setEnabled(true);
    w.bookPdf().setCropRunning(true);
}

void EnablingRules::HacerMini_Click() {
    ActualizaControles();
}

void EnablingRules::NoReducir_Click() {
    ActualizaControles();
}

void EnablingRules::ChkSepara2Img_Click() {
    MainWindow& w = w_;
    w.optDerecha->setEnabled(w.ChkSepara2Img->isChecked());
    const bool right = enabledFlag(w.optDerecha);
    w.UpDownd2->setEnabled(right);
    w.SelectionWidth2d->setEnabled(right);
    w.UpDownd->setEnabled(right);
    ActualizaControles();
}

void EnablingRules::chkSubTree_Click() {
    MainWindow& w = w_;
    const bool subtree = w.chkSubTree->isChecked();
    w.cmdLoadTree->setEnabled(subtree);
    const bool interactiveTab = w.Interactivo->isChecked() || subtree;
    w.SSTab1->setTabEnabled(1, !interactiveTab);
    w.SSTab1->setTabEnabled(4, interactiveTab);
    w.SSTab1->setTabEnabled(7, !interactiveTab);
    ActualizaControles();
}
