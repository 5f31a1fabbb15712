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

#include <QCheckBox>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QSlider>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>

class AppTest : public QObject {
    Q_OBJECT
private slots:
    void startState();
    void fontListsFollowTheToolFolder();
    void controlsHaveTheirNamesAndKinds();
    void acceptVersusInteractiveWithSubtree_data();
    void acceptVersusInteractiveWithSubtree();
    void spreadRulesAndRightPageControls();
    void watermarkRules();
    void lockingKeepsEffectsAndCancelUsable();
    void unlockAfterCancelKeepsInteractiveCutsOff();
    void progressListScrollRule_data();
    void progressListScrollRule();
    void headerAndNamePairs();
    void numericValueOfText_data();
    void numericValueOfText();
    void tabsHoldTheirControlsWithoutOverlapOrClipping_data();
    void tabsHoldTheirControlsWithoutOverlapOrClipping();
    void fixedChoiceBoxesTakeOnlyTheirRows();
    void progressListsReachTheEndOfLongLines();
    void bookTabFollowsTheCropAndTheOperator();
    void clickMakesTheBookWhileTheWindowAnswers();
};

// At start only the spread and black-margin boxes are ticked, every tab's caption is in view
// without scroll arrows, and the effect rows stay empty and locked until effects are ticked.
void AppTest::startState() {
    WindowFixture f;
    MainWindow& w = *f.window;
    const QList<QCheckBox*> boxes = w.findChildren<QCheckBox*>();
    QVERIFY(boxes.size() >= 14);
    for (QCheckBox* box : boxes) {
        const bool ticked = box == w.ChkSepara2Img || box == w.chkMargenNegro;
        QVERIFY2(box->isChecked() == ticked, qPrintable(box->objectName()));
    }
    QVERIFY(w.optIzquierda->isChecked());
    QVERIFY2(w.SSTab1->tabBar()->sizeHint().width() <= w.SSTab1->width(),
             qPrintable(QString::number(w.SSTab1->tabBar()->sizeHint().width())));
    for (QWidget* c : std::initializer_list<QWidget*>{w.cmdLoadTree, w.LeerWm, w.WMTrans})
        QVERIFY2(!enabledFlag(c), qPrintable(c->objectName()));
    for (int k = 0; k < 5; ++k) {
        QCOMPARE(w.cbMagikNon[k]->count() + w.cbMagicPar[k]->count(), 0);
        for (QWidget* c : std::initializer_list<QWidget*>{w.cbMagikNon[k], w.lblMagicNon[k],
                                                          w.cbMagicPar[k], w.lblMagikPar[k]})
            QVERIFY2(!enabledFlag(c), qPrintable(c->objectName()));
    }
    w.CheckMagik->setChecked(true);
    QCOMPARE(w.cbMagicPar[4]->count(), 7);
    QVERIFY(enabledFlag(w.lblMagikPar[3]));
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

// Scripts and the operator's notes address the controls by these names: each exists once, of
// its kind.
void AppTest::controlsHaveTheirNamesAndKinds() {
    WindowFixture f;
    QSet<QString> names;
    for (QWidget* c : f.window->controls()) {
        QVERIFY(!c->objectName().isEmpty());
        QVERIFY2(!names.contains(c->objectName()), qPrintable(c->objectName()));
        names.insert(c->objectName());
    }
    const std::pair<const char*, const char*> kinds[] = {
        {"ComboBox", "TipoOrigen TipoGrande TipoPeque ColorBw FormatoWM MagicNonFont MagikNonDato "
                     "MagicParFont MagikParDato IdiomaOCR"},
        {"DriveList", "Drive1"},
        {"FolderList", "Dirs DirWM"},
        {"FileList", "Files LocalFiles LocalFiles2 FileWM FiletoRenum"},
        {"QCheckBox",
         "chkSubTree ChkSepara2Img NoReducir Interactivo HacerMini Compresion "
         "PermiteDistorsion WMActivo chkAlternatepages chkMargenNegro CheckMagik "
         "MagikisCopy ChkNumeroNon ChkNumeroPar chkOCR chkSeguirLibro chkICSeguirLibro"},
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
        {"ClickLabel", "Cancelar Cancelar2"},
        {"ImageBox", "Imagen PaginaIzq PaginaDch ImagenGrande ImgWM ImgPlantilla WMGrande Imagen2 "
                     "ImgPreview ImgWMNum ImgPlantillaNum WMGrandeNum"},
        {"QRadioButton", "optIzquierda optDerecha"},
        {"PictureBox", "ImageSource ImageTarget"},
    };
    QStringList expected;
    QList<QByteArray> expectedKinds;
    for (const auto& [kind, list] : kinds)
        for (const QString& name : QString::fromLatin1(list).split(' '))
            expected << name, expectedKinds << QByteArray(kind);
    const std::pair<const char*, const char*> arrays[] = {
        {"cbMagikNon", "ComboBox"}, {"lblMagicNon", "QLineEdit"}, {"infoMagikTextNon", "QLabel"},
        {"cbMagicPar", "ComboBox"}, {"lblMagikPar", "QLineEdit"}, {"infoMagikTextPar", "QLabel"},
    };
    for (const auto& [array, kind] : arrays)
        for (int k = 0; k < 5; ++k)
            expected << QStringLiteral("%1(%2)").arg(QLatin1String(array)).arg(k),
                expectedKinds << QByteArray(kind);
    for (int i = 0; i < expected.size(); ++i) {
        QWidget* c = f.window->control(expected[i]);
        QVERIFY2(c, qPrintable(expected[i]));
        QVERIFY2(c->inherits(expectedKinds[i].constData()),
                 qPrintable(expected[i] + QLatin1String(": ") + c->metaObject()->className()));
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

// The right page's controls follow the spread box both ways.
void AppTest::spreadRulesAndRightPageControls() {
    WindowFixture f;
    MainWindow& w = *f.window;
    for (bool spread : {false, true}) {
        w.ChkSepara2Img->setChecked(spread);
        QCOMPARE(w.v.NumPaginas, spread ? 2.0f : 1.0f);
        for (QWidget* c : std::initializer_list<QWidget*>{w.UpDownd, w.PaginaDch, w.optDerecha,
                                                          w.UpDownd2, w.SelectionWidth2d})
            QVERIFY2(enabledFlag(c) == spread, qPrintable(c->objectName()));
        for (QWidget* c : std::initializer_list<QWidget*>{w.UpDownd, w.PaginaDch, w.Textd})
            QVERIFY2(visibleFlag(c) == spread, qPrintable(c->objectName()));
    }
}

// "Leer marca de agua" needs a cut page to lay the mark on.
void AppTest::watermarkRules() {
    WindowFixture f;
    MainWindow& w = *f.window;
    w.WMActivo->setChecked(true);
    w.enabling().ActualizaControles();
    QVERIFY(enabledFlag(w.WMTrans));
    QVERIFY(!enabledFlag(w.LeerWm));
    w.v.PaginaCortada = true;
    w.enabling().ActualizaControles();
    QVERIFY(enabledFlag(w.LeerWm));
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
    for (int n : {1, 10, 11, 25}) // one line, a full list, the first scroll, many
        QTest::addRow("%d lines", n) << n;
}

void AppTest::progressListScrollRule() {
    QFETCH(int, lines);
    ProgressList list;
    showTenRows(list);
    for (int i = 0; i < lines; ++i)
        list.appendLine(QStringLiteral("line %1").arg(i));
    const int expectedTop = lines <= 10 ? 0 : lines - 10;
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

void AppTest::numericValueOfText_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value");
    QTest::newRow("leading blanks and unit") << "  695 px" << 695.0;
    QTest::newRow("decimal") << "12.75x" << 12.75;
    QTest::newRow("negative") << "-40" << -40.0;
    QTest::newRow("empty") << "" << 0.0;
    QTest::newRow("sign alone") << "-" << 0.0;
    QTest::newRow("number later") << "x12" << 0.0;
}

void AppTest::numericValueOfText() {
    QFETCH(QString, text);
    QFETCH(double, value);
    QCOMPARE(::numericValueOfText(text), value);
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

// "Formato de Color" and the watermark format take only their rows, from code or a script.
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
