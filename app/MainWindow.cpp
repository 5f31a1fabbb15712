#include "app/MainWindow.h"

#include "app/AutomaticCrop.h"
#include "app/BookPdfTab.h"
#include "app/ClickLabel.h"
#include "app/ComboBox.h"
#include "app/EnablingRules.h"
#include "app/ImageBox.h"
#include "app/InteractiveCrop.h"
#include "app/ProgramFolder.h"
#include "app/ProgressList.h"
#include "app/UpDown.h"
#include "geometry/PageDetection.h"
#include "geometry/PointerEditing.h"
#include "geometry/ScanLoader.h"
#include "geometry/SelectionControls.h"
#include "postfx/PageLabels.h"
#include "postfx/PageNumberStamping.h"
#include "postfx/PostEffects.h"
#include "sources/FileList.h"
#include "sources/FolderList.h"
#include "sources/SourceBrowser.h"
#include "util/FolderListing.h"
#include "watermark/Watermark.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>

MainWindow::MainWindow(const QString& applicationFolder, QWidget* parent)
    : QWidget(parent), enabling_(std::make_unique<EnablingRules>(*this)),
      sources_(std::make_unique<SourceBrowser>(*this)),
      postEffects_(std::make_unique<PostEffects>(*this)),
      pageLabels_(std::make_unique<PageLabels>(*this)),
      loader_(std::make_unique<ScanLoader>(*this)),
      selection_(std::make_unique<SelectionControls>(*this)),
      pointer_(std::make_unique<PointerEditing>(*this)),
      detection_(std::make_unique<PageDetection>(*this)),
      automaticCrop_(std::make_unique<AutomaticCrop>(*this)),
      interactiveCrop_(std::make_unique<InteractiveCrop>(*this)),
      watermark_(std::make_unique<Watermark>(*this)),
      pageNumberStamping_(std::make_unique<PageNumberStamping>(*this)),
      bookPdf_(std::make_unique<BookPdfTab>(*this)) {
    setWindowTitle(QStringLiteral("Pliego"));
    setMaximumSize(kClientWidth, kClientHeight);
    // As much of the form as the screen's free area holds; the rest scrolls.
    resize(QSize(kClientWidth, kClientHeight).boundedTo(screen()->availableGeometry().size()));
    v.RutaAplicacion = QDir::toNativeSeparators(
        applicationFolder.isEmpty() ? programFolder(QCoreApplication::applicationDirPath())
                                    : applicationFolder);
    buildControls();
    // The folder lists open on the folder the program was started in.
    Dirs->setPath(QDir::currentPath());
    DirWM->setPath(QDir::currentPath());
    FiletoRenum->setPath(QDir::currentPath());
    Form_Load();
    connectHandlers();
}

MainWindow::~MainWindow() = default;

void MainWindow::connectHandlers() {
    connect(AceptaConfig, &QPushButton::clicked, this, &MainWindow::AceptaConfig_Click);
    connect(Interactivo, &QCheckBox::toggled, this, &MainWindow::Interactivo_Click);
    enabling_->connectHandlers();
    sources_->connectHandlers();
    postEffects_->connectHandlers();
    pageLabels_->connectHandlers();
    selection_->connectHandlers();
    pointer_->connectHandlers();
    detection_->connectHandlers();
    automaticCrop_->connectHandlers();
    interactiveCrop_->connectHandlers();
    watermark_->connectHandlers();
    bookPdf_->connectHandlers();
}

void MainWindow::CargaImagen(ScanRead* readAhead) {
    loader_->CargaImagen(readAhead);
}

void MainWindow::repaintChanges() {
    QCoreApplication::sendPostedEvents(this, QEvent::UpdateRequest);
}

void MainWindow::Form_Load() {
    v.ProcesoCancelado = false;
    // The option tables are built with the window (`tables`), before any list is filled.
    tables = OptionTables::build();
    lblJpegQuality->setText(QStringLiteral("90%"));
    LlenaListas();
    Cancelar->setText(QStringLiteral("\rCancelar Proceso"));
    Cancelar->setVisible(false);
    enabling_->ActualizaControles();
    ListaProceso->clear();
    lstActividad->clear();
    SSTab1->setCurrentIndex(0);
    v.MargenIzqManual = false;
    v.MargenDchManual = false;
    v.MargenIzq2Manual = false;
    v.MargenDch2Manual = false;
    v.PaginaCortada = false;
    v.PaginaActiva = QStringLiteral("i");
    v.FicheroActual.clear();
    v.FicheroCargado.clear();
    v.FicheroMarca.clear();
    v.AnchoImagenHM = 0;
    v.AltoImagenHM = 0;
    v.HimetricPorPixel = 26.455;
    v.AltoPagina = 958;
    v.AnchoPagina = 695;
    v.AltoMiniatura = 540;
    v.AnchoMiniatura = 370;
    v.NumPaginas = 2;
    MasMenosAlG->setValue(958);
    MasMenosAnG->setValue(695);
    MasMenosAlP->setValue(540);
    MasMenosAnP->setValue(370);
    v.CarpetaActual = Dirs->path();
    postEffects_->CheckMagik_Click();
}

void MainWindow::LlenaListas() {
    for (ComboBox* typeList : {TipoOrigen, TipoGrande, TipoPeque}) {
        for (int row = 0; row < OptionTables::kFormatRows; ++row)
            typeList->addItem(tables.formats[row].name);
    }
    for (int row = 0; row < OptionTables::kWatermarkFormatRows; ++row)
        FormatoWM->addItem(tables.watermarkFormats[row].name);
    for (int row = 0; row < OptionTables::kColorFormatRows; ++row)
        ColorBw->addItem(tables.colorFormats[row].text);
    for (const QString& entry : tables.oddNumbering)
        MagikNonDato->addItem(entry);
    for (const QString& entry : tables.evenNumbering)
        MagikParDato->addItem(entry);

    const QString fontFolder = QDir(v.RutaAplicacion).filePath(QStringLiteral("imgmagic"));
    for (const QString& font : listFiles(fontFolder, QStringLiteral("*.ttf"))) {
        MagicNonFont->addItem(font);
        MagicParFont->addItem(font);
    }

    ColorBw->setListIndex(0);
    TipoGrande->setListIndex(0);
    TipoOrigen->setListIndex(0);
    TipoPeque->setListIndex(0);
    // Filling a list selects its first row; these show their caption with no position chosen.
    FormatoWM->setCaption(QStringLiteral("Seleccione un Formato"));
    MagicNonFont->setText(QStringLiteral("Fuente"));
    MagicParFont->setText(QStringLiteral("Fuente"));
    MagikNonDato->setText(QStringLiteral("Paginado"));
    MagikParDato->setText(QStringLiteral("Paginado"));
    bookPdf_->LlenaIdiomas();
}

void MainWindow::AceptaConfig_Click() {
    sources_->CopiaListaFicheros();
    if (Interactivo->isChecked()) {
        SSTab1->setTabEnabled(1, false);
        SSTab1->setTabEnabled(4, true);
        SSTab1->setCurrentIndex(4);
    } else {
        SSTab1->setTabEnabled(4, false);
        SSTab1->setTabEnabled(1, true);
        SSTab1->setCurrentIndex(1);
    }
}

void MainWindow::Interactivo_Click() {
    const bool interactiveTab = Interactivo->isChecked() || chkSubTree->isChecked();
    SSTab1->setTabEnabled(1, !interactiveTab);
    SSTab1->setTabEnabled(4, interactiveTab);
}

void MainWindow::Form_Unload() {
    if (unloaded_)
        return;
    unloaded_ = true;
    ImagenGrande->ClearImage();
    ImageBox::clearClipboardSlot();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    Form_Unload();
    event->accept();
}
