#include "WindowFixture.h"

#include "app/ClickLabel.h"
#include "app/ComboBox.h"
#include "app/ControlState.h"
#include "app/EnablingRules.h"
#include "app/Numbers.h"
#include "app/ProgressList.h"
#include "app/UpDown.h"
#include "pipeline/ImageBox.h"
#include "sources/FileList.h"
#include "sources/FolderList.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSlider>
#include <QTabWidget>
#include <QTest>

class AppTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { shared_ = std::make_unique<WindowFixture>(); }
    void cleanupTestCase() { shared_.reset(); }
    void startTextsAndValues();
    void startCheckBoxes();
    void startTabsAndLists();
    void effectRowsStartEmptyAndDisabled();
    void fontListsFollowTheToolFolder();
    void everyControlExistsWithItsKind_data();
    void everyControlExistsWithItsKind();
    void controlNamesAreUnique();
    void acceptVersusInteractiveWithSubtree_data();
    void acceptVersusInteractiveWithSubtree();
    void thumbnailAndSizeRules();
    void spreadRulesAndRightPageControls();
    void subtreeModeSwapsListsAndTabs();
    void leavingSubtreeModePointsListsAtTheFolder();
    void watermarkRules();
    void everyClickResetsTheReferenceSize();
    void lockingKeepsEffectsAndCancelUsable();
    void unlockAfterCancelKeepsInteractiveCutsOff();
    void upDownWritesItsTextBox();
    void progressListScrollRule_data();
    void progressListScrollRule();
    void headerAndNamePairs();
    void cancelLineSelectsOnItsOwnList();
    void numericValueOfText_data();
    void numericValueOfText();
    void minAndRounding();
    void tabsHoldTheirControlsWithoutOverlapOrClipping_data();
    void tabsHoldTheirControlsWithoutOverlapOrClipping();

private:
    std::unique_ptr<WindowFixture> shared_; // for read-only checks of the start-up window
};

void AppTest::startTextsAndValues() {
    WindowFixture f;
    MainWindow& w = *f.window;
    for (ComboBox* type : {w.TipoOrigen, w.TipoGrande, w.TipoPeque}) {
        QCOMPARE(type->text(), QStringLiteral("Imágenes JPG"));
        QCOMPARE(type->listIndex(), 0);
        QCOMPARE(type->count(), 5);
    }
    QCOMPARE(w.ColorBw->text(), QStringLiteral("Paleta de Colores 8 bits (256 Colores)"));
    QCOMPARE(w.ColorBw->count(), 6);
    QCOMPARE(w.AltoGrande->text(), QStringLiteral("958"));
    QCOMPARE(w.AnchoGrande->text(), QStringLiteral("695"));
    QCOMPARE(w.AltoPeque->text(), QStringLiteral("540"));
    QCOMPARE(w.AnchoPeque->text(), QStringLiteral("370"));
    QCOMPARE(w.MasMenosAlG->value(), 958);
    QCOMPARE(w.MasMenosAnP->maximum(), 3000);
    QCOMPARE(w.lblJpegQuality->text(), QStringLiteral("90%"));
    QCOMPARE(w.UpDownQuality->value(), 90);
    QCOMPARE(w.Label17->text(), QStringLiteral("50"));
    QCOMPARE(w.GreyTolerance->value(), 50);
    QCOMPARE(w.FormatoWM->text(), QStringLiteral("Seleccione un Formato"));
    QCOMPARE(w.FormatoWM->listIndex(), -1);
    QCOMPARE(w.MagikNonDato->text(), QStringLiteral("Paginado"));
    QCOMPARE(w.MagikNonDato->listIndex(), -1);
    QCOMPARE(w.MagikParDato->count(), 11);
    QCOMPARE(w.MagikParDato->itemText(5), QStringLiteral("Solo Pares:Completo"));
    QCOMPARE(w.MagicParFont->text(), QStringLiteral("Fuente"));
    QCOMPARE(w.Cancelar->text(), QStringLiteral("\rCancelar Proceso"));
    QVERIFY(!visibleFlag(w.Cancelar));
    QCOMPARE(w.v.NumPaginas, 2.0f);
    QCOMPARE(w.v.PaginaActiva, QStringLiteral("i"));
    QCOMPARE(w.v.CarpetaActual, QDir::toNativeSeparators(f.scansFolder()));
    QCOMPARE(w.Files->count(), 1);
    QCOMPARE(w.ListaProceso->count(), 0);
    QCOMPARE(w.lstActividad->count(), 0);
}

void AppTest::startCheckBoxes() {
    WindowFixture f;
    const QList<QCheckBox*> boxes = f.window->findChildren<QCheckBox*>();
    QVERIFY(boxes.size() >= 14);
    for (QCheckBox* box : boxes) {
        const bool ticked = box->objectName() == QLatin1String("ChkSepara2Img") ||
                            box->objectName() == QLatin1String("chkMargenNegro");
        QVERIFY2(box->isChecked() == ticked, qPrintable(box->objectName()));
    }
    QVERIFY(f.window->optIzquierda->isChecked());
}

void AppTest::startTabsAndLists() {
    WindowFixture f;
    MainWindow& w = *f.window;
    QCOMPARE(w.SSTab1->count(), 8);
    QCOMPARE(w.SSTab1->currentIndex(), 0);
    QCOMPARE(w.SSTab1->tabText(4), QStringLiteral("Recorte Interarctivo"));
    QCOMPARE(w.SSTab1->tabText(7), QStringLiteral("Numeración Páginas"));
    QVERIFY(w.SSTab1->isTabEnabled(1));
    QVERIFY(!w.SSTab1->isTabEnabled(4));
    QVERIFY(!w.SSTab1->isTabEnabled(5));
    QVERIFY(!enabledFlag(w.cmdLoadTree));
    QVERIFY(!visibleFlag(w.lstTree));
    QVERIFY(!enabledFlag(w.TipoPeque));
    QVERIFY(!enabledFlag(w.AltoPeque));
    QVERIFY(!enabledFlag(w.LeerWm));
    QVERIFY(!enabledFlag(w.WMTrans));
}

void AppTest::effectRowsStartEmptyAndDisabled() {
    WindowFixture f;
    MainWindow& w = *f.window;
    for (int k = 0; k < 5; ++k) {
        QCOMPARE(w.cbMagikNon[k]->count(), 0);
        QCOMPARE(w.cbMagicPar[k]->count(), 0);
        QVERIFY(!enabledFlag(w.cbMagikNon[k]));
        QVERIFY(!enabledFlag(w.lblMagicNon[k]));
        QVERIFY(!enabledFlag(w.cbMagicPar[k]));
        QVERIFY(!enabledFlag(w.lblMagikPar[k]));
    }
    w.CheckMagik->setChecked(true);
    QCOMPARE(w.cbMagicPar[4]->count(), 7);
    QCOMPARE(w.cbMagikNon[0]->itemText(6), QStringLiteral("HQ Resamplear"));
    QCOMPARE(w.cbMagikNon[0]->text(), QStringLiteral("Seleccione Efecto a Aplicar"));
    QVERIFY(enabledFlag(w.lblMagikPar[3]));
    w.cbMagicPar[2]->setListIndex(1);
    QCOMPARE(w.infoMagikTextPar[2]->text(), QStringLiteral("+|- Grados"));
}

void AppTest::fontListsFollowTheToolFolder() {
    WindowFixture f({QStringLiteral("zeta.ttf"), QStringLiteral("Alfa.TTF"),
                     QStringLiteral("beta.ttf"), QStringLiteral("notes.txt")});
    MainWindow& w = *f.window;
    const QStringList expected = {QStringLiteral("Alfa.TTF"), QStringLiteral("beta.ttf"),
                                  QStringLiteral("zeta.ttf")};
    for (ComboBox* fonts : {w.MagicNonFont, w.MagicParFont}) {
        QStringList listed;
        for (int i = 0; i < fonts->count(); ++i)
            listed << fonts->itemText(i);
        QCOMPARE(listed, expected);
        QCOMPARE(fonts->listIndex(), -1);
    }
    WindowFixture empty;
    QCOMPARE(empty.window->MagicNonFont->count(), 0);
}

void AppTest::everyControlExistsWithItsKind_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("kind");
    QTest::newRow("TipoOrigen") << QStringLiteral("TipoOrigen") << QByteArray("ComboBox");
    QTest::newRow("TipoGrande") << QStringLiteral("TipoGrande") << QByteArray("ComboBox");
    QTest::newRow("TipoPeque") << QStringLiteral("TipoPeque") << QByteArray("ComboBox");
    QTest::newRow("ColorBw") << QStringLiteral("ColorBw") << QByteArray("ComboBox");
    QTest::newRow("FormatoWM") << QStringLiteral("FormatoWM") << QByteArray("ComboBox");
    QTest::newRow("MagicNonFont") << QStringLiteral("MagicNonFont") << QByteArray("ComboBox");
    QTest::newRow("MagikNonDato") << QStringLiteral("MagikNonDato") << QByteArray("ComboBox");
    QTest::newRow("MagicParFont") << QStringLiteral("MagicParFont") << QByteArray("ComboBox");
    QTest::newRow("MagikParDato") << QStringLiteral("MagikParDato") << QByteArray("ComboBox");
    QTest::newRow("Drive1") << QStringLiteral("Drive1") << QByteArray("DriveList");
    QTest::newRow("Dirs") << QStringLiteral("Dirs") << QByteArray("FolderList");
    QTest::newRow("DirWM") << QStringLiteral("DirWM") << QByteArray("FolderList");
    QTest::newRow("Files") << QStringLiteral("Files") << QByteArray("FileList");
    QTest::newRow("LocalFiles") << QStringLiteral("LocalFiles") << QByteArray("FileList");
    QTest::newRow("LocalFiles2") << QStringLiteral("LocalFiles2") << QByteArray("FileList");
    QTest::newRow("FileWM") << QStringLiteral("FileWM") << QByteArray("FileList");
    QTest::newRow("FiletoRenum") << QStringLiteral("FiletoRenum") << QByteArray("FileList");
    QTest::newRow("chkSubTree") << QStringLiteral("chkSubTree") << QByteArray("QCheckBox");
    QTest::newRow("ChkSepara2Img") << QStringLiteral("ChkSepara2Img") << QByteArray("QCheckBox");
    QTest::newRow("NoReducir") << QStringLiteral("NoReducir") << QByteArray("QCheckBox");
    QTest::newRow("Interactivo") << QStringLiteral("Interactivo") << QByteArray("QCheckBox");
    QTest::newRow("HacerMini") << QStringLiteral("HacerMini") << QByteArray("QCheckBox");
    QTest::newRow("Compresion") << QStringLiteral("Compresion") << QByteArray("QCheckBox");
    QTest::newRow("PermiteDistorsion")
        << QStringLiteral("PermiteDistorsion") << QByteArray("QCheckBox");
    QTest::newRow("WMActivo") << QStringLiteral("WMActivo") << QByteArray("QCheckBox");
    QTest::newRow("chkAlternatepages")
        << QStringLiteral("chkAlternatepages") << QByteArray("QCheckBox");
    QTest::newRow("chkMargenNegro") << QStringLiteral("chkMargenNegro") << QByteArray("QCheckBox");
    QTest::newRow("CheckMagik") << QStringLiteral("CheckMagik") << QByteArray("QCheckBox");
    QTest::newRow("MagikisCopy") << QStringLiteral("MagikisCopy") << QByteArray("QCheckBox");
    QTest::newRow("ChkNumeroNon") << QStringLiteral("ChkNumeroNon") << QByteArray("QCheckBox");
    QTest::newRow("ChkNumeroPar") << QStringLiteral("ChkNumeroPar") << QByteArray("QCheckBox");
    QTest::newRow("cmdLoadTree") << QStringLiteral("cmdLoadTree") << QByteArray("QPushButton");
    QTest::newRow("AceptaConfig") << QStringLiteral("AceptaConfig") << QByteArray("QPushButton");
    QTest::newRow("Probar") << QStringLiteral("Probar") << QByteArray("QPushButton");
    QTest::newRow("CortaUna") << QStringLiteral("CortaUna") << QByteArray("QPushButton");
    QTest::newRow("CortaLote") << QStringLiteral("CortaLote") << QByteArray("QPushButton");
    QTest::newRow("LeerWm") << QStringLiteral("LeerWm") << QByteArray("QPushButton");
    QTest::newRow("cmdICPrueba") << QStringLiteral("cmdICPrueba") << QByteArray("QPushButton");
    QTest::newRow("cmdICorte") << QStringLiteral("cmdICorte") << QByteArray("QPushButton");
    QTest::newRow("cmdICLote") << QStringLiteral("cmdICLote") << QByteArray("QPushButton");
    QTest::newRow("TestMgkNon") << QStringLiteral("TestMgkNon") << QByteArray("QPushButton");
    QTest::newRow("TestMgkPar") << QStringLiteral("TestMgkPar") << QByteArray("QPushButton");
    QTest::newRow("cmdNumPrueba") << QStringLiteral("cmdNumPrueba") << QByteArray("QPushButton");
    QTest::newRow("cmdNumProceso") << QStringLiteral("cmdNumProceso") << QByteArray("QPushButton");
    QTest::newRow("lstTree") << QStringLiteral("lstTree") << QByteArray("QListWidget");
    QTest::newRow("lstTreeAuto") << QStringLiteral("lstTreeAuto") << QByteArray("QListWidget");
    QTest::newRow("ListaProceso") << QStringLiteral("ListaProceso") << QByteArray("ProgressList");
    QTest::newRow("lstActividad") << QStringLiteral("lstActividad") << QByteArray("ProgressList");
    QTest::newRow("AltoGrande") << QStringLiteral("AltoGrande") << QByteArray("QLineEdit");
    QTest::newRow("AnchoGrande") << QStringLiteral("AnchoGrande") << QByteArray("QLineEdit");
    QTest::newRow("AltoPeque") << QStringLiteral("AltoPeque") << QByteArray("QLineEdit");
    QTest::newRow("AnchoPeque") << QStringLiteral("AnchoPeque") << QByteArray("QLineEdit");
    QTest::newRow("MasMenosAlG") << QStringLiteral("MasMenosAlG") << QByteArray("UpDown");
    QTest::newRow("MasMenosAnG") << QStringLiteral("MasMenosAnG") << QByteArray("UpDown");
    QTest::newRow("MasMenosAlP") << QStringLiteral("MasMenosAlP") << QByteArray("UpDown");
    QTest::newRow("MasMenosAnP") << QStringLiteral("MasMenosAnP") << QByteArray("UpDown");
    QTest::newRow("UpDownAngle") << QStringLiteral("UpDownAngle") << QByteArray("UpDown");
    QTest::newRow("UpDownQuality") << QStringLiteral("UpDownQuality") << QByteArray("QSlider");
    QTest::newRow("SelectionSize") << QStringLiteral("SelectionSize") << QByteArray("QSlider");
    QTest::newRow("Altura") << QStringLiteral("Altura") << QByteArray("QSlider");
    QTest::newRow("SelectionWidth") << QStringLiteral("SelectionWidth") << QByteArray("QSlider");
    QTest::newRow("UpDowni") << QStringLiteral("UpDowni") << QByteArray("QSlider");
    QTest::newRow("UpDownd") << QStringLiteral("UpDownd") << QByteArray("QSlider");
    QTest::newRow("WMTrans") << QStringLiteral("WMTrans") << QByteArray("QSlider");
    QTest::newRow("WMSize") << QStringLiteral("WMSize") << QByteArray("QSlider");
    QTest::newRow("WMHpos") << QStringLiteral("WMHpos") << QByteArray("QSlider");
    QTest::newRow("WMVpos") << QStringLiteral("WMVpos") << QByteArray("QSlider");
    QTest::newRow("SelectionSize2") << QStringLiteral("SelectionSize2") << QByteArray("QSlider");
    QTest::newRow("Altura2") << QStringLiteral("Altura2") << QByteArray("QSlider");
    QTest::newRow("SelectionWidth2i")
        << QStringLiteral("SelectionWidth2i") << QByteArray("QSlider");
    QTest::newRow("SelectionWidth2d")
        << QStringLiteral("SelectionWidth2d") << QByteArray("QSlider");
    QTest::newRow("UpDowni2") << QStringLiteral("UpDowni2") << QByteArray("QSlider");
    QTest::newRow("UpDownd2") << QStringLiteral("UpDownd2") << QByteArray("QSlider");
    QTest::newRow("GreyTolerance") << QStringLiteral("GreyTolerance") << QByteArray("QSlider");
    QTest::newRow("WMTransNum") << QStringLiteral("WMTransNum") << QByteArray("QSlider");
    QTest::newRow("WMSizeNum") << QStringLiteral("WMSizeNum") << QByteArray("QSlider");
    QTest::newRow("WMHPosNum") << QStringLiteral("WMHPosNum") << QByteArray("QSlider");
    QTest::newRow("WMVPosNum") << QStringLiteral("WMVPosNum") << QByteArray("QSlider");
    QTest::newRow("lblJpegQuality") << QStringLiteral("lblJpegQuality") << QByteArray("QLabel");
    QTest::newRow("Label5") << QStringLiteral("Label5") << QByteArray("QLabel");
    QTest::newRow("Label6") << QStringLiteral("Label6") << QByteArray("QLabel");
    QTest::newRow("Label7") << QStringLiteral("Label7") << QByteArray("QLabel");
    QTest::newRow("Label8") << QStringLiteral("Label8") << QByteArray("QLabel");
    QTest::newRow("Label9") << QStringLiteral("Label9") << QByteArray("QLabel");
    QTest::newRow("Texti") << QStringLiteral("Texti") << QByteArray("QLabel");
    QTest::newRow("Textd") << QStringLiteral("Textd") << QByteArray("QLabel");
    QTest::newRow("lblFileNamei") << QStringLiteral("lblFileNamei") << QByteArray("QLabel");
    QTest::newRow("lblSizei") << QStringLiteral("lblSizei") << QByteArray("QLabel");
    QTest::newRow("lblModei") << QStringLiteral("lblModei") << QByteArray("QLabel");
    QTest::newRow("lblFileNamed") << QStringLiteral("lblFileNamed") << QByteArray("QLabel");
    QTest::newRow("LblSized") << QStringLiteral("LblSized") << QByteArray("QLabel");
    QTest::newRow("lblModed") << QStringLiteral("lblModed") << QByteArray("QLabel");
    QTest::newRow("lblFileName") << QStringLiteral("lblFileName") << QByteArray("QLabel");
    QTest::newRow("lblSize") << QStringLiteral("lblSize") << QByteArray("QLabel");
    QTest::newRow("lblMode") << QStringLiteral("lblMode") << QByteArray("QLabel");
    QTest::newRow("Label17") << QStringLiteral("Label17") << QByteArray("QLabel");
    QTest::newRow("lblFileNamei2") << QStringLiteral("lblFileNamei2") << QByteArray("QLabel");
    QTest::newRow("lblSizei2") << QStringLiteral("lblSizei2") << QByteArray("QLabel");
    QTest::newRow("lblModei2") << QStringLiteral("lblModei2") << QByteArray("QLabel");
    QTest::newRow("lblFileNamed2") << QStringLiteral("lblFileNamed2") << QByteArray("QLabel");
    QTest::newRow("lblSized2") << QStringLiteral("lblSized2") << QByteArray("QLabel");
    QTest::newRow("lblModed2") << QStringLiteral("lblModed2") << QByteArray("QLabel");
    QTest::newRow("Cancelar") << QStringLiteral("Cancelar") << QByteArray("ClickLabel");
    QTest::newRow("Cancelar2") << QStringLiteral("Cancelar2") << QByteArray("ClickLabel");
    QTest::newRow("Imagen") << QStringLiteral("Imagen") << QByteArray("ImageBox");
    QTest::newRow("PaginaIzq") << QStringLiteral("PaginaIzq") << QByteArray("ImageBox");
    QTest::newRow("PaginaDch") << QStringLiteral("PaginaDch") << QByteArray("ImageBox");
    QTest::newRow("ImagenGrande") << QStringLiteral("ImagenGrande") << QByteArray("ImageBox");
    QTest::newRow("ImgWM") << QStringLiteral("ImgWM") << QByteArray("ImageBox");
    QTest::newRow("ImgPlantilla") << QStringLiteral("ImgPlantilla") << QByteArray("ImageBox");
    QTest::newRow("WMGrande") << QStringLiteral("WMGrande") << QByteArray("ImageBox");
    QTest::newRow("Imagen2") << QStringLiteral("Imagen2") << QByteArray("ImageBox");
    QTest::newRow("ImgPreview") << QStringLiteral("ImgPreview") << QByteArray("ImageBox");
    QTest::newRow("ImgWMNum") << QStringLiteral("ImgWMNum") << QByteArray("ImageBox");
    QTest::newRow("ImgPlantillaNum") << QStringLiteral("ImgPlantillaNum") << QByteArray("ImageBox");
    QTest::newRow("WMGrandeNum") << QStringLiteral("WMGrandeNum") << QByteArray("ImageBox");
    QTest::newRow("optIzquierda") << QStringLiteral("optIzquierda") << QByteArray("QRadioButton");
    QTest::newRow("optDerecha") << QStringLiteral("optDerecha") << QByteArray("QRadioButton");
    QTest::newRow("ImageSource") << QStringLiteral("ImageSource") << QByteArray("PictureBox");
    QTest::newRow("ImageTarget") << QStringLiteral("ImageTarget") << QByteArray("PictureBox");
    QTest::newRow("cbMagikNon(0)") << QStringLiteral("cbMagikNon(0)") << QByteArray("ComboBox");
    QTest::newRow("lblMagicNon(0)") << QStringLiteral("lblMagicNon(0)") << QByteArray("QLineEdit");
    QTest::newRow("infoMagikTextNon(0)")
        << QStringLiteral("infoMagikTextNon(0)") << QByteArray("QLabel");
    QTest::newRow("cbMagicPar(0)") << QStringLiteral("cbMagicPar(0)") << QByteArray("ComboBox");
    QTest::newRow("lblMagikPar(0)") << QStringLiteral("lblMagikPar(0)") << QByteArray("QLineEdit");
    QTest::newRow("infoMagikTextPar(0)")
        << QStringLiteral("infoMagikTextPar(0)") << QByteArray("QLabel");
    QTest::newRow("cbMagikNon(1)") << QStringLiteral("cbMagikNon(1)") << QByteArray("ComboBox");
    QTest::newRow("lblMagicNon(1)") << QStringLiteral("lblMagicNon(1)") << QByteArray("QLineEdit");
    QTest::newRow("infoMagikTextNon(1)")
        << QStringLiteral("infoMagikTextNon(1)") << QByteArray("QLabel");
    QTest::newRow("cbMagicPar(1)") << QStringLiteral("cbMagicPar(1)") << QByteArray("ComboBox");
    QTest::newRow("lblMagikPar(1)") << QStringLiteral("lblMagikPar(1)") << QByteArray("QLineEdit");
    QTest::newRow("infoMagikTextPar(1)")
        << QStringLiteral("infoMagikTextPar(1)") << QByteArray("QLabel");
    QTest::newRow("cbMagikNon(2)") << QStringLiteral("cbMagikNon(2)") << QByteArray("ComboBox");
    QTest::newRow("lblMagicNon(2)") << QStringLiteral("lblMagicNon(2)") << QByteArray("QLineEdit");
    QTest::newRow("infoMagikTextNon(2)")
        << QStringLiteral("infoMagikTextNon(2)") << QByteArray("QLabel");
    QTest::newRow("cbMagicPar(2)") << QStringLiteral("cbMagicPar(2)") << QByteArray("ComboBox");
    QTest::newRow("lblMagikPar(2)") << QStringLiteral("lblMagikPar(2)") << QByteArray("QLineEdit");
    QTest::newRow("infoMagikTextPar(2)")
        << QStringLiteral("infoMagikTextPar(2)") << QByteArray("QLabel");
    QTest::newRow("cbMagikNon(3)") << QStringLiteral("cbMagikNon(3)") << QByteArray("ComboBox");
    QTest::newRow("lblMagicNon(3)") << QStringLiteral("lblMagicNon(3)") << QByteArray("QLineEdit");
    QTest::newRow("infoMagikTextNon(3)")
        << QStringLiteral("infoMagikTextNon(3)") << QByteArray("QLabel");
    QTest::newRow("cbMagicPar(3)") << QStringLiteral("cbMagicPar(3)") << QByteArray("ComboBox");
    QTest::newRow("lblMagikPar(3)") << QStringLiteral("lblMagikPar(3)") << QByteArray("QLineEdit");
    QTest::newRow("infoMagikTextPar(3)")
        << QStringLiteral("infoMagikTextPar(3)") << QByteArray("QLabel");
    QTest::newRow("cbMagikNon(4)") << QStringLiteral("cbMagikNon(4)") << QByteArray("ComboBox");
    QTest::newRow("lblMagicNon(4)") << QStringLiteral("lblMagicNon(4)") << QByteArray("QLineEdit");
    QTest::newRow("infoMagikTextNon(4)")
        << QStringLiteral("infoMagikTextNon(4)") << QByteArray("QLabel");
    QTest::newRow("cbMagicPar(4)") << QStringLiteral("cbMagicPar(4)") << QByteArray("ComboBox");
    QTest::newRow("lblMagikPar(4)") << QStringLiteral("lblMagikPar(4)") << QByteArray("QLineEdit");
    QTest::newRow("infoMagikTextPar(4)")
        << QStringLiteral("infoMagikTextPar(4)") << QByteArray("QLabel");
}

void AppTest::everyControlExistsWithItsKind() {
    QFETCH(QString, name);
    QFETCH(QByteArray, kind);
    QWidget* c = shared_->window->control(name);
    QVERIFY2(c, qPrintable(name));
    QCOMPARE(c->objectName(), name);
    QVERIFY2(c->inherits(kind.constData()), c->metaObject()->className());
}

void AppTest::controlNamesAreUnique() {
    WindowFixture f;
    QSet<QString> names;
    for (QWidget* c : f.window->controls()) {
        QVERIFY(!c->objectName().isEmpty());
        QVERIFY2(!names.contains(c->objectName()), qPrintable(c->objectName()));
        names.insert(c->objectName());
    }
}

void AppTest::acceptVersusInteractiveWithSubtree_data() {
    QTest::addColumn<bool>("interactive");
    QTest::addColumn<int>("acceptOpens");
    QTest::addColumn<bool>("tab1AfterClick");
    QTest::newRow("subtree only") << false << 1 << false;
    QTest::newRow("interactive") << true << 4 << false;
}

void AppTest::acceptVersusInteractiveWithSubtree() {
    QFETCH(bool, interactive);
    QFETCH(int, acceptOpens);
    QFETCH(bool, tab1AfterClick);
    WindowFixture f;
    MainWindow& w = *f.window;
    w.chkSubTree->setChecked(true);
    w.Interactivo->setChecked(interactive); // runs Interactivo_Click when it changes
    w.Interactivo_Click();
    QCOMPARE(w.SSTab1->isTabEnabled(1), tab1AfterClick);
    QVERIFY(w.SSTab1->isTabEnabled(4));
    QCOMPARE(w.SSTab1->currentIndex(), 0); // the click does not change the current tab

    w.AceptaConfig->click();
    QCOMPARE(w.SSTab1->currentIndex(), acceptOpens);
    QCOMPARE(w.SSTab1->isTabEnabled(1), acceptOpens == 1);
    QCOMPARE(w.SSTab1->isTabEnabled(4), acceptOpens == 4);
}

void AppTest::thumbnailAndSizeRules() {
    WindowFixture f;
    MainWindow& w = *f.window;
    w.HacerMini->setChecked(true);
    for (QWidget* c : std::initializer_list<QWidget*>{w.AnchoPeque, w.AltoPeque, w.MasMenosAlP,
                                                      w.MasMenosAnP, w.TipoPeque})
        QVERIFY2(enabledFlag(c), qPrintable(c->objectName()));
    w.NoReducir->setChecked(true);
    for (QWidget* c :
         std::initializer_list<QWidget*>{w.AltoGrande, w.AnchoGrande, w.MasMenosAlG, w.MasMenosAnG})
        QVERIFY2(!enabledFlag(c), qPrintable(c->objectName()));
    w.NoReducir->setChecked(false);
    QVERIFY(enabledFlag(w.AltoGrande));
}

void AppTest::spreadRulesAndRightPageControls() {
    WindowFixture f;
    MainWindow& w = *f.window;
    w.ChkSepara2Img->setChecked(false);
    QCOMPARE(w.v.NumPaginas, 1.0f);
    for (QWidget* c : std::initializer_list<QWidget*>{w.UpDownd, w.PaginaDch}) {
        QVERIFY(!enabledFlag(c));
        QVERIFY(!visibleFlag(c));
    }
    QVERIFY(!visibleFlag(w.Textd));
    for (QWidget* c : std::initializer_list<QWidget*>{w.optDerecha, w.UpDownd2, w.SelectionWidth2d})
        QVERIFY2(!enabledFlag(c), qPrintable(c->objectName()));
    w.ChkSepara2Img->setChecked(true);
    QCOMPARE(w.v.NumPaginas, 2.0f);
    for (QWidget* c : std::initializer_list<QWidget*>{w.UpDownd, w.PaginaDch, w.optDerecha,
                                                      w.UpDownd2, w.SelectionWidth2d})
        QVERIFY2(enabledFlag(c), qPrintable(c->objectName()));
    QVERIFY(visibleFlag(w.Textd));
}

void AppTest::subtreeModeSwapsListsAndTabs() {
    WindowFixture f;
    MainWindow& w = *f.window;
    w.chkSubTree->setChecked(true);
    QVERIFY(enabledFlag(w.cmdLoadTree));
    QVERIFY(!enabledFlag(w.CortaUna));
    QVERIFY(!visibleFlag(w.Files));
    QVERIFY(!visibleFlag(w.LocalFiles));
    QVERIFY(visibleFlag(w.lstTree));
    QVERIFY(visibleFlag(w.lstTreeAuto));
    QVERIFY(!w.SSTab1->isTabEnabled(1));
    QVERIFY(w.SSTab1->isTabEnabled(4));
    QVERIFY(!w.SSTab1->isTabEnabled(7));
    w.chkSubTree->setChecked(false);
    QVERIFY(w.SSTab1->isTabEnabled(7));
    QVERIFY(w.SSTab1->isTabEnabled(1));
    QVERIFY(!enabledFlag(w.cmdLoadTree));
}

void AppTest::leavingSubtreeModePointsListsAtTheFolder() {
    WindowFixture f({},
                    {QStringLiteral("a.jpg"), QStringLiteral("b.JPEG"), QStringLiteral("c.png")});
    MainWindow& w = *f.window;
    QDir(f.path(QStringLiteral("scans"))).mkdir(QStringLiteral("otra"));
    WindowFixture::touch(f.path(QStringLiteral("scans/otra/x.jpg")));
    w.chkSubTree->setChecked(true);
    QVERIFY(w.Dirs->setPath(f.path(QStringLiteral("scans/otra"))));
    w.Files->setCurrentRow(0);
    w.chkSubTree->setChecked(false);
    const QString otra = QDir::toNativeSeparators(f.path(QStringLiteral("scans/otra")));
    QCOMPARE(w.Files->path(), otra);
    QCOMPARE(w.LocalFiles->path(), otra);
    QCOMPARE(w.v.CarpetaActual, otra);
    QCOMPARE(w.Files->count(), 1);
    QCOMPARE(w.Files->fileName(), QString());
    QCOMPARE(w.LocalFiles->fileName(), QString());
}

void AppTest::watermarkRules() {
    WindowFixture f;
    MainWindow& w = *f.window;
    w.WMActivo->setChecked(true);
    w.enabling().ActualizaControles();
    for (QWidget* c : std::initializer_list<QWidget*>{w.FileWM, w.FormatoWM, w.WMTrans, w.WMSize,
                                                      w.WMHpos, w.WMVpos})
        QVERIFY2(enabledFlag(c), qPrintable(c->objectName()));
    QVERIFY(!enabledFlag(w.LeerWm)); // no page has been cut yet
    w.v.PaginaCortada = true;
    w.enabling().ActualizaControles();
    QVERIFY(enabledFlag(w.LeerWm));
}

void AppTest::everyClickResetsTheReferenceSize() {
    WindowFixture f;
    MainWindow& w = *f.window;
    for (QCheckBox* box : {w.HacerMini, w.NoReducir, w.ChkSepara2Img, w.chkSubTree}) {
        w.v.HimetricPorTwip = 12.5;
        box->click();
        QVERIFY2(w.v.HimetricPorTwip == 0, qPrintable(box->objectName()));
    }
}

void AppTest::lockingKeepsEffectsAndCancelUsable() {
    WindowFixture f;
    MainWindow& w = *f.window;
    w.HacerMini->setChecked(true);
    w.enabling().BloqueaControles();
    QSet<QWidget*> usable = {w.CheckMagik, w.MagikisCopy, w.Cancelar, w.Cancelar2};
    for (int k = 0; k < 4; ++k)
        usable += {w.cbMagikNon[k], w.lblMagicNon[k], w.cbMagicPar[k], w.lblMagikPar[k]};
    for (QWidget* c : w.controls())
        QVERIFY2(enabledFlag(c) == usable.contains(c), qPrintable(c->objectName()));
    // The cancel label can really be clicked: nothing around it is locked.
    QVERIFY(w.Cancelar->isEnabledTo(&w));

    w.enabling().DesbloqueaControles();
    QVERIFY(enabledFlag(w.CortaLote));
    QVERIFY(enabledFlag(w.TipoPeque));
    QVERIFY(enabledFlag(w.cbMagikNon[4])); // unlocking enables everything the rules allow
    QVERIFY(!enabledFlag(w.LeerWm));
}

void AppTest::unlockAfterCancelKeepsInteractiveCutsOff() {
    WindowFixture f;
    MainWindow& w = *f.window;
    w.enabling().BloqueaControles();
    w.v.ProcesoCancelado = true;
    w.enabling().DesbloqueaControles();
    QVERIFY(!enabledFlag(w.cmdICorte));
    QVERIFY(!enabledFlag(w.cmdICLote));
    QVERIFY(enabledFlag(w.cmdICPrueba));
    w.v.ProcesoCancelado = false;
    w.enabling().DesbloqueaControles();
    QVERIFY(enabledFlag(w.cmdICorte));
    QVERIFY(enabledFlag(w.cmdICLote));
}

void AppTest::upDownWritesItsTextBox() {
    WindowFixture f;
    MainWindow& w = *f.window;
    QSignalSpy edits(w.AltoGrande, &QLineEdit::textChanged);
    w.MasMenosAlG->setValue(1200);
    QCOMPARE(w.AltoGrande->text(), QStringLiteral("1200"));
    QCOMPARE(edits.count(), 1);
    w.MasMenosAlG->setValue(5000);
    QCOMPARE(w.MasMenosAlG->value(), 3000);
    QCOMPARE(w.AltoGrande->text(), QStringLiteral("3000"));
}

// Sizes a list to show exactly ten lines, as the rule assumes.
static void showTenRows(ProgressList& list) {
    list.addItem(QStringLiteral("probe"));
    const int row = list.sizeHintForRow(0);
    list.clear();
    list.resize(200, 10 * row + 2 * list.frameWidth());
    list.show();
}

void AppTest::progressListScrollRule_data() {
    QTest::addColumn<int>("lines");
    for (int n = 1; n <= 25; ++n)
        QTest::addRow("%d lines", n) << n;
}

void AppTest::progressListScrollRule() {
    QFETCH(int, lines);
    ProgressList list;
    showTenRows(list);
    for (int i = 0; i < lines; ++i)
        list.appendLine(QStringLiteral("line %1").arg(i));
    const int expectedTop = lines <= 10 ? 0 : lines - 10;
    QCOMPARE(ProgressList::topIndexAfterAppend(lines), expectedTop);
    QCOMPARE(list.listIndex(), lines - 1);
    QCOMPARE(list.topIndex(), expectedTop);
}

void AppTest::headerAndNamePairs() {
    ProgressList list;
    showTenRows(list);
    QSignalSpy appended(&list, &ProgressList::lineAppended);
    for (int i = 0; i < 8; ++i) {
        list.appendHeader(QStringLiteral("Leyendo imagen ..."));
        QCOMPARE(list.listIndex(), i == 0 ? -1 : 2 * i - 1); // a header alone selects nothing
        list.appendLine(QStringLiteral("LIBRO%1.JPG").arg(i));
    }
    QCOMPARE(list.count(), 16);
    QCOMPARE(list.listIndex(), 15);
    QCOMPARE(list.topIndex(), 6); // the last header and its name are both in view
    QCOMPARE(appended.count(), 16);
}

void AppTest::cancelLineSelectsOnItsOwnList() {
    WindowFixture f;
    MainWindow& w = *f.window;
    for (int i = 0; i < 7; ++i)
        w.ListaProceso->appendLine(QStringLiteral("x"));
    for (int i = 0; i < 3; ++i)
        w.lstActividad->appendLine(QStringLiteral("y"));
    w.lstActividad->appendCancelLine(QStringLiteral("PROCESO CANCELADO"));
    QCOMPARE(w.lstActividad->listIndex(), 3);
    QCOMPARE(w.lstActividad->currentItem()->text(), QStringLiteral("PROCESO CANCELADO"));
    QCOMPARE(w.ListaProceso->listIndex(), 6);
}

void AppTest::numericValueOfText_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value");
    QTest::newRow("number") << "958" << 958.0;
    QTest::newRow("leading blanks and unit") << "  695 px" << 695.0;
    QTest::newRow("decimal") << "12.75x" << 12.75;
    QTest::newRow("negative") << "-40" << -40.0;
    QTest::newRow("empty") << "" << 0.0;
    QTest::newRow("no number") << "abc" << 0.0;
    QTest::newRow("sign alone") << "-" << 0.0;
    QTest::newRow("number later") << "x12" << 0.0;
}

void AppTest::numericValueOfText() {
    QFETCH(QString, text);
    QFETCH(double, value);
    QCOMPARE(::numericValueOfText(text), value);
}

void AppTest::minAndRounding() {
    QCOMPARE(Min(10, 3), 3);
    QCOMPARE(Min(3, 10), 3);
    QCOMPARE(Min(10, 10), 10);
    QCOMPARE(roundHalfEven(2.5), 2.0);
    QCOMPARE(roundHalfEven(3.5), 4.0);
    QCOMPARE(roundHalfEven(-0.5), -0.0);
    QCOMPARE(roundToInt32(1240.5), 1240);
}

void AppTest::tabsHoldTheirControlsWithoutOverlapOrClipping_data() {
    QTest::addColumn<int>("tab");
    QTest::addColumn<bool>("interactive");
    for (int tab = 0; tab < 8; ++tab)
        QTest::addRow("tab %d", tab) << tab << false;
    QTest::newRow("tab 4, interactive") << 4 << true;
}

// Every shown widget of a tab lies inside its parent, no two shown siblings overlap, and every
// caption fits its control.
void AppTest::tabsHoldTheirControlsWithoutOverlapOrClipping() {
    QFETCH(int, tab);
    QFETCH(bool, interactive);
    WindowFixture f;
    MainWindow& w = *f.window;
    w.Interactivo->setChecked(interactive);
    w.SSTab1->setTabEnabled(tab, true);
    w.SSTab1->setCurrentIndex(tab);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QWidget* page = w.SSTab1->widget(tab);
    QVERIFY(page->isVisible());

    const QByteArray artifacts = qgetenv("PLIEGO_TEST_ARTIFACTS");
    if (!artifacts.isEmpty()) {
        QDir().mkpath(QString::fromLocal8Bit(artifacts));
        w.grab().save(QStringLiteral("%1/tab%2%3.png")
                          .arg(QString::fromLocal8Bit(artifacts))
                          .arg(tab)
                          .arg(interactive ? QStringLiteral("-interactive") : QString()));
    }

    QList<QWidget*> parents = {page};
    for (QGroupBox* frame : page->findChildren<QGroupBox*>())
        parents << frame;
    for (QWidget* parent : parents) {
        if (!parent->isVisible())
            continue;
        QList<QWidget*> shown;
        for (QWidget* child : parent->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            if (child->isVisible() && !child->isWindow())
                shown << child;
        }
        for (int i = 0; i < shown.size(); ++i) {
            QWidget* c = shown[i];
            const QString name = c->objectName();
            QVERIFY2(parent->rect().contains(c->geometry()),
                     qPrintable(QStringLiteral("%1 sticks out of its frame").arg(name)));
            for (int j = i + 1; j < shown.size(); ++j) {
                QVERIFY2(!c->geometry().intersects(shown[j]->geometry()),
                         qPrintable(QStringLiteral("%1 overlaps %2 (%3)")
                                        .arg(name, shown[j]->objectName(),
                                             shown[j]->metaObject()->className())));
            }
            const auto* label = qobject_cast<QLabel*>(c);
            const bool captioned = c->inherits("QAbstractButton") ||
                                   (label && !label->wordWrap() && !label->text().isEmpty());
            if (captioned) {
                QVERIFY2(c->sizeHint().width() <= c->width(),
                         qPrintable(QStringLiteral("the caption of %1 is cut off (%2 < %3)")
                                        .arg(name)
                                        .arg(c->width())
                                        .arg(c->sizeHint().width())));
            }
        }
    }
}

QTEST_MAIN(AppTest)
#include "test_app.moc"
