#include "WindowFixture.h"

#include "app/BookPdfTab.h"
#include "app/ClickLabel.h"
#include "app/ComboBox.h"
#include "app/ControlState.h"
#include "app/EnablingRules.h"
#include "app/ImageBox.h"
#include "app/ProgressList.h"
#include "app/UpDown.h"
#include "sources/FileList.h"
#include "sources/FolderList.h"
#include "util/Numbers.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QSlider>
#include <QTabBar>
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
    void fixedChoiceBoxesTakeOnlyTheirRows();
    void slidersSayTheirValue_data();
    void slidersSayTheirValue();
    void progressListsReachTheEndOfLongLines();
    void formScrollsOnASmallScreen();
    void bookTabFollowsTheCropAndTheOperator();
    void clickMakesTheBookWhileTheWindowAnswers();

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
    QCOMPARE(w.SSTab1->count(), 9);
    QCOMPARE(w.SSTab1->currentIndex(), 0);
    QCOMPARE(w.SSTab1->tabText(4), QStringLiteral("Recorte Interarctivo"));
    QCOMPARE(w.SSTab1->tabText(7), QStringLiteral("Numeración Páginas"));
    QCOMPARE(w.SSTab1->tabText(8), QStringLiteral("Libro PDF"));
    // Every caption in view at once, without scroll arrows.
    QVERIFY2(w.SSTab1->tabBar()->sizeHint().width() <= w.SSTab1->width(),
             qPrintable(QString::number(w.SSTab1->tabBar()->sizeHint().width())));
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
    const std::pair<const char*, const char*> kinds[] = {
        {"ComboBox", "TipoOrigen TipoGrande TipoPeque ColorBw FormatoWM MagicNonFont MagikNonDato "
                     "MagicParFont MagikParDato IdiomaOCR"},
        {"DriveList", "Drive1"},
        {"FolderList", "Dirs DirWM"},
        {"FileList", "Files LocalFiles LocalFiles2 FileWM FiletoRenum"},
        {"QCheckBox", "chkSubTree ChkSepara2Img NoReducir Interactivo HacerMini Compresion "
                      "PermiteDistorsion WMActivo chkAlternatepages chkMargenNegro CheckMagik "
                      "MagikisCopy ChkNumeroNon ChkNumeroPar chkOCR"},
        {"QPushButton", "cmdLoadTree AceptaConfig Probar CortaUna CortaLote LeerWm cmdICPrueba "
                        "cmdICorte cmdICLote TestMgkNon TestMgkPar cmdNumPrueba cmdNumProceso "
                        "cmdDetectar cmdICDetectar cmdCrearPDF cmdCancelarPDF"},
        {"QListWidget", "lstTree lstTreeAuto"},
        {"ProgressList", "ListaProceso lstActividad lstNumeracion lstPDF"},
        {"QLineEdit", "AltoGrande AnchoGrande AltoPeque AnchoPeque DirPDF ArchivoPDF TituloPDF "
                      "AutorPDF ResolucionPDF"},
        {"UpDown", "MasMenosAlG MasMenosAnG MasMenosAlP MasMenosAnP UpDownAngle"},
        {"QSlider", "UpDownQuality SelectionSize Altura SelectionWidth UpDowni UpDownd WMTrans "
                    "WMSize WMHpos WMVpos SelectionSize2 Altura2 SelectionWidth2i SelectionWidth2d "
                    "UpDowni2 UpDownd2 GreyTolerance WMTransNum WMSizeNum WMHPosNum WMVPosNum"},
        {"QLabel", "lblJpegQuality Label5 Label6 Label7 Label8 Label9 Texti Textd lblFileNamei "
                   "lblSizei lblModei lblFileNamed LblSized lblModed lblFileName lblSize lblMode "
                   "Label17 lblFileNamei2 lblSizei2 lblModei2 lblFileNamed2 lblSized2 lblModed2"},
        {"ClickLabel", "Cancelar Cancelar2"},
        {"ImageBox", "Imagen PaginaIzq PaginaDch ImagenGrande ImgWM ImgPlantilla WMGrande Imagen2 "
                     "ImgPreview ImgWMNum ImgPlantillaNum WMGrandeNum"},
        {"QRadioButton", "optIzquierda optDerecha"},
        {"PictureBox", "ImageSource ImageTarget"},
    };
    for (const auto& [kind, names] : kinds) {
        for (const QString& name : QString::fromLatin1(names).split(' '))
            QTest::newRow(qPrintable(name)) << name << QByteArray(kind);
    }
    const std::pair<const char*, const char*> arrays[] = {
        {"cbMagikNon", "ComboBox"}, {"lblMagicNon", "QLineEdit"}, {"infoMagikTextNon", "QLabel"},
        {"cbMagicPar", "ComboBox"}, {"lblMagikPar", "QLineEdit"}, {"infoMagikTextPar", "QLabel"},
    };
    for (const auto& [array, kind] : arrays) {
        for (int k = 0; k < 5; ++k) {
            const QString name = QStringLiteral("%1(%2)").arg(QLatin1String(array)).arg(k);
            QTest::newRow(qPrintable(name)) << name << QByteArray(kind);
        }
    }
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
    QVERIFY(w.SSTab1->isTabEnabled(8));
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
    for (int tab = 0; tab < 9; ++tab)
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
    // The longest texts of the effect rows: their caption and a hint.
    w.CheckMagik->setChecked(true);
    w.cbMagikNon[0]->setListIndex(2);
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
            if (const auto* combo = qobject_cast<ComboBox*>(c); combo && combo->isEditable()) {
                const int room = combo->lineEdit()->contentsRect().width() - 4;
                const int needed = combo->fontMetrics().horizontalAdvance(combo->text());
                QVERIFY2(needed <= room,
                         qPrintable(QStringLiteral("the text of %1 is cut off (%2 < %3)")
                                        .arg(name)
                                        .arg(room)
                                        .arg(needed)));
            }
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

// "Formato de Color" and the watermark format take only their rows, from code or a script; a
// click anywhere on them opens the list.
void AppTest::fixedChoiceBoxesTakeOnlyTheirRows() {
    WindowFixture f;
    MainWindow& w = *f.window;
    for (ComboBox* box : {w.ColorBw, w.FormatoWM}) {
        QVERIFY(!box->isEditable());
        const QString shown = box->text();
        QVERIFY(!box->setText(QStringLiteral("Colores raros")));
        QCOMPARE(box->text(), shown);
        QVERIFY(box->setText(box->itemText(1)));
        QCOMPARE(box->listIndex(), 1);
    }
    QVERIFY(w.TipoOrigen->setText(QStringLiteral("Imágenes raras"))); // a free box takes any text
    QCOMPARE(w.TipoOrigen->listIndex(), -1);

    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QTest::mouseClick(w.ColorBw, Qt::LeftButton, {}, QPoint(10, w.ColorBw->height() / 2));
    QTRY_VERIFY(w.ColorBw->view()->isVisible());
    w.ColorBw->hidePopup();
}

void AppTest::slidersSayTheirValue_data() {
    QTest::addColumn<QString>("slider");
    QTest::addColumn<int>("value");
    QTest::addColumn<QString>("tip");
    QTest::newRow("intensity") << "WMTrans" << 70 << "70 %";
    QTest::newRow("size") << "WMSizeNum" << 35 << "35 %";
    QTest::newRow("position") << "WMHpos" << 550 << "550 píxeles";
    QTest::newRow("one pixel") << "WMVPosNum" << 1 << "1 píxel";
}

void AppTest::slidersSayTheirValue() {
    QFETCH(QString, slider);
    QFETCH(int, value);
    WindowFixture f;
    auto* bar = qobject_cast<QSlider*>(f.window->control(slider));
    QVERIFY(bar);
    bar->setMaximum(std::max(bar->maximum(), value));
    bar->setValue(value);
    QTEST(bar->toolTip(), "tip");
}

// A line wider than its list can be scrolled to, whatever lines came before and after it, and
// reads whole as its tooltip.
void AppTest::progressListsReachTheEndOfLongLines() {
    ProgressList list;
    list.resize(246, 288);
    list.show();
    QVERIFY(QTest::qWaitForWindowExposed(&list));
    const QString reason =
        QStringLiteral("No se pudo cortar libro001.jpg: no queda espacio en el disco de destino");
    list.appendLine(QStringLiteral("Leyendo imagen ..."));
    list.appendLine(reason);
    for (int i = 0; i < 30; ++i)
        list.appendLine(QStringLiteral("LIBRO%1.JPG").arg(i));
    QCoreApplication::processEvents();
    const int overhang = list.fontMetrics().horizontalAdvance(reason) - list.viewport()->width();
    QVERIFY(overhang > 0);
    QVERIFY2(list.horizontalScrollBar()->maximum() >= overhang,
             qPrintable(QString::number(list.horizontalScrollBar()->maximum())));
    QCOMPARE(list.item(1)->toolTip(), reason);
    list.clear();
    list.appendLine(QStringLiteral("corta"));
    QCoreApplication::processEvents();
    QCOMPARE(list.horizontalScrollBar()->maximum(), 0);
}

// At 800 × 600 the window shows part of the form and scrolls to the rest; the form and its
// controls keep their size and places, and a control out of view still works.
void AppTest::formScrollsOnASmallScreen() {
    WindowFixture f;
    MainWindow& w = *f.window;
    w.resize(800, 600);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    auto* area = w.findChild<QScrollArea*>(QStringLiteral("formArea"));
    QVERIFY(area);
    QCOMPARE(area->widget(), w.SSTab1);
    QCOMPARE(w.SSTab1->size(), QSize(MainWindow::kClientWidth, MainWindow::kClientHeight));
    QVERIFY(area->horizontalScrollBar()->isVisible() && area->verticalScrollBar()->isVisible());
    QCOMPARE(area->verticalScrollBar()->maximum(),
             MainWindow::kClientHeight - area->viewport()->height());
    area->ensureWidgetVisible(w.AceptaConfig);
    QCOMPARE(area->verticalScrollBar()->value(), area->verticalScrollBar()->maximum());
    QTest::mouseClick(w.AceptaConfig, Qt::LeftButton);
    QCOMPARE(w.SSTab1->currentIndex(), 1);

    w.resize(MainWindow::kClientWidth, MainWindow::kClientHeight);
    QTRY_VERIFY(!area->verticalScrollBar()->isVisible());
    QVERIFY(!area->horizontalScrollBar()->isVisible());
    QCOMPARE(w.maximumSize(), QSize(MainWindow::kClientWidth, MainWindow::kClientHeight));
}

// The pages folder is the last one a crop run wrote into; the PDF's name follows it until the
// operator writes one of their own, and again once they empty the box. The languages offered are
// those with data in Tesseract's folder.
void AppTest::bookTabFollowsTheCropAndTheOperator() {
    QTemporaryDir tessdata;
    for (const char* data : {"eng", "spa", "osd"})
        WindowFixture::touch(tessdata.filePath(QLatin1String(data) + ".traineddata"));
    const QByteArray before = qgetenv("TESSDATA_PREFIX");
    qputenv("TESSDATA_PREFIX", tessdata.path().toLocal8Bit());
    WindowFixture f;
    qputenv("TESSDATA_PREFIX", before);
    MainWindow& w = *f.window;
    QCOMPARE(w.IdiomaOCR->text(), QStringLiteral("spa+eng"));
    QCOMPARE(w.IdiomaOCR->count(), 3);
    QCOMPARE(w.ResolucionPDF->text(), QStringLiteral("300"));
    QCOMPARE(w.DirPDF->text(), QString());

    const QString libro7 = f.path(QStringLiteral("libro7/jpeg_big"));
    emit w.pagesWritten(libro7);
    QCOMPARE(w.DirPDF->text(), libro7);
    QCOMPARE(w.ArchivoPDF->text(), f.path(QStringLiteral("libro7/libro7.pdf")));

    QTest::keyClicks(w.ArchivoPDF, QStringLiteral("x"));
    emit w.pagesWritten(f.path(QStringLiteral("libro8/jpeg_big")));
    QCOMPARE(w.DirPDF->text(), f.path(QStringLiteral("libro8/jpeg_big")));
    QCOMPARE(w.ArchivoPDF->text(), f.path(QStringLiteral("libro7/libro7.pdfx")));

    w.ArchivoPDF->clear();
    w.DirPDF->setText(f.path(QStringLiteral("libro9/jpeg_big")));
    QCOMPARE(w.ArchivoPDF->text(), f.path(QStringLiteral("libro9/libro9.pdf")));

    // Whatever the crop tabs say, the tab is there.
    w.Interactivo->setChecked(true);
    w.chkSubTree->setChecked(true);
    QVERIFY(w.SSTab1->isTabEnabled(8));
}

// A person's click makes the PDF off the window's thread: the lines come in while the window
// handles its events, the button stays off until the run ends, and a crop run's lock in the
// meantime keeps the run's cancel button.
void AppTest::clickMakesTheBookWhileTheWindowAnswers() {
    WindowFixture f;
    MainWindow& w = *f.window;
    const QString pages = f.path(QStringLiteral("libro/jpeg_big"));
    QDir().mkpath(pages);
    for (int n = 1; n <= 3; ++n) {
        QImage page(120, 160, QImage::Format_RGB32);
        page.fill(Qt::white);
        QVERIFY(page.save(QStringLiteral("%1/%2.jpg").arg(pages).arg(n)));
    }
    w.SSTab1->setCurrentIndex(8);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.DirPDF->setText(pages);
    QList<bool> createUsable;
    connect(w.lstPDF, &ProgressList::lineAppended, this,
            [&] { createUsable << enabledFlag(w.cmdCrearPDF); });
    QSignalSpy ended(&w.bookPdf(), &BookPdfTab::runEnded);

    QTest::mouseClick(w.cmdCrearPDF, Qt::LeftButton);
    QVERIFY(w.bookPdf().isRunning());
    QVERIFY(!enabledFlag(w.cmdCrearPDF));
    QVERIFY(enabledFlag(w.cmdCancelarPDF));
    w.enabling().BloqueaControles();
    QVERIFY(enabledFlag(w.cmdCancelarPDF));
    w.enabling().DesbloqueaControles();
    QVERIFY(!enabledFlag(w.cmdCrearPDF));

    QVERIFY(ended.wait(20000));
    const QString pdf = f.path(QStringLiteral("libro/libro.pdf"));
    QVERIFY(QFileInfo(pdf).size() > 0);
    QCOMPARE(w.lstPDF->count(), 5); // three pages, the writing, the result
    QVERIFY2(w.lstPDF->item(4)->text().startsWith(QStringLiteral("PDF escrito: ") + pdf),
             qPrintable(w.lstPDF->item(4)->text()));
    QCOMPARE(createUsable, QList<bool>(5, false));
    QVERIFY(enabledFlag(w.cmdCrearPDF));
    QVERIFY(!enabledFlag(w.cmdCancelarPDF));
}

QTEST_MAIN(AppTest)
#include "test_app.moc"
