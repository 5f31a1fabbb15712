#include "watermark/Watermark.h"

#include "app/ComboBox.h"
#include "app/ImageBox.h"
#include "app/MainWindow.h"
#include "app/ProgressList.h"
#include "geometry/Twips.h"
#include "sources/FileList.h"
#include "sources/FolderList.h"
#include "util/Numbers.h"
#include "util/Paths.h"
#include "watermark/StampPicture.h"

#include <QCheckBox>
#include <QPushButton>
#include <QSlider>
#include <QTabWidget>

void Watermark::connectHandlers() {
    MainWindow& w = w_;
    connect(w.FormatoWM, &QComboBox::currentIndexChanged, this, &Watermark::FormatoWM_Click);
    connect(w.DirWM, &FolderList::pathChanged, this, &Watermark::DirWM_Change);
    connect(w.FileWM, &FileList::rowClicked, this, &Watermark::FileWM_Click);
    connect(w.FileWM, &FileList::rowDoubleClicked, this, &Watermark::FileWM_DblClick);
    connect(w.LeerWm, &QPushButton::clicked, this, &Watermark::LeerWm_Click);
    connect(w.WMActivo, &QCheckBox::toggled, this, &Watermark::WMActivo_Click);
}

QString Watermark::workFile() {
    return joinPath(temporaryFolder(), QStringLiteral("wm.png"));
}

bool Watermark::fileRowSelected() const {
    return !w_.FileWM->selectedItems().isEmpty();
}

ProgressList* Watermark::cropTabList() const {
    const bool interactive = w_.Interactivo->isChecked() || w_.chkSubTree->isChecked();
    return interactive ? w_.lstActividad : w_.ListaProceso;
}

bool Watermark::firstFailureOfRun() {
    const bool first = !failureReported_;
    failureReported_ = true;
    return first;
}

void Watermark::FormatoWM_Click() {
    MainWindow& w = w_;
    const QString folder = w.DirWM->path();
    w.FileWM->setPath(folder);
    w.v.CarpetaMarca = folder;
    if (w.FormatoWM->listIndex() == -1)
        w.FormatoWM->setListIndex(0);
    const int row = w.FormatoWM->listIndex();
    if (row >= 0 && row < OptionTables::kWatermarkFormatRows)
        w.FileWM->setPattern(w.tables.watermarkFormats[row].pattern);
    w.FileWM->setEnabled(true);
    w.FileWM->update();
}

void Watermark::DirWM_Change() {
    FormatoWM_Click();
}

void Watermark::FileWM_Click() {
    MainWindow& w = w_;
    w.v.FicheroMarca = w.FileWM->fileName();
    w.v.CarpetaMarca = w.DirWM->path();
    w.LeerWm->setEnabled(w.WMActivo->isChecked() && fileRowSelected());
}

void Watermark::FileWM_DblClick() {
    // The click that came before the double-click has already chosen the file.
    LeerWm_Click();
}

void Watermark::LeerWm_Click() {
    // The template is made from a cut page, so nothing can be prepared before the first cut.
    if (w_.v.FicheroMarca.isEmpty() || !w_.v.PaginaCortada)
        return;
    w_.SSTab1->setCurrentIndex(3);
    PreparaMarcaAgua();
}

void Watermark::WMActivo_Click() {
    MainWindow& w = w_;
    const bool on = w.WMActivo->isChecked();
    w.LeerWm->setEnabled(on && fileRowSelected());
    for (QWidget* c : std::initializer_list<QWidget*>{w.FileWM, w.FormatoWM, w.WMTrans, w.WMSize,
                                                      w.WMHpos, w.WMVpos})
        c->setEnabled(on);
}

void Watermark::PreparaMarcaAgua() {
    MainWindow& w = w_;
    WorkingValues& v = w.v;
    ProgressList* log = cropTabList();
    w.SSTab1->setCurrentIndex(3);
    const QString picture = joinPath(v.CarpetaMarca, v.FicheroMarca);
    auto refuse = [log](const QString& reason) {
        log->appendFailure(QStringLiteral("No se ha preparado la marca de agua: %1").arg(reason));
    };

    const int width = roundToInt32(v.AnchoPagina);
    const int height = roundToInt32(v.AltoPagina);
    if (width <= 0 || height <= 0) {
        refuse(QStringLiteral("tamaño de página no válido (%1 x %2)")
                   .arg(formatNumber(v.AnchoPagina), formatNumber(v.AltoPagina)));
        return;
    }
    const int colorRow = w.ColorBw->listIndex();
    if (colorRow < 0 || colorRow >= OptionTables::kColorFormatRows) {
        refuse(QStringLiteral("formato de color no válido (\"%1\")").arg(w.ColorBw->text()));
        return;
    }
    const int colorCode = w.tables.colorFormats[colorRow].code;
    // The picture comes first, so that one that cannot be used changes nothing on the tab.
    QString error;
    if (!loadStampPicture(w.WMGrande, picture, w.WMSize->value(), &error)) {
        refuse(error);
        return;
    }

    ImageBox* templatePage = w.ImgPlantilla;
    templatePage->NewImage(width, height);
    templatePage->setColorFormat(colorCode);
    PictureCopy leftPage;
    if (w.PaginaIzq->CopyOut(&leftPage))
        templatePage->PasteCopy(leftPage);
    templatePage->ResizeImage(width, height);
    templatePage->setSaveFlag(true);
    templatePage->setJpegQuality(w.UpDownQuality->value());
    templatePage->setColorFormat(colorCode);

    // Positions address every column and row of an output page.
    w.WMHpos->setMaximum(width);
    w.WMVpos->setMaximum(height);

    showStampPreview(w.WMGrande, w.ImgWM);
    w.ImgPlantilla->resize(w.PaginaIzq->size());
    // 1.7 twips per HIMETRIC unit of the picture: it fills 96 % of the frame's height.
    w.ImgWM->ZoomTo(float(100 * 1.7 * heightTw(w.ImgWM) / w.WMGrande->PictureHeightHM()));

    const QString work = workFile();
    if (!w.WMGrande->SaveToFile(work)) {
        refuse(w.WMGrande->lastError());
        return;
    }
    if (!stampPicture(templatePage, work, w.WMTrans->value(), w.WMHpos->value(), w.WMVpos->value(),
                      &error))
        refuse(error);
    w.repaintChanges();
}
