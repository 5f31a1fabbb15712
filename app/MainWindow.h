#pragma once

#include "app/OptionTables.h"
#include "app/WorkingValues.h"

#include <QHash>
#include <QList>
#include <QWidget>
#include <array>
#include <memory>

class AutomaticCrop;
class BookPdfTab;
class ClickLabel;
class ComboBox;
class DriveList;
class EnablingRules;
class FileList;
class FolderList;
class InteractiveCrop;
class ImageBox;
class PictureBox;
class PageDetection;
class PageLabels;
class PageNumberStamping;
class PointerEditing;
class PostEffects;
class ProgressList;
class ScanLoader;
class SelectionControls;
class SourceBrowser;
class UpDown;
class Watermark;
class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QSlider;
class QTabWidget;
struct ScanRead;

// The program's one window. It owns the controls (each a member under its own name, which is
// also its objectName), the working values and one object per subsystem; the subsystems hold the
// handlers and reach each other through the window.
class MainWindow : public QWidget {
    Q_OBJECT
public:
    // `applicationFolder` holds the tool folder "imgmagic"; empty means the program's own folder
    // (see ProgramFolder.h).
    explicit MainWindow(const QString& applicationFolder = QString(), QWidget* parent = nullptr);
    ~MainWindow() override;

    // Handlers of the window itself.
    void Form_Load();
    void LlenaListas();
    void AceptaConfig_Click();
    void Interactivo_Click();
    void Form_Unload();

    // Brings the current scan into the window (the handlers live with the crop geometry); a batch
    // hands over the scan its worker read ahead.
    void CargaImagen(ScanRead* readAhead = nullptr);

    // Paints at once what changed since the last paint: on screen, the same as repainting the
    // whole window, without redrawing every control that did not change (during a batch this
    // happens several times for every scan).
    void repaintChanges();

    // Every named control, in the order it was made; containers (the tab control and frames)
    // are not controls of their own here.
    const QList<QWidget*>& controls() const { return controls_; }
    QWidget* control(const QString& name) const { return controlsByName_.value(name); }

    EnablingRules& enabling() { return *enabling_; }
    SourceBrowser& sources() { return *sources_; }
    PostEffects& postEffects() { return *postEffects_; }
    PageLabels& pageLabels() { return *pageLabels_; }
    ScanLoader& loader() { return *loader_; }
    SelectionControls& selection() { return *selection_; }
    PointerEditing& pointer() { return *pointer_; }
    PageDetection& detection() { return *detection_; }
    AutomaticCrop& automaticCrop() { return *automaticCrop_; }
    InteractiveCrop& interactiveCrop() { return *interactiveCrop_; }
    Watermark& watermark() { return *watermark_; }
    PageNumberStamping& pageNumberStamping() { return *pageNumberStamping_; }
    BookPdfTab& bookPdf() { return *bookPdf_; }

    WorkingValues v;
    OptionTables tables;

    // The tab control.
    QTabWidget* SSTab1 = nullptr;

    // Tab 0, "Configuracion Inicial".
    ComboBox* TipoOrigen = nullptr;
    DriveList* Drive1 = nullptr;
    FolderList* Dirs = nullptr;
    FileList* Files = nullptr;
    QCheckBox* chkSubTree = nullptr;
    QPushButton* cmdLoadTree = nullptr;
    QListWidget* lstTree = nullptr;
    ComboBox* TipoGrande = nullptr;
    QCheckBox* ChkSepara2Img = nullptr;
    QCheckBox* NoReducir = nullptr;
    QCheckBox* Interactivo = nullptr;
    QLineEdit* AltoGrande = nullptr;
    UpDown* MasMenosAlG = nullptr;
    QLineEdit* AnchoGrande = nullptr;
    UpDown* MasMenosAnG = nullptr;
    QCheckBox* HacerMini = nullptr;
    ComboBox* TipoPeque = nullptr;
    QLineEdit* AltoPeque = nullptr;
    UpDown* MasMenosAlP = nullptr;
    QLineEdit* AnchoPeque = nullptr;
    UpDown* MasMenosAnP = nullptr;
    ComboBox* ColorBw = nullptr;
    QCheckBox* Compresion = nullptr;
    QCheckBox* PermiteDistorsion = nullptr;
    QSlider* UpDownQuality = nullptr;
    QLabel* lblJpegQuality = nullptr;
    QPushButton* AceptaConfig = nullptr;

    // Tab 1, "Ajustes de Recorte".
    FileList* LocalFiles = nullptr;
    QPushButton* Probar = nullptr;
    QPushButton* CortaUna = nullptr;
    QPushButton* CortaLote = nullptr;
    QPushButton* cmdDetectar = nullptr;
    QCheckBox* chkOmitirCortadas = nullptr;
    QCheckBox* chkSeguirLibro = nullptr;
    ProgressList* ListaProceso = nullptr;
    ClickLabel* Cancelar = nullptr;
    ImageBox* Imagen = nullptr;
    ImageBox* PaginaIzq = nullptr;
    ImageBox* PaginaDch = nullptr;
    QSlider* SelectionSize = nullptr;
    QSlider* Altura = nullptr;
    QSlider* SelectionWidth = nullptr;
    QLabel* Label5 = nullptr;
    QLabel* Label6 = nullptr;
    QLabel* Label7 = nullptr;
    QLabel* Label8 = nullptr;
    QLabel* Label9 = nullptr;
    QSlider* UpDowni = nullptr;
    QSlider* UpDownd = nullptr;
    QLabel* Texti = nullptr;
    QLabel* Textd = nullptr;
    QLabel* lblFileNamei = nullptr;
    QLabel* lblSizei = nullptr;
    QLabel* lblModei = nullptr;
    QLabel* lblFileNamed = nullptr;
    QLabel* LblSized = nullptr;
    QLabel* lblModed = nullptr;

    // Tab 2, "Imagen Original".
    ImageBox* ImagenGrande = nullptr;
    QLabel* lblFileName = nullptr;
    QLabel* lblSize = nullptr;
    QLabel* lblMode = nullptr;

    // Tab 3, "Marcas de Agua".
    ComboBox* FormatoWM = nullptr;
    FolderList* DirWM = nullptr;
    FileList* FileWM = nullptr;
    QCheckBox* WMActivo = nullptr;
    QPushButton* LeerWm = nullptr;
    QSlider* WMTrans = nullptr;
    QSlider* WMSize = nullptr;
    QSlider* WMHpos = nullptr;
    QSlider* WMVpos = nullptr;
    ImageBox* ImgWM = nullptr;
    ImageBox* ImgPlantilla = nullptr;
    ImageBox* WMGrande = nullptr;

    // Tab 4, "Recorte Interarctivo".
    FileList* LocalFiles2 = nullptr;
    QListWidget* lstTreeAuto = nullptr;
    ProgressList* lstActividad = nullptr;
    ImageBox* Imagen2 = nullptr;
    QSlider* SelectionSize2 = nullptr;
    QSlider* Altura2 = nullptr;
    QSlider* SelectionWidth2i = nullptr;
    QSlider* SelectionWidth2d = nullptr;
    QSlider* UpDowni2 = nullptr;
    QSlider* UpDownd2 = nullptr;
    QRadioButton* optIzquierda = nullptr;
    QRadioButton* optDerecha = nullptr;
    QPushButton* cmdICPrueba = nullptr;
    QPushButton* cmdICorte = nullptr;
    QPushButton* cmdICLote = nullptr;
    QCheckBox* chkICOmitirCortadas = nullptr;
    QCheckBox* chkICSeguirLibro = nullptr;
    QPushButton* cmdICDetectar = nullptr;
    UpDown* UpDownAngle = nullptr;
    // The turn accumulated with UpDownAngle, beside its arrows.
    QLabel* lblAnguloGiro = nullptr;
    QCheckBox* chkAlternatepages = nullptr;
    QCheckBox* chkMargenNegro = nullptr;
    QSlider* GreyTolerance = nullptr;
    QLabel* Label17 = nullptr;
    ClickLabel* Cancelar2 = nullptr;
    QLabel* lblFileNamei2 = nullptr;
    QLabel* lblSizei2 = nullptr;
    QLabel* lblModei2 = nullptr;
    QLabel* lblFileNamed2 = nullptr;
    QLabel* lblSized2 = nullptr;
    QLabel* lblModed2 = nullptr;

    // Tab 5, "Depuracion".
    ImageBox* ImgPreview = nullptr;

    // Tab 6, "Efectos Post-Produccion".
    QCheckBox* CheckMagik = nullptr;
    QCheckBox* MagikisCopy = nullptr;
    std::array<ComboBox*, 5> cbMagikNon{};
    std::array<QLineEdit*, 5> lblMagicNon{};
    std::array<QLabel*, 5> infoMagikTextNon{};
    QPushButton* TestMgkNon = nullptr;
    std::array<ComboBox*, 5> cbMagicPar{};
    std::array<QLineEdit*, 5> lblMagikPar{};
    std::array<QLabel*, 5> infoMagikTextPar{};
    QPushButton* TestMgkPar = nullptr;
    PictureBox* ImageSource = nullptr;
    PictureBox* ImageTarget = nullptr;

    // Tab 7, "Numeración Páginas".
    QCheckBox* ChkNumeroNon = nullptr;
    ComboBox* MagicNonFont = nullptr;
    ComboBox* MagikNonDato = nullptr;
    QCheckBox* ChkNumeroPar = nullptr;
    ComboBox* MagicParFont = nullptr;
    ComboBox* MagikParDato = nullptr;
    FileList* FiletoRenum = nullptr;
    QPushButton* cmdNumPrueba = nullptr;
    QPushButton* cmdNumProceso = nullptr;
    QSlider* WMTransNum = nullptr;
    QSlider* WMSizeNum = nullptr;
    QSlider* WMHPosNum = nullptr;
    QSlider* WMVPosNum = nullptr;
    ImageBox* ImgWMNum = nullptr;
    ImageBox* ImgPlantillaNum = nullptr;
    ImageBox* WMGrandeNum = nullptr;
    // What went wrong while numbering pages, one line each.
    ProgressList* lstNumeracion = nullptr;

    // Tab 8, "Libro PDF".
    QLineEdit* DirPDF = nullptr;
    QLineEdit* ArchivoPDF = nullptr;
    QLineEdit* TituloPDF = nullptr;
    QLineEdit* AutorPDF = nullptr;
    QLineEdit* ResolucionPDF = nullptr;
    QCheckBox* chkOCR = nullptr;
    ComboBox* IdiomaOCR = nullptr;
    QPushButton* cmdCrearPDF = nullptr;
    QPushButton* cmdCancelarPDF = nullptr;
    ProgressList* lstPDF = nullptr;

    // Client area in logical pixels.
    static constexpr int kClientWidth = 904;
    static constexpr int kClientHeight = 676;

signals:
    // A crop run wrote a page into `folder` (a "jpeg_big").
    void pagesWritten(const QString& folder);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    template <typename T> T* named(T* widget, const QString& name);
    void buildControls();
    QWidget* buildConfigurationTab();
    QWidget* buildAutomaticCropTab();
    QWidget* buildOriginalImageTab();
    QWidget* buildWatermarkTab();
    QWidget* buildInteractiveCropTab();
    QWidget* buildDebugTab();
    QWidget* buildEffectsTab();
    QWidget* buildNumberingTab();
    QWidget* buildBookPdfTab();
    // Where the stamp controls go: intensity, size, across and down sliders; the stamped page,
    // the stamp's preview and the scaled stamp.
    struct StampControlSlots {
        std::array<QSlider**, 4> sliders;
        std::array<ImageBox**, 3> boxes;
    };
    // The sliders and picture boxes of a stamp (a watermark or a page-number label), the same on
    // both stamp tabs: the sliders from `at`, the boxes in a row at `boxesTop`.
    void buildStampControls(QWidget* page, QPoint at, int boxesTop, const StampControlSlots& places,
                            const QStringList& names);
    // The captions under a spread's two cut pages, the same on both crop tabs: a row each for
    // the file name, the size and the colour mode, the left page's in `left` and the right
    // page's in `right` (the first row's places), `step` apart.
    struct PageCaptionSlots {
        std::array<QLabel**, 3> left;
        std::array<QLabel**, 3> right;
    };
    void buildPageCaptions(QWidget* page, QRect left, QRect right, int step,
                           const PageCaptionSlots& places, const QStringList& names);
    void connectHandlers();

    QList<QWidget*> controls_;
    QHash<QString, QWidget*> controlsByName_;
    std::unique_ptr<EnablingRules> enabling_;
    std::unique_ptr<SourceBrowser> sources_;
    std::unique_ptr<PostEffects> postEffects_;
    std::unique_ptr<PageLabels> pageLabels_;
    std::unique_ptr<ScanLoader> loader_;
    std::unique_ptr<SelectionControls> selection_;
    std::unique_ptr<PointerEditing> pointer_;
    std::unique_ptr<PageDetection> detection_;
    std::unique_ptr<AutomaticCrop> automaticCrop_;
    std::unique_ptr<InteractiveCrop> interactiveCrop_;
    std::unique_ptr<Watermark> watermark_;
    std::unique_ptr<PageNumberStamping> pageNumberStamping_;
    // Last, so that it goes first: a PDF run still going is stopped while the window is whole.
    std::unique_ptr<BookPdfTab> bookPdf_;
    bool unloaded_ = false;
};
