// The window in a real X display: a spread of the sample book loaded on the automatic tab, the
// whole scan in the preview and the rectangle of the active page where the sliders put it, and
// both pages of a test whole in their frames; a turned interactive preview with its angle; the
// full-size scan scrolling in its frame; the sample stamp prepared on the watermark tab, on the
// whole template page; the effect rows with their texts whole; a page-number label inside its
// frame with a slider saying its value; a searchable PDF made of pages of the sample book; and,
// on a screen smaller than the window, the window scrolling over it.
#include "app/BookPdfTab.h"
#include "app/ComboBox.h"
#include "app/ImageBox.h"
#include "app/MainWindow.h"
#include "sources/FileList.h"
#include "sources/FolderList.h"

#include "app/PictureBox.h"
#include "app/ProgressList.h"
#include "app/UpDown.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QDir>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QToolTip>
#include <QWheelEvent>
#include <QtMath>

class WindowScreenshotsTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void automaticTabShowsTheLoadedSpread();
    void interactiveTabShowsATrimmedTestPage();
    void interactiveTabShowsTheTurnBesideItsArrows();
    void originalImageScrollsOverTheScan();
    void watermarkTabShowsTheStampOnTheWholeTemplate();
    void effectRowsShowTheirTextsWhole();
    void numberingLabelStaysInsideItsFrame();
    void bookTabShowsASearchablePdfMade();
    void windowScrollsOnASmallScreen();

private:
    QImage grabPreview(MainWindow& w);
    QImage grabBox(MainWindow& w, QWidget* box);
    // The screen where the window lies, with whatever floats above it (lists, tooltips).
    QImage grabScreenOf(MainWindow& w);
    QString artifacts_;
};

void WindowScreenshotsTest::initTestCase() {
    QImageReader::setAllocationLimit(2048);
    artifacts_ = qEnvironmentVariable("PLIEGO_TEST_ARTIFACTS", QDir::tempPath());
    QDir().mkpath(artifacts_);
    const QString samples = qEnvironmentVariable("PLIEGO_SAMPLES");
    QVERIFY2(QFileInfo::exists(samples + "/libro001.jpg"), "the sample book is missing");
    QDir::setCurrent(samples);
}

QImage WindowScreenshotsTest::grabPreview(MainWindow& w) {
    return grabBox(w, w.Imagen);
}

QImage WindowScreenshotsTest::grabBox(MainWindow& w, QWidget* box) {
    QCoreApplication::processEvents();
    QTest::qWait(200);
    const QRect area(box->mapTo(&w, QPoint(0, 0)), box->size());
    return w.screen()->grabWindow(w.winId()).toImage().copy(area).convertToFormat(
        QImage::Format_RGB32);
}

QImage WindowScreenshotsTest::grabScreenOf(MainWindow& w) {
    QCoreApplication::processEvents();
    QTest::qWait(300);
    const QRect frame(w.mapToGlobal(QPoint(0, 0)), w.size());
    return w.screen()->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height()).toImage();
}

void WindowScreenshotsTest::automaticTabShowsTheLoadedSpread() {
    MainWindow w(QDir(QCoreApplication::applicationDirPath()).filePath("../.."));
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.Files->clickRow(0);
    w.Files->doubleClickRow(0);
    QCOMPARE(w.SSTab1->currentIndex(), 1);
    w.SelectionSize->setValue(950);
    w.Altura->setValue(50);
    w.UpDowni->setValue(w.UpDowni->value() + 20);

    const QImage withRectangle = grabPreview(w);

    // The whole scan fills the preview: its dark scanner margin shows on every edge.
    auto dark = [](QRgb p) { return qGray(p) < 60; };
    const int last = withRectangle.width() - 1;
    const int bottom = withRectangle.height() - 1;
    QVERIFY(dark(withRectangle.pixel(0, bottom / 2)));
    QVERIFY(dark(withRectangle.pixel(last, bottom / 2)));
    QVERIFY(dark(withRectangle.pixel(last / 2, 0)));
    QVERIFY(dark(withRectangle.pixel(last / 4, bottom)));
    QVERIFY(!dark(withRectangle.pixel(last / 4, bottom / 2))); // paper inside

    // The rectangle is what differs once the selection is taken away.
    w.Imagen->ClearSelection();
    const QImage without = grabPreview(w);
    QRect changed;
    for (int y = 0; y < without.height(); ++y)
        for (int x = 0; x < without.width(); ++x)
            if (without.pixel(x, y) != withRectangle.pixel(x, y))
                changed |= QRect(x, y, 1, 1);
    QVERIFY(!changed.isEmpty());
    const double perPixel = w.Imagen->screenPixelsPerImagePixel();
    const QRectF expected(w.v.MargenIzq * perPixel, w.v.MargenSuperior * perPixel,
                          w.v.AnchoSeleccion * perPixel,
                          (w.v.LimiteInferior - w.v.MargenSuperior) * perPixel);
    QVERIFY2(qAbs(changed.left() - expected.left()) <= 2,
             qPrintable(QString::number(changed.left())));
    QVERIFY2(qAbs(changed.top() - expected.top()) <= 2, qPrintable(QString::number(changed.top())));
    QVERIFY2(qAbs(changed.right() + 1 - expected.right()) <= 2,
             qPrintable(QString::number(changed.right())));
    QVERIFY2(qAbs(changed.bottom() + 1 - expected.bottom()) <= 2,
             qPrintable(QString::number(changed.bottom())));

    // A test shows each page whole, fitted to its frame.
    w.SelectionSize->setValue(1000);
    w.Altura->setValue(0);
    w.Probar->click();
    for (ImageBox* page : {w.PaginaIzq, w.PaginaDch}) {
        QVERIFY(page->HasImage());
        const QSizeF shown = QSizeF(page->image().size()) * page->screenPixelsPerImagePixel();
        QVERIFY(shown.width() <= page->width() + 0.5 && shown.height() <= page->height() + 0.5);
        QVERIFY(qAbs(shown.width() - page->width()) < 1 ||
                qAbs(shown.height() - page->height()) < 1);
    }
    grabScreenOf(w).save(artifacts_ + "/tab1-loaded.png");
}

// A test on the interactive tab puts the page it would write, its dark lid trimmed off, where the
// preview was.
void WindowScreenshotsTest::interactiveTabShowsATrimmedTestPage() {
    MainWindow w(QDir(QCoreApplication::applicationDirPath()).filePath("../.."));
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.Interactivo->setChecked(true);
    w.ColorBw->setListIndex(0);
    w.AceptaConfig->click();
    w.LocalFiles2->doubleClickRow(0);
    QCOMPARE(w.SSTab1->currentIndex(), 4);
    w.UpDownd2->setValue(900);
    w.cmdICPrueba->click();
    QCOMPARE(w.cmdICPrueba->text(), QStringLiteral("Continuar"));
    QVERIFY(w.ImgPreview->isVisible());
    QVERIFY(!w.Imagen2->isVisible());
    QVERIFY(w.ImgPreview->ImageWidth() < w.v.AnchoPagina);
    QVERIFY(w.ImgPreview->ImageHeight() < w.v.AltoPagina);

    QCoreApplication::processEvents();
    QTest::qWait(200);
    const QImage window = w.screen()->grabWindow(w.winId()).toImage();
    window.save(artifacts_ + "/tab4-test-page.png");
    // The page fills the result box from its top-left corner: paper, not the dark lid.
    const QPoint corner = w.ImgPreview->mapTo(&w, QPoint(0, 0));
    QVERIFY(qGray(window.pixel(corner + QPoint(2, 2))) > 150);
    QVERIFY(qGray(window.pixel(corner + QPoint(2, w.ImgPreview->height() / 2))) > 150);
}

// Turned a quarter degree five times and once back, the preview shows the scan turned by the
// one degree the cut will turn it, at the same scale, the rectangle on it, and the angle beside
// the arrows.
void WindowScreenshotsTest::interactiveTabShowsTheTurnBesideItsArrows() {
    MainWindow w(QDir(QCoreApplication::applicationDirPath()).filePath("../.."));
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.Interactivo->setChecked(true);
    w.AceptaConfig->click();
    w.LocalFiles2->doubleClickRow(0);
    QCOMPARE(w.SSTab1->currentIndex(), 4);
    const QSize unturned = w.Imagen2->image().size();
    const double scale = w.Imagen2->screenPixelsPerImagePixel();
    QToolButton* down = nullptr;
    QToolButton* up = nullptr;
    for (QToolButton* arrow : w.UpDownAngle->findChildren<QToolButton*>())
        (arrow->arrowType() == Qt::DownArrow ? down : up) = arrow;
    QVERIFY(down && up);
    for (int step = 0; step < 5; ++step)
        QTest::mouseClick(down, Qt::LeftButton);
    QTest::mouseClick(up, Qt::LeftButton);
    QCOMPARE(w.v.AnguloGiro, 1.0f);
    QTRY_COMPARE(w.lblAnguloGiro->text(), QStringLiteral("Giro: 1°"));
    QCOMPARE(w.Imagen2->screenPixelsPerImagePixel(), scale);
    QVERIFY(w.Imagen2->HasSelection());
    const double a = qDegreesToRadians(1.0);
    QCOMPARE(w.Imagen2->ImageWidth(),
             int(std::ceil(unturned.width() * std::cos(a) + unturned.height() * std::sin(a))));
    w.SelectionSize2->setValue(960);
    w.Altura2->setValue(40);
    grabScreenOf(w).save(artifacts_ + "/tab4-turned.png");
}

// The full-size scan is larger than its frame: scroll bars, and a rectangle drawn where the
// frame is scrolled to lands on the scan's pixels.
void WindowScreenshotsTest::originalImageScrollsOverTheScan() {
    MainWindow w(QDir(QCoreApplication::applicationDirPath()).filePath("../.."));
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.Files->clickRow(0);
    w.Files->doubleClickRow(0);
    w.SSTab1->setCurrentIndex(2);
    auto* frame = qobject_cast<QScrollArea*>(w.ImagenGrande->parentWidget()->parentWidget());
    QVERIFY(frame);
    QTRY_VERIFY(frame->horizontalScrollBar()->isVisible());
    QVERIFY(frame->verticalScrollBar()->isVisible());
    frame->horizontalScrollBar()->setValue(700);
    frame->verticalScrollBar()->setValue(300);
    const QPoint from(900, 500), to(1200, 820);
    QTest::mousePress(w.ImagenGrande, Qt::LeftButton, {}, from);
    QTest::mouseMove(w.ImagenGrande, to);
    QTest::mouseRelease(w.ImagenGrande, Qt::LeftButton, {}, to);
    QCOMPARE(w.ImagenGrande->selectionInPixels(), QRect(from, to - QPoint(1, 1)));
    // A wheel turn scrolls the frame.
    const int top = frame->verticalScrollBar()->value();
    QWheelEvent wheel(QPointF(300, 300), frame->viewport()->mapToGlobal(QPointF(300, 300)),
                      QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase,
                      false);
    QCoreApplication::sendEvent(frame->viewport(), &wheel);
    QVERIFY(frame->verticalScrollBar()->value() > top);
    frame->verticalScrollBar()->setValue(top);
    grabScreenOf(w).save(artifacts_ + "/tab2-original.png");
}

void WindowScreenshotsTest::watermarkTabShowsTheStampOnTheWholeTemplate() {
    QTemporaryDir work;
    const QByteArray tmp = qgetenv("TMP");
    qputenv("TMP", work.path().toLocal8Bit());
    MainWindow w(QDir(QCoreApplication::applicationDirPath()).filePath("../.."));
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.ColorBw->setListIndex(5);
    w.AceptaConfig->click();
    w.LocalFiles->clickRow(0);
    w.Probar->click();
    w.WMActivo->setChecked(true);
    w.DirWM->setPath(QDir::current().filePath("marcas"));
    w.FormatoWM->setListIndex(1);
    w.FileWM->clickRow(0);
    w.WMSize->setValue(50);
    w.WMTrans->setValue(70);
    w.LeerWm->click();
    w.WMHpos->setValue(550);
    w.WMVpos->setValue(820);
    w.LeerWm->click();
    qputenv("TMP", tmp);
    QCOMPARE(w.SSTab1->currentIndex(), 3);

    const QImage shownTemplate = grabBox(w, w.ImgPlantilla);
    w.screen()->grabWindow(w.winId()).save(artifacts_ + "/tab3-watermark.png");

    // The stamp is the only red on the page: on screen it lies where it lies on the page,
    // scaled with the whole page into the box.
    auto red = [](QRgb p) { return qRed(p) - qGreen(p) > 60; };
    const double scale = double(w.ImgPlantilla->height()) / 958;
    const QRect stamp(QPoint(int(550 * scale) - 1, int(820 * scale) - 1),
                      QPoint(int(670 * scale) + 1, int(940 * scale) + 1));
    int inside = 0, outside = 0;
    for (int y = 0; y < shownTemplate.height(); ++y)
        for (int x = 0; x < shownTemplate.width(); ++x)
            if (red(shownTemplate.pixel(x, y)))
                ++(stamp.contains(x, y) ? inside : outside);
    QVERIFY2(inside > 20, qPrintable(QString::number(inside)));
    QCOMPARE(outside, 0);
    QVERIFY(qAbs(w.ImgPlantilla->width() - 695 * scale) <= 1);

    // The preview frame takes the square stamp's shape and shows it.
    QCOMPARE(w.ImgWM->width(), w.ImgWM->height());
    const QImage shownStamp = grabBox(w, w.ImgWM);
    QVERIFY(red(shownStamp.pixel(shownStamp.width() / 2, 8)));
}

void WindowScreenshotsTest::effectRowsShowTheirTextsWhole() {
    MainWindow w(QDir(QCoreApplication::applicationDirPath()).filePath("../.."));
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.SSTab1->setCurrentIndex(6);
    w.CheckMagik->setChecked(true);
    w.cbMagikNon[0]->setListIndex(1);
    w.lblMagicNon[0]->setText("90");
    w.cbMagikNon[1]->setListIndex(2);
    w.lblMagicNon[1]->setText("15x45");
    w.cbMagicPar[0]->setListIndex(5);
    w.lblMagikPar[0]->setText("50%");
    for (ComboBox* effect : {w.cbMagikNon[2], w.cbMagicPar[1]}) {
        QCOMPARE(effect->text(), QStringLiteral("Seleccione Efecto a Aplicar"));
        QVERIFY(effect->lineEdit()->fontMetrics().horizontalAdvance(effect->text()) <=
                effect->lineEdit()->contentsRect().width() - 4);
    }
    QLabel* hint = w.infoMagikTextNon[1];
    QVERIFY(hint->sizeHint().width() <= hint->width());
    grabScreenOf(w).save(artifacts_ + "/tab6-effects.png");
}

// Ticked while the first tab shows the sample book, the numbering list follows the folder
// chosen there next; the test label " 146" in its preview frame, inside the tab however long
// the label; a slider dragged says where it is.
void WindowScreenshotsTest::numberingLabelStaysInsideItsFrame() {
    QTemporaryDir work;
    const QByteArray tmp = qgetenv("TMP");
    qputenv("TMP", work.path().toLocal8Bit());
    const QString pages = work.filePath("libro");
    QDir().mkpath(pages);
    for (int n = 1; n <= 6; ++n) {
        const QImage spread(QStringLiteral("libro%1.jpg").arg(n, 3, 10, QChar('0')));
        QVERIFY(spread.copy(0, 0, spread.width() / 2, spread.height())
                    .save(QStringLiteral("%1/%2.jpg").arg(pages).arg(n, 4, 10, QChar('0'))));
    }
    MainWindow w(QDir(QCoreApplication::applicationDirPath()).filePath("../.."));
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.SSTab1->setCurrentIndex(7);
    w.ChkNumeroNon->setChecked(true);
    QCOMPARE(w.FiletoRenum->item(0)->text(), QStringLiteral("libro001.jpg"));
    w.Dirs->setPath(pages);
    QCOMPARE(w.FiletoRenum->item(0)->text(), QStringLiteral("0001.jpg"));
    w.MagicNonFont->setText("DejaVuSans-Bold.ttf");
    w.MagikNonDato->setText("Páginas:Exc.Portada");
    w.WMSizeNum->setValue(40);
    w.WMTransNum->setValue(100);
    w.cmdNumPrueba->click();
    qputenv("TMP", tmp);
    QVERIFY2(w.ImgWMNum->HasImage(),
             qPrintable(w.lstNumeracion->count() ? w.lstNumeracion->item(0)->text() : QString()));
    const QRect frame = w.ImgWMNum->geometry();
    QVERIFY(frame.right() < w.ImgWMNum->parentWidget()->width() - 4);
    QVERIFY(frame.bottom() < w.lstNumeracion->y());

    // Drag the position slider's handle with the pointer.
    QSlider* slider = w.WMHPosNum;
    QStyleOptionSlider option;
    option.initFrom(slider);
    option.orientation = slider->orientation();
    option.minimum = slider->minimum();
    option.maximum = slider->maximum();
    option.sliderPosition = slider->value();
    option.sliderValue = slider->value();
    const QPoint handle =
        slider->style()
            ->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, slider)
            .center();
    const QPoint dropped = handle + QPoint(slider->width() / 3, 0);
    QCursor::setPos(slider->mapToGlobal(handle));
    QTest::mousePress(slider, Qt::LeftButton, {}, handle);
    QCursor::setPos(slider->mapToGlobal(dropped));
    QTest::mouseMove(slider, dropped);
    QVERIFY(slider->value() > 0);
    const QString said = QStringLiteral("%1 píxeles").arg(slider->value());
    QTRY_VERIFY(QToolTip::isVisible());
    QCOMPARE(QToolTip::text(), said);
    grabScreenOf(w).save(artifacts_ + "/tab7-numbering.png");
    QTest::mouseRelease(slider, Qt::LeftButton, {}, dropped);
    QCOMPARE(slider->toolTip(), said);
}

// Pages of the sample book made into a searchable PDF: a line for each page with the words read,
// then the file written.
void WindowScreenshotsTest::bookTabShowsASearchablePdfMade() {
    QTemporaryDir work;
    const QString pages = work.filePath("libro/jpeg_big");
    QDir().mkpath(pages);
    for (int n = 1; n <= 4; ++n) {
        const QImage spread(QStringLiteral("libro%1.jpg").arg(n, 3, 10, QChar('0')));
        QVERIFY(spread.copy(spread.width() / 2, 0, spread.width() / 2, spread.height())
                    .save(QStringLiteral("%1/%2.jpg").arg(pages).arg(2 * n, 4, 10, QChar('0'))));
    }
    MainWindow w(QDir(QCoreApplication::applicationDirPath()).filePath("../.."));
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.SSTab1->setCurrentIndex(8);
    w.DirPDF->setText(pages);
    w.TituloPDF->setText(QStringLiteral("Libro de muestra"));
    w.AutorPDF->setText(QStringLiteral("Pliego"));
    w.chkOCR->setChecked(true);
    QSignalSpy ended(&w.bookPdf(), &BookPdfTab::runEnded);
    QTest::mouseClick(w.cmdCrearPDF, Qt::LeftButton);
    QVERIFY(ended.wait(60000));
    const QString last = w.lstPDF->item(w.lstPDF->count() - 1)->text();
    QVERIFY2(last.startsWith(QStringLiteral("PDF escrito: ")), qPrintable(last));
    QVERIFY(QFileInfo::exists(work.filePath("libro/libro.pdf")));
    grabScreenOf(w).save(artifacts_ + "/tab8-book-pdf.png");
}

// Run on a screen smaller than the window (800 × 600): the window fits the screen and scrolls
// over the form; "Formato de Color" at the far corner opens its list of choices.
void WindowScreenshotsTest::windowScrollsOnASmallScreen() {
    const QSize screen = QGuiApplication::primaryScreen()->availableGeometry().size();
    if (screen.width() >= MainWindow::kClientWidth && screen.height() >= MainWindow::kClientHeight)
        QSKIP("needs a screen smaller than the window");
    MainWindow w(QDir(QCoreApplication::applicationDirPath()).filePath("../.."));
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QCOMPARE(w.size(),
             QSize(MainWindow::kClientWidth, MainWindow::kClientHeight).boundedTo(screen));
    auto* area = w.findChild<QScrollArea*>("formArea");
    QVERIFY(area && area->verticalScrollBar()->isVisible());
    // The far corner of the form, out of view at first.
    for (QScrollBar* bar : {area->horizontalScrollBar(), area->verticalScrollBar()}) {
        QVERIFY(bar->maximum() > 0);
        bar->setValue(bar->maximum());
    }
    QVERIFY(!w.AceptaConfig->visibleRegion().isEmpty());
    QTest::mouseClick(w.ColorBw, Qt::LeftButton, {}, QPoint(12, w.ColorBw->height() / 2));
    QTRY_VERIFY(w.ColorBw->view()->isVisible());
    const QImage shot = grabScreenOf(w);
    w.ColorBw->hidePopup();
    shot.save(artifacts_ + "/small-screen.png");
}

QTEST_MAIN(WindowScreenshotsTest)
#include "test_window_screenshots.moc"
