// Construction of the window's controls, tab by tab. The crop tabs are laid out at fixed
// positions because loading a scan moves their previews and sliders; the other tabs use layouts.
#include "app/ClickLabel.h"
#include "app/ComboBox.h"
#include "app/ImageBox.h"
#include "app/MainWindow.h"
#include "app/PictureBox.h"
#include "app/ProgressList.h"
#include "app/SliderValueTip.h"
#include "app/UpDown.h"
#include "sources/DriveList.h"
#include "sources/FileList.h"
#include "sources/FolderList.h"

#include <QCheckBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

QSlider* makeSlider(Qt::Orientation orientation, int minimum, int maximum, int value,
                    int largeChange, int tickInterval, QWidget* parent) {
    auto* slider = new QSlider(orientation, parent);
    slider->setRange(minimum, maximum);
    slider->setSingleStep(1);
    slider->setPageStep(largeChange);
    slider->setTickInterval(tickInterval);
    slider->setTickPosition(orientation == Qt::Horizontal ? QSlider::TicksBelow
                                                          : QSlider::TicksRight);
    // A vertical slider measures from the top of the scan down, so its minimum is at the top.
    slider->setInvertedAppearance(orientation == Qt::Vertical);
    slider->setInvertedControls(orientation == Qt::Vertical);
    slider->setValue(value);
    return slider;
}

QLabel* makeBorderedLabel(QWidget* parent, const QString& text = QString()) {
    auto* label = new QLabel(text, parent);
    label->setFrameShape(QFrame::Panel);
    label->setFrameShadow(QFrame::Sunken);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

QLabel* makeCaption(const QString& text, QWidget* parent) {
    return new QLabel(text, parent);
}

ClickLabel* makeCancelLabel(const QString& text, QWidget* parent) {
    auto* label = new ClickLabel(text, parent);
    label->setAlignment(Qt::AlignCenter);
    label->setWordWrap(true);
    label->setAutoFillBackground(true);
    label->setStyleSheet(
        QStringLiteral("QLabel { color: #d00000; background-color: #c8e4ff; font-weight: bold; "
                       "border: 1px solid #7090b0; }"));
    return label;
}

// The width a combo box needs to show `text` whole, arrow and frame included.
int widthForText(const QComboBox* box, const QString& text) {
    QStyleOptionComboBox option;
    option.initFrom(box);
    option.editable = box->isEditable();
    const QSize content(box->fontMetrics().horizontalAdvance(text), box->fontMetrics().height());
    return box->style()->sizeFromContents(QStyle::CT_ComboBox, &option, content, box).width();
}

const QString kOmitCaption = QStringLiteral("Omitir imágenes ya cortadas");
const QString kFollowCaption =
    QStringLiteral("Seguir el libro en cada imagen: enderezar y recolocar");

// Keeps `follower` enabled exactly when `leader` is, however the leader's state is changed.
class EnabledFollower : public QObject {
public:
    EnabledFollower(QWidget* follower, QWidget* leader) : QObject(leader), follower_(follower) {
        leader->installEventFilter(this);
        follower->setEnabled(leader->isEnabled());
    }
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::EnabledChange)
            follower_->setEnabled(static_cast<QWidget*>(watched)->isEnabled());
        return false;
    }

private:
    QWidget* follower_;
};

void followEnabled(QWidget* follower, QWidget* leader) {
    new EnabledFollower(follower, leader);
}

QLineEdit* makeSizeBox(const QString& text, QWidget* parent) {
    auto* box = new QLineEdit(text, parent);
    box->setAlignment(Qt::AlignCenter);
    box->setMaximumWidth(70);
    return box;
}

} // namespace

template <typename T> T* MainWindow::named(T* widget, const QString& name) {
    widget->setObjectName(name);
    controls_.append(widget);
    controlsByName_.insert(name, widget);
    return widget;
}

void MainWindow::buildControls() {
    // The form keeps its size; on a smaller screen the window shows part of it and scrolls.
    auto* area = new QScrollArea(this);
    area->setObjectName(QStringLiteral("formArea"));
    area->setFrameShape(QFrame::NoFrame);
    auto* whole = new QVBoxLayout(this);
    whole->setContentsMargins(0, 0, 0, 0);
    whole->addWidget(area);
    SSTab1 = new QTabWidget;
    SSTab1->setObjectName(QStringLiteral("SSTab1"));
    SSTab1->setFixedSize(kClientWidth, kClientHeight);
    // Nine captions share one row of the window's width.
    QFont captions = SSTab1->tabBar()->font();
    captions.setPointSizeF(captions.pointSizeF() * 0.86);
    SSTab1->tabBar()->setFont(captions);
    SSTab1->setStyleSheet(QStringLiteral("QTabBar::tab { padding: 4px 3px; }"));
    SSTab1->addTab(buildConfigurationTab(), QStringLiteral("Configuracion Inicial"));
    SSTab1->addTab(buildAutomaticCropTab(), QStringLiteral("Ajustes de Recorte"));
    SSTab1->addTab(buildOriginalImageTab(), QStringLiteral("Imagen Original"));
    SSTab1->addTab(buildWatermarkTab(), QStringLiteral("Marcas de Agua"));
    SSTab1->addTab(buildInteractiveCropTab(), QStringLiteral("Recorte Interarctivo"));
    SSTab1->addTab(buildDebugTab(), QStringLiteral("Depuracion"));
    SSTab1->addTab(buildEffectsTab(), QStringLiteral("Efectos Post-Produccion"));
    SSTab1->addTab(buildNumberingTab(), QStringLiteral("Numeración Páginas"));
    SSTab1->addTab(buildBookPdfTab(), QStringLiteral("Libro PDF"));
    area->setWidget(SSTab1);
}

QWidget* MainWindow::buildConfigurationTab() {
    auto* page = new QWidget;
    auto* columns = new QGridLayout(page);

    // Source folder and files.
    auto* sourceFrame = new QGroupBox(QStringLiteral("Carpeta y Fichero a Recortar"), page);
    auto* source = new QVBoxLayout(sourceFrame);
    TipoOrigen = named(new ComboBox(sourceFrame), QStringLiteral("TipoOrigen"));
    Drive1 = named(new DriveList(sourceFrame), QStringLiteral("Drive1"));
    Dirs = named(new FolderList(sourceFrame), QStringLiteral("Dirs"));
    Files = named(new FileList(false, sourceFrame), QStringLiteral("Files"));
    chkSubTree = named(new QCheckBox(QStringLiteral("Incluir Subcarperas"), sourceFrame),
                       QStringLiteral("chkSubTree"));
    cmdLoadTree = named(
        new QPushButton(QStringLiteral("Explorar Subcarpetas y Encontrar Imágenes"), sourceFrame),
        QStringLiteral("cmdLoadTree"));
    lstTree = named(new QListWidget(sourceFrame), QStringLiteral("lstTree"));
    cmdLoadTree->setEnabled(false);
    lstTree->setVisible(false);
    source->addWidget(TipoOrigen);
    source->addWidget(Drive1);
    source->addWidget(Dirs, 2);
    auto* fileArea = new QGridLayout;
    fileArea->addWidget(Files, 0, 0); // the tree list takes the file list's place in subtree mode
    fileArea->addWidget(lstTree, 0, 0);
    source->addLayout(fileArea, 3);
    source->addWidget(chkSubTree);
    source->addWidget(cmdLoadTree);
    columns->addWidget(sourceFrame, 0, 0, 3, 1);

    auto sizeRow = [](QWidget* frame, const QString& caption, QLineEdit* box, UpDown* arrows) {
        auto* row = new QHBoxLayout;
        row->addWidget(makeCaption(caption, frame), 1);
        row->addWidget(box);
        row->addWidget(arrows);
        arrows->bindTo(box);
        return row;
    };

    // Large pages.
    auto* largeFrame = new QGroupBox(QStringLiteral("Formato de las Imagenes Recortadas"), page);
    auto* large = new QVBoxLayout(largeFrame);
    TipoGrande = named(new ComboBox(largeFrame), QStringLiteral("TipoGrande"));
    ChkSepara2Img =
        named(new QCheckBox(QStringLiteral("Separar Original en dos Imágenes."), largeFrame),
              QStringLiteral("ChkSepara2Img"));
    NoReducir = named(new QCheckBox(QStringLiteral("Respetar Tamaño Original"), largeFrame),
                      QStringLiteral("NoReducir"));
    Interactivo = named(new QCheckBox(QStringLiteral("Recorte Interactivo"), largeFrame),
                        QStringLiteral("Interactivo"));
    AltoGrande =
        named(makeSizeBox(QStringLiteral("958"), largeFrame), QStringLiteral("AltoGrande"));
    MasMenosAlG = named(new UpDown(0, 3000, 958, largeFrame), QStringLiteral("MasMenosAlG"));
    AnchoGrande =
        named(makeSizeBox(QStringLiteral("695"), largeFrame), QStringLiteral("AnchoGrande"));
    MasMenosAnG = named(new UpDown(0, 3000, 695, largeFrame), QStringLiteral("MasMenosAnG"));
    ChkSepara2Img->setChecked(true);
    large->addWidget(TipoGrande);
    large->addWidget(ChkSepara2Img);
    large->addWidget(NoReducir);
    large->addWidget(Interactivo);
    large->addLayout(sizeRow(largeFrame, QStringLiteral("Altura de la imagen recortada grande:"),
                             AltoGrande, MasMenosAlG));
    large->addLayout(sizeRow(largeFrame, QStringLiteral("Anchura de la imagen recortada grande:"),
                             AnchoGrande, MasMenosAnG));
    columns->addWidget(largeFrame, 0, 1);

    // Thumbnails.
    auto* smallFrame = new QGroupBox(QStringLiteral("Formato de las Miniaturas"), page);
    auto* small = new QVBoxLayout(smallFrame);
    HacerMini = named(new QCheckBox(QStringLiteral("Realizar copias en miniatura"), smallFrame),
                      QStringLiteral("HacerMini"));
    TipoPeque = named(new ComboBox(smallFrame), QStringLiteral("TipoPeque"));
    AltoPeque = named(makeSizeBox(QStringLiteral("540"), smallFrame), QStringLiteral("AltoPeque"));
    MasMenosAlP = named(new UpDown(0, 3000, 540, smallFrame), QStringLiteral("MasMenosAlP"));
    AnchoPeque =
        named(makeSizeBox(QStringLiteral("370"), smallFrame), QStringLiteral("AnchoPeque"));
    MasMenosAnP = named(new UpDown(0, 3000, 370, smallFrame), QStringLiteral("MasMenosAnP"));
    small->addWidget(HacerMini);
    small->addWidget(TipoPeque);
    small->addLayout(sizeRow(smallFrame, QStringLiteral("Altura de la imagen recortada pequeña:"),
                             AltoPeque, MasMenosAlP));
    small->addLayout(sizeRow(smallFrame, QStringLiteral("Anchura de la imagen recortada pequeña:"),
                             AnchoPeque, MasMenosAnP));
    columns->addWidget(smallFrame, 1, 1);

    // Colour and compression.
    auto* colorFrame =
        new QGroupBox(QStringLiteral("Formato de Color de las Imagenes Recortadas"), page);
    auto* color = new QVBoxLayout(colorFrame);
    ColorBw = named(new ComboBox(colorFrame, ComboBox::Choice::Fixed), QStringLiteral("ColorBw"));
    Compresion =
        named(new QCheckBox(QStringLiteral("Activar Compresion en TIFF Monocromo"), colorFrame),
              QStringLiteral("Compresion"));
    PermiteDistorsion = named(new QCheckBox(QStringLiteral("Permitir Distorsion"), colorFrame),
                              QStringLiteral("PermiteDistorsion"));
    UpDownQuality = named(makeSlider(Qt::Horizontal, 0, 100, 90, 5, 5, colorFrame),
                          QStringLiteral("UpDownQuality"));
    lblJpegQuality = named(new QLabel(colorFrame), QStringLiteral("lblJpegQuality"));
    lblJpegQuality->setMinimumWidth(44);
    lblJpegQuality->setAlignment(Qt::AlignCenter);
    color->addWidget(ColorBw);
    color->addWidget(Compresion);
    color->addWidget(PermiteDistorsion);
    color->addWidget(makeCaption(QStringLiteral("Calidad Compresion JPEG (0%-100%)"), colorFrame));
    auto* quality = new QHBoxLayout;
    quality->addWidget(UpDownQuality, 1);
    quality->addWidget(lblJpegQuality);
    color->addLayout(quality);
    columns->addWidget(colorFrame, 2, 1);

    AceptaConfig = named(
        new QPushButton(QStringLiteral("Aceptar Parametros y Pasar a la Fase de Recorte"), page),
        QStringLiteral("AceptaConfig"));
    QFont bold(QStringLiteral("Tahoma"));
    bold.setBold(true);
    AceptaConfig->setFont(bold);
    AceptaConfig->setMinimumHeight(36);
    columns->addWidget(AceptaConfig, 3, 0, 1, 2);
    columns->setColumnStretch(0, 1);
    columns->setColumnStretch(1, 1);
    return page;
}

QWidget* MainWindow::buildAutomaticCropTab() {
    auto* page = new QWidget;
    LocalFiles = named(new FileList(true, page), QStringLiteral("LocalFiles"));
    LocalFiles->setGeometry(10, 10, 262, 170);
    Probar =
        named(new QPushButton(QStringLiteral("Probar Ajustes"), page), QStringLiteral("Probar"));
    CortaUna =
        named(new QPushButton(QStringLiteral("Cortar Imagen"), page), QStringLiteral("CortaUna"));
    CortaLote =
        named(new QPushButton(QStringLiteral("Procesar Lote"), page), QStringLiteral("CortaLote"));
    Probar->setGeometry(10, 186, 129, 28);
    CortaUna->setGeometry(143, 186, 129, 28);
    cmdDetectar = named(new QPushButton(QStringLiteral("Detectar Páginas"), page),
                        QStringLiteral("cmdDetectar"));
    cmdDetectar->setGeometry(10, 218, 129, 28);
    CortaLote->setGeometry(143, 218, 129, 28);
    chkOmitirCortadas =
        named(new QCheckBox(kOmitCaption, page), QStringLiteral("chkOmitirCortadas"));
    chkOmitirCortadas->setGeometry(12, 250, 260, 22);
    followEnabled(chkOmitirCortadas, CortaLote);
    chkSeguirLibro = named(new QCheckBox(kFollowCaption, page), QStringLiteral("chkSeguirLibro"));
    chkSeguirLibro->setGeometry(12, 274, 350, 22);

    auto* processFrame = new QGroupBox(QStringLiteral("Archivos en proceso"), page);
    processFrame->setGeometry(10, 298, 262, 337);
    ListaProceso = named(new ProgressList(processFrame), QStringLiteral("ListaProceso"));
    ListaProceso->setGeometry(8, 22, 246, 242);
    Cancelar = named(makeCancelLabel(QStringLiteral("\rCancelar Proceso"), processFrame),
                     QStringLiteral("Cancelar"));
    Cancelar->setGeometry(8, 270, 246, 58);

    Imagen = named(new ImageBox(page), QStringLiteral("Imagen"));
    Imagen->setGeometry(364, 10, 393, 233);
    SelectionSize = named(makeSlider(Qt::Vertical, 0, 1000, 1000, 5, 25, page),
                          QStringLiteral("SelectionSize"));
    SelectionSize->setGeometry(334, 0, 24, 253);
    Altura = named(makeSlider(Qt::Vertical, 0, 1000, 0, 5, 25, page), QStringLiteral("Altura"));
    Altura->setGeometry(770, 0, 24, 253);
    SelectionWidth = named(makeSlider(Qt::Horizontal, 0, 1000, 1000, 5, 25, page),
                           QStringLiteral("SelectionWidth"));
    SelectionWidth->setGeometry(364, 272, 393, 22);
    Label5 = named(new QLabel(QStringLiteral("Pequeño"), page), QStringLiteral("Label5"));
    Label5->setGeometry(281, 0, 52, 18);
    Label6 = named(new QLabel(QStringLiteral("Grande"), page), QStringLiteral("Label6"));
    Label6->setGeometry(281, 240, 52, 18);
    Label7 = named(new QLabel(QStringLiteral("Tamaño"), page), QStringLiteral("Label7"));
    Label7->setGeometry(334, 253, 60, 18);
    Label8 = named(new QLabel(QStringLiteral("Margen"), page), QStringLiteral("Label8"));
    Label8->setGeometry(770, 253, 60, 18);
    Label9 = named(new QLabel(QStringLiteral("Margenes"), page), QStringLiteral("Label9"));
    Label9->setGeometry(552, 253, 70, 18);

    PaginaIzq = named(new ImageBox(page), QStringLiteral("PaginaIzq"));
    PaginaIzq->setGeometry(374, 298, 177, 249);
    PaginaDch = named(new ImageBox(page), QStringLiteral("PaginaDch"));
    PaginaDch->setGeometry(571, 298, 169, 249);
    // A cut page is larger than its frame: the whole page is shown.
    PaginaIzq->setAutoZoom(true);
    PaginaDch->setAutoZoom(true);
    UpDowni = named(makeSlider(Qt::Horizontal, 0, 10, 0, 1, 1, page), QStringLiteral("UpDowni"));
    UpDowni->setGeometry(374, 550, 177, 22);
    UpDownd = named(makeSlider(Qt::Horizontal, 0, 10, 0, 1, 1, page), QStringLiteral("UpDownd"));
    UpDownd->setGeometry(571, 550, 169, 22);
    Texti = named(new QLabel(page), QStringLiteral("Texti"));
    Texti->setGeometry(334, 552, 38, 18);
    Textd = named(new QLabel(page), QStringLiteral("Textd"));
    Textd->setGeometry(742, 552, 40, 18);

    buildPageCaptions(
        page, QRect(374, 576, 177, 18), QRect(571, 576, 169, 18), 19,
        {{&lblFileNamei, &lblSizei, &lblModei}, {&lblFileNamed, &LblSized, &lblModed}},
        {"lblFileNamei", "lblSizei", "lblModei", "lblFileNamed", "LblSized", "lblModed"});
    return page;
}

QWidget* MainWindow::buildOriginalImageTab() {
    auto* page = new QWidget;
    // The scan is shown at its own size, so the frame scrolls over it.
    auto* frame = new QScrollArea(page);
    frame->setGeometry(10, 10, 729, 585);
    frame->setBackgroundRole(QPalette::Dark);
    ImagenGrande = named(new ImageBox, QStringLiteral("ImagenGrande"));
    ImagenGrande->setSizeFollowsImage(true);
    frame->setWidget(ImagenGrande);
    lblFileName = named(makeBorderedLabel(page), QStringLiteral("lblFileName"));
    lblFileName->setGeometry(10, 603, 430, 22);
    lblSize = named(makeBorderedLabel(page), QStringLiteral("lblSize"));
    lblSize->setGeometry(446, 603, 140, 22);
    lblMode = named(makeBorderedLabel(page), QStringLiteral("lblMode"));
    lblMode->setGeometry(592, 603, 200, 22);
    return page;
}

QWidget* MainWindow::buildWatermarkTab() {
    auto* page = new QWidget;
    auto* fileFrame = new QGroupBox(QStringLiteral("Fichero Marca de Agua"), page);
    fileFrame->setGeometry(10, 10, 300, 620);
    FormatoWM =
        named(new ComboBox(fileFrame, ComboBox::Choice::Fixed), QStringLiteral("FormatoWM"));
    FormatoWM->setGeometry(10, 24, 280, 26);
    DirWM = named(new FolderList(fileFrame), QStringLiteral("DirWM"));
    DirWM->setGeometry(10, 58, 280, 260);
    FileWM = named(new FileList(false, fileFrame), QStringLiteral("FileWM"));
    FileWM->setGeometry(10, 326, 280, 284);

    WMActivo = named(new QCheckBox(QStringLiteral("Activar Marcas de Agua"), page),
                     QStringLiteral("WMActivo"));
    WMActivo->setGeometry(330, 14, 300, 22);
    LeerWm =
        named(new QPushButton(
                  QStringLiteral("Probar Marca de Agua (Necesita Cargar y Probar Recorte)"), page),
              QStringLiteral("LeerWm"));
    LeerWm->setGeometry(330, 42, 420, 28);

    buildStampControls(page, QPoint(330, 82), 270,
                       {{&WMTrans, &WMSize, &WMHpos, &WMVpos}, {&ImgPlantilla, &ImgWM, &WMGrande}},
                       {QStringLiteral("WMTrans"), QStringLiteral("WMSize"),
                        QStringLiteral("WMHpos"), QStringLiteral("WMVpos"),
                        QStringLiteral("ImgPlantilla"), QStringLiteral("ImgWM"),
                        QStringLiteral("WMGrande")});
    return page;
}

void MainWindow::buildStampControls(QWidget* page, QPoint at, int boxesTop,
                                    const StampControlSlots& places, const QStringList& names) {
    const int left = at.x(), top = at.y();
    auto& [intensity, size, across, down] = places.sliders;
    makeCaption(QStringLiteral("Control de Intensidad"), page)->setGeometry(left, top, 260, 18);
    *intensity = named(makeSlider(Qt::Horizontal, 0, 100, 20, 10, 5, page), names[0]);
    (*intensity)->setGeometry(left, top + 20, 300, 30);
    makeCaption(QStringLiteral("Control de Tamaño"), page)->setGeometry(left, top + 58, 260, 18);
    *size = named(makeSlider(Qt::Horizontal, 0, 100, 100, 10, 5, page), names[1]);
    (*size)->setGeometry(left, top + 78, 300, 30);
    makeCaption(QStringLiteral("Control de Posicion"), page)->setGeometry(left, top + 116, 260, 18);
    *across = named(makeSlider(Qt::Horizontal, 0, 10, 0, 1, 1, page), names[2]);
    (*across)->setGeometry(left, top + 136, 300, 30);
    *down = named(makeSlider(Qt::Vertical, 0, 10, 0, 1, 1, page), names[3]);
    (*down)->setGeometry(left + 320, top, 30, 166);
    showValueWhileDragging(*intensity, SliderUnit::PerCent);
    showValueWhileDragging(*size, SliderUnit::PerCent);
    showValueWhileDragging(*across, SliderUnit::Pixels);
    showValueWhileDragging(*down, SliderUnit::Pixels);

    auto& [stampedPage, preview, picture] = places.boxes;
    *stampedPage = named(new ImageBox(page), names[4]);
    (*stampedPage)->setGeometry(left, boxesTop, 177, 249);
    (*stampedPage)->setAutoZoom(true); // the whole page in view
    *preview = named(new ImageBox(page), names[5]);
    (*preview)->setGeometry(left + 200, boxesTop, 177, 249);
    // The preview takes the stamp's shape up to the window's edge.
    (*preview)->setMaximumSize(kClientWidth - 20 - (left + 200), 249);
    *picture = named(new ImageBox(page), names[6]);
    (*picture)->setGeometry(720, boxesTop, 100, 100);
    (*picture)->setVisible(false);
}

void MainWindow::buildPageCaptions(QWidget* page, QRect left, QRect right, int step,
                                   const PageCaptionSlots& places, const QStringList& names) {
    for (int side = 0; side < 2; ++side) {
        const std::array<QLabel**, 3>& labels = side == 0 ? places.left : places.right;
        for (int row = 0; row < 3; ++row) {
            *labels[row] = named(makeBorderedLabel(page), names[3 * side + row]);
            (*labels[row])->setGeometry((side == 0 ? left : right).translated(0, row * step));
        }
    }
}

QWidget* MainWindow::buildInteractiveCropTab() {
    auto* page = new QWidget;
    LocalFiles2 = named(new FileList(true, page), QStringLiteral("LocalFiles2"));
    LocalFiles2->setGeometry(4, 4, 146, 250);
    lstTreeAuto = named(new QListWidget(page), QStringLiteral("lstTreeAuto"));
    lstTreeAuto->setGeometry(4, 4, 146, 250);
    lstTreeAuto->setVisible(false);
    lstActividad = named(new ProgressList(page), QStringLiteral("lstActividad"));
    lstActividad->setGeometry(4, 260, 146, 250);
    Cancelar2 = named(makeCancelLabel(QStringLiteral("Cancelar Proceso"), page),
                      QStringLiteral("Cancelar2"));
    Cancelar2->setGeometry(4, 516, 146, 56);
    cmdICDetectar = named(new QPushButton(QStringLiteral("Detectar Página"), page),
                          QStringLiteral("cmdICDetectar"));
    cmdICDetectar->setGeometry(4, 578, 146, 28);

    Imagen2 = named(new ImageBox(page), QStringLiteral("Imagen2"));
    Imagen2->setGeometry(186, 10, 649, 401);
    SelectionSize2 = named(makeSlider(Qt::Vertical, 0, 1000, 1000, 5, 25, page),
                           QStringLiteral("SelectionSize2"));
    SelectionSize2->setGeometry(156, 0, 24, 421);
    Altura2 = named(makeSlider(Qt::Vertical, 0, 1000, 0, 5, 25, page), QStringLiteral("Altura2"));
    Altura2->setGeometry(848, 0, 24, 421);
    UpDowni2 = named(makeSlider(Qt::Horizontal, 0, 10, 0, 1, 1, page), QStringLiteral("UpDowni2"));
    UpDowni2->setGeometry(186, 424, 314, 22);
    UpDownd2 = named(makeSlider(Qt::Horizontal, 0, 10, 0, 1, 1, page), QStringLiteral("UpDownd2"));
    UpDownd2->setGeometry(520, 424, 314, 22);
    SelectionWidth2i = named(makeSlider(Qt::Horizontal, 0, 1000, 1000, 5, 25, page),
                             QStringLiteral("SelectionWidth2i"));
    SelectionWidth2i->setGeometry(186, 448, 314, 22);
    SelectionWidth2d = named(makeSlider(Qt::Horizontal, 0, 1000, 1000, 5, 25, page),
                             QStringLiteral("SelectionWidth2d"));
    SelectionWidth2d->setGeometry(520, 448, 314, 22);
    optIzquierda = named(new QRadioButton(page), QStringLiteral("optIzquierda"));
    optIzquierda->setGeometry(168, 424, 17, 22);
    optDerecha = named(new QRadioButton(page), QStringLiteral("optDerecha"));
    optDerecha->setGeometry(502, 424, 17, 22);
    optIzquierda->setChecked(true);

    cmdICPrueba = named(new QPushButton(QStringLiteral("Probar Ajustes"), page),
                        QStringLiteral("cmdICPrueba"));
    cmdICPrueba->setGeometry(275, 476, 110, 28);
    cmdICorte = named(new QPushButton(QStringLiteral("Cortar y Siguiente  Pagina"), page),
                      QStringLiteral("cmdICorte"));
    cmdICorte->setGeometry(425, 476, 170, 28);
    cmdICLote = named(new QPushButton(QStringLiteral("Procesar Lote Automaticamente"), page),
                      QStringLiteral("cmdICLote"));
    cmdICLote->setGeometry(635, 476, 215, 28);

    makeCaption(QStringLiteral("Rotación"), page)->setGeometry(186, 514, 60, 18);
    UpDownAngle = named(new UpDown(-1, 1, 0, page), QStringLiteral("UpDownAngle"));
    UpDownAngle->setGeometry(248, 508, 20, 30);
    lblAnguloGiro = named(new QLabel(page), QStringLiteral("lblAnguloGiro"));
    lblAnguloGiro->setGeometry(271, 514, 79, 18);
    chkAlternatepages =
        named(new QCheckBox(QStringLiteral("Alternar Páginas Derechas con Izquierdas"), page),
              QStringLiteral("chkAlternatepages"));
    chkAlternatepages->setGeometry(352, 512, 276, 22);
    chkMargenNegro =
        named(new QCheckBox(QStringLiteral("Supresión Automática del Margen Negro"), page),
              QStringLiteral("chkMargenNegro"));
    chkMargenNegro->setGeometry(630, 512, 268, 22);
    chkMargenNegro->setChecked(true);
    makeCaption(QStringLiteral("Tolerancia al Gris"), page)->setGeometry(186, 546, 110, 18);
    GreyTolerance =
        named(makeSlider(Qt::Horizontal, 0, 255, 50, 5, 5, page), QStringLiteral("GreyTolerance"));
    GreyTolerance->setGeometry(300, 542, 300, 26);
    Label17 = named(makeBorderedLabel(page, QStringLiteral("50")), QStringLiteral("Label17"));
    Label17->setAlignment(Qt::AlignCenter);
    Label17->setGeometry(606, 544, 44, 20);
    chkICOmitirCortadas =
        named(new QCheckBox(kOmitCaption, page), QStringLiteral("chkICOmitirCortadas"));
    chkICOmitirCortadas->setGeometry(660, 544, 230, 22);
    followEnabled(chkICOmitirCortadas, cmdICLote);
    chkICSeguirLibro =
        named(new QCheckBox(kFollowCaption, page), QStringLiteral("chkICSeguirLibro"));
    chkICSeguirLibro->setGeometry(186, 570, 350, 22);

    buildPageCaptions(
        page, QRect(186, 594, 314, 18), QRect(520, 594, 314, 18), 19,
        {{&lblFileNamei2, &lblSizei2, &lblModei2}, {&lblFileNamed2, &lblSized2, &lblModed2}},
        {"lblFileNamei2", "lblSizei2", "lblModei2", "lblFileNamed2", "lblSized2", "lblModed2"});
    return page;
}

QWidget* MainWindow::buildDebugTab() {
    auto* page = new QWidget;
    ImgPreview = named(new ImageBox(page), QStringLiteral("ImgPreview"));
    ImgPreview->setGeometry(186, 10, 313, 241);
    ImgPreview->setAutoZoom(true);
    return page;
}

QWidget* MainWindow::buildEffectsTab() {
    auto* page = new QWidget;
    auto* columns = new QHBoxLayout(page);
    auto* column = new QVBoxLayout;
    CheckMagik =
        named(new QCheckBox(QStringLiteral("Activar los Efectos de  Post-Producción a las imagenes "
                                           "resultantes"),
                            page),
              QStringLiteral("CheckMagik"));
    MagikisCopy = named(
        new QCheckBox(QStringLiteral("Renombrar Imagenes Modificadas con Prefijo ImgMgk_"), page),
        QStringLiteral("MagikisCopy"));
    column->addWidget(CheckMagik);
    column->addWidget(MagikisCopy);

    // The effect lists show their caption and the hints their longest text whole.
    int hintWidth = 0;
    for (const Effect& effect : OptionTables::build().effects)
        hintWidth = std::max(hintWidth, page->fontMetrics().horizontalAdvance(effect.hint));
    auto buildSide = [this, page, hintWidth](
                         const QString& title, std::array<ComboBox*, 5>& effects,
                         const QString& effectName, std::array<QLineEdit*, 5>& parameters,
                         const QString& parameterName, std::array<QLabel*, 5>& hints,
                         const QString& hintName, QPushButton*& test, const QString& testName) {
        auto* frame = new QGroupBox(title, page);
        auto* grid = new QGridLayout(frame);
        for (int k = 0; k < 5; ++k) {
            const QString index = QStringLiteral("(%1)").arg(k);
            effects[k] = named(new ComboBox(frame), effectName + index);
            effects[k]->setText(QStringLiteral("Elija un Efecto"));
            effects[k]->setMinimumWidth(
                widthForText(effects[k], QStringLiteral("Seleccione Efecto a Aplicar")));
            parameters[k] = named(new QLineEdit(frame), parameterName + index);
            hints[k] = named(new QLabel(frame), hintName + index);
            hints[k]->setMinimumWidth(hintWidth + 2 * hints[k]->margin() + 4);
            grid->addWidget(effects[k], k, 0);
            grid->addWidget(parameters[k], k, 1);
            grid->addWidget(hints[k], k, 2);
        }
        grid->setColumnStretch(1, 1);
        test = named(new QPushButton(QStringLiteral("Probar Efectos"), frame), testName);
        grid->addWidget(test, 5, 0, 1, 3, Qt::AlignRight);
        return frame;
    };
    column->addWidget(buildSide(
        QStringLiteral("Procesos con Imágenes Impares"), cbMagikNon, QStringLiteral("cbMagikNon"),
        lblMagicNon, QStringLiteral("lblMagicNon"), infoMagikTextNon,
        QStringLiteral("infoMagikTextNon"), TestMgkNon, QStringLiteral("TestMgkNon")));
    column->addWidget(buildSide(
        QStringLiteral("Procesos con Imágenes Pares"), cbMagicPar, QStringLiteral("cbMagicPar"),
        lblMagikPar, QStringLiteral("lblMagikPar"), infoMagikTextPar,
        QStringLiteral("infoMagikTextPar"), TestMgkPar, QStringLiteral("TestMgkPar")));
    column->addStretch();
    columns->addLayout(column);

    // The sample picture above its result, beside the effects.
    auto* pictures = new QVBoxLayout;
    ImageSource = named(new PictureBox(page), QStringLiteral("ImageSource"));
    ImageTarget = named(new PictureBox(page), QStringLiteral("ImageTarget"));
    for (PictureBox* picture : {ImageSource, ImageTarget}) {
        picture->setMinimumSize(260, 260);
        picture->setVisible(false);
        pictures->addWidget(picture, 1);
    }
    columns->addLayout(pictures, 1);
    return page;
}

QWidget* MainWindow::buildNumberingTab() {
    auto* page = new QWidget;
    auto buildSide = [this, page](const QString& title, int top, QCheckBox*& numbering,
                                  const QString& numberingName, ComboBox*& font,
                                  const QString& fontName, ComboBox*& style,
                                  const QString& styleName) {
        auto* frame = new QGroupBox(title, page);
        frame->setGeometry(10, top, 290, 118);
        numbering =
            named(new QCheckBox(QStringLiteral("Numeración de hojas"), frame), numberingName);
        numbering->setGeometry(10, 22, 270, 22);
        font = named(new ComboBox(frame), fontName);
        font->setText(QStringLiteral("Fuente"));
        font->setGeometry(10, 50, 270, 26);
        style = named(new ComboBox(frame), styleName);
        style->setText(QStringLiteral("Paginado"));
        style->setGeometry(10, 82, 270, 26);
    };
    buildSide(QStringLiteral("Imágenes Impares"), 10, ChkNumeroNon, QStringLiteral("ChkNumeroNon"),
              MagicNonFont, QStringLiteral("MagicNonFont"), MagikNonDato,
              QStringLiteral("MagikNonDato"));
    buildSide(QStringLiteral("Imágeness Pares"), 136, ChkNumeroPar, QStringLiteral("ChkNumeroPar"),
              MagicParFont, QStringLiteral("MagicParFont"), MagikParDato,
              QStringLiteral("MagikParDato"));

    FiletoRenum = named(new FileList(true, page), QStringLiteral("FiletoRenum"));
    FiletoRenum->setGeometry(10, 264, 290, 278);
    cmdNumPrueba = named(new QPushButton(QStringLiteral("Probar Ajustes Numeracion"), page),
                         QStringLiteral("cmdNumPrueba"));
    cmdNumPrueba->setGeometry(10, 550, 290, 30);
    cmdNumProceso = named(new QPushButton(QStringLiteral("Procesar Lote Numeracion"), page),
                          QStringLiteral("cmdNumProceso"));
    cmdNumProceso->setGeometry(10, 586, 290, 30);

    buildStampControls(page, QPoint(320, 10), 196,
                       {{&WMTransNum, &WMSizeNum, &WMHPosNum, &WMVPosNum},
                        {&ImgPlantillaNum, &ImgWMNum, &WMGrandeNum}},
                       {QStringLiteral("WMTransNum"), QStringLiteral("WMSizeNum"),
                        QStringLiteral("WMHPosNum"), QStringLiteral("WMVPosNum"),
                        QStringLiteral("ImgPlantillaNum"), QStringLiteral("ImgWMNum"),
                        QStringLiteral("WMGrandeNum")});
    lstNumeracion = named(new ProgressList(page), QStringLiteral("lstNumeracion"));
    lstNumeracion->setGeometry(320, 456, 560, 160);
    return page;
}

QWidget* MainWindow::buildBookPdfTab() {
    auto* page = new QWidget;
    auto* column = new QVBoxLayout(page);
    auto rows = [page](const QString& title) {
        auto* frame = new QGroupBox(title, page);
        auto* grid = new QGridLayout(frame);
        grid->setColumnStretch(1, 1);
        return std::pair{frame, grid};
    };
    auto addRow = [](QGridLayout* grid, const QString& caption, QWidget* box) {
        const int row = grid->rowCount();
        grid->addWidget(makeCaption(caption, box->parentWidget()), row, 0);
        grid->addWidget(box, row, 1);
    };

    auto [filesFrame, files] = rows(QStringLiteral("Páginas y Fichero PDF"));
    DirPDF = named(new QLineEdit(filesFrame), QStringLiteral("DirPDF"));
    ArchivoPDF = named(new QLineEdit(filesFrame), QStringLiteral("ArchivoPDF"));
    addRow(files, QStringLiteral("Carpeta de las páginas:"), DirPDF);
    addRow(files, QStringLiteral("Fichero PDF:"), ArchivoPDF);
    column->addWidget(filesFrame);

    auto [infoFrame, info] = rows(QStringLiteral("Información del Documento"));
    TituloPDF = named(new QLineEdit(infoFrame), QStringLiteral("TituloPDF"));
    AutorPDF = named(new QLineEdit(infoFrame), QStringLiteral("AutorPDF"));
    addRow(info, QStringLiteral("Título:"), TituloPDF);
    addRow(info, QStringLiteral("Autor:"), AutorPDF);
    column->addWidget(infoFrame);

    auto [pagesFrame, pages] = rows(QStringLiteral("Páginas y Texto"));
    ResolucionPDF =
        named(makeSizeBox(QStringLiteral("300"), pagesFrame), QStringLiteral("ResolucionPDF"));
    chkOCR = named(new QCheckBox(QStringLiteral("Texto buscable (OCR)"), pagesFrame),
                   QStringLiteral("chkOCR"));
    IdiomaOCR = named(new ComboBox(pagesFrame), QStringLiteral("IdiomaOCR"));
    IdiomaOCR->setMinimumWidth(widthForText(IdiomaOCR, QStringLiteral("spa+eng+fra")));
    auto* resolution = new QHBoxLayout;
    resolution->addWidget(ResolucionPDF);
    resolution->addStretch();
    pages->addWidget(makeCaption(QStringLiteral("Resolución (puntos por pulgada):"), pagesFrame), 0,
                     0);
    pages->addLayout(resolution, 0, 1);
    auto* ocr = new QHBoxLayout;
    ocr->addWidget(chkOCR);
    ocr->addSpacing(16);
    ocr->addWidget(makeCaption(QStringLiteral("Idioma:"), pagesFrame));
    ocr->addWidget(IdiomaOCR);
    ocr->addStretch();
    pages->addLayout(ocr, 1, 0, 1, 2);
    column->addWidget(pagesFrame);

    cmdCrearPDF = named(new QPushButton(QStringLiteral("Crear Libro PDF"), page),
                        QStringLiteral("cmdCrearPDF"));
    cmdCancelarPDF =
        named(new QPushButton(QStringLiteral("Cancelar"), page), QStringLiteral("cmdCancelarPDF"));
    cmdCrearPDF->setMinimumHeight(32);
    cmdCancelarPDF->setMinimumHeight(32);
    cmdCancelarPDF->setEnabled(false); // nothing to cancel yet
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdCrearPDF, 3);
    buttons->addWidget(cmdCancelarPDF, 1);
    column->addLayout(buttons);

    lstPDF = named(new ProgressList(page), QStringLiteral("lstPDF"));
    column->addWidget(lstPDF, 1);
    return page;
}
