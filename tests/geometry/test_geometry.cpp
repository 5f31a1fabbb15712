#include "ListLines.h"
#include "TurnedBook.h"
#include "WindowFixture.h"

#include "app/ControlState.h"
#include "app/EnablingRules.h"
#include "app/ImageBox.h"
#include "app/ProgressList.h"
#include "app/UpDown.h"
#include "geometry/FoundPageRects.h"
#include "geometry/PointerEditing.h"
#include "geometry/ScanLoader.h"
#include "geometry/SelectionControls.h"
#include "geometry/SliderMapping.h"
#include "image/TurnGeometry.h"
#include "sources/FileList.h"
#include "util/Numbers.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRubberBand>
#include <QSlider>
#include <QTabWidget>
#include <QTest>
#include <QtMath>

#include <tuple>

namespace {

void writeScan(const QString& path, int width, int height) {
    QImage scan(width, height, QImage::Format_RGB32);
    scan.fill(QColor(240, 236, 228));
    QVERIFY(scan.save(path, nullptr, 60));
}

// Opens a window whose folder holds the given scans and makes the first one current.
struct LoadedWindow {
    explicit LoadedWindow(const QList<QSize>& sizes, const QString& extension = ".jpg")
        : fixture({}, {}) {
        for (int i = 0; i < sizes.size(); ++i)
            writeScan(
                fixture.path(
                    QStringLiteral("scans/libro%1%2").arg(i + 1, 3, 10, QChar('0')).arg(extension)),
                sizes[i].width(), sizes[i].height());
        w().Files->refresh();
        w().LocalFiles->refresh();
        w().Files->clickRow(0);
    }
    MainWindow& w() { return *fixture.window; }
    void load(int row) {
        w().Files->clickRow(row);
        w().CargaImagen();
    }
    WindowFixture fixture;
};

} // namespace

class GeometryTest : public QObject {
    Q_OBJECT
private slots:
    void sliderMapping_data();
    void sliderMapping();
    void workedExampleOfTwoPages();
    void onePageStartsAtTheLeftEdge();
    void keepingTheScannedSizeWithAnOddWidth();
    void laterScansKeepTheReferenceSize();
    void loadsThatCannotHappenChangeNothing();
    void interactiveHandlersHonourTheBlock();
    void rightEdgeSliderNeverGivesANegativeMargin();
    void positionSlidersSelectTheirOption_data();
    void positionSlidersSelectTheirOption();
    void drawnRectangleIgnoresDragDirection_data();
    void drawnRectangleIgnoresDragDirection();
    void moveToThePressPointChangesNothing();
    void rotationStepsAccumulate();
    void turnCaption_data();
    void turnCaption();
    void fullSizeDragsKeepTheirOrder();
    void foundPagesBecomeSliderRectangles_data();
    void foundPagesBecomeSliderRectangles();
    void findingLine_data();
    void findingLine();
    void detectButtonsStraightenTheScanOnScreen_data();
    void detectButtonsStraightenTheScanOnScreen();
};

void GeometryTest::sliderMapping_data() {
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("top");
    QTest::addColumn<int>("width");
    QTest::addColumn<double>("heightPx");
    QTest::addColumn<double>("aspect");
    QTest::addColumn<double>("bottom");
    QTest::addColumn<int>("topPx");
    QTest::addColumn<double>("widthPx");
    QTest::newRow("full height, page shape")
        << 1000 << 0 << 1000 << 3508.0 << 695.0 / 958 << 3508.0 << 0 << 2545.0;
    QTest::newRow("half way down")
        << 500 << 500 << 500 << 3508.0 << 695.0 / 958 << 1754.0 << 1754 << 1272.0;
    QTest::newRow("halves go to even") << 1 << 3 << 0 << 2500.0 << 1.0 << 2.0 << 8 << 0.0;
    QTest::newRow("nothing loaded") << 1000 << 1000 << 1000 << 0.0 << 1.0 << 0.0 << 0 << 0.0;
}

void GeometryTest::sliderMapping() {
    QFETCH(int, size);
    QFETCH(int, top);
    QFETCH(int, width);
    QFETCH(double, heightPx);
    QFETCH(double, aspect);
    const SelectionPixels px = selectionFromSliders({size, top, width}, heightPx, aspect);
    QTEST(px.bottom, "bottom");
    QTEST(px.top, "topPx");
    QTEST(px.width, "widthPx");
    QCOMPARE(sliderFromPixels(px.bottom, heightPx), heightPx > 0 ? size : 0);
}

void GeometryTest::workedExampleOfTwoPages() {
    LoadedWindow s({{2480, 3508}});
    MainWindow& w = s.w();
    // Pages as wide as 1200 of 3508 rows, so that the width slider at 1000 gives 1200 pixels.
    w.AltoGrande->setText("3508");
    w.AnchoGrande->setText("1200");
    w.CargaImagen();
    QCOMPARE(w.SSTab1->currentIndex(), 1);
    QCOMPARE(w.ListaProceso->count(), 2);
    QCOMPARE(w.ListaProceso->item(1)->text(), QStringLiteral("LIBRO001.JPG"));
    QCOMPARE(w.v.AnchoSeleccion, 1200.0);
    QCOMPARE(w.v.LimiteInferior, 3508.0);
    QCOMPARE(w.v.MargenIzq, 40.0);
    QCOMPARE(w.v.MargenDch, 1241.0);
    QCOMPARE(w.UpDowni->minimum(), 0);
    QCOMPARE(w.UpDowni->maximum(), 1280);
    QCOMPARE(w.UpDowni->value(), 40);
    QCOMPARE(w.UpDownd->minimum(), 1200);
    QCOMPARE(w.UpDownd->maximum(), 2480);
    QCOMPARE(w.UpDownd->value(), 2441);
    QCOMPARE(w.Texti->text(), QStringLiteral("40"));
    QCOMPARE(w.Textd->text(), QStringLiteral("1241"));
    // Setting the sliders ran their handlers, as an operator's move would.
    QVERIFY(w.v.MargenIzqManual);
    QVERIFY(w.v.MargenDchManual);
    QCOMPARE(w.v.PaginaActiva, QStringLiteral("i"));
    QCOMPARE(w.v.FicheroCargado, QStringLiteral("libro001.jpg"));
}

void GeometryTest::onePageStartsAtTheLeftEdge() {
    LoadedWindow s({{2480, 3508}});
    MainWindow& w = s.w();
    w.ChkSepara2Img->setChecked(false);
    w.CargaImagen();
    QCOMPARE(w.v.MargenIzq, 0.0);
    QCOMPARE(w.UpDowni->maximum(), 2480);
    QCOMPARE(w.UpDowni->value(), 0);
}

void GeometryTest::keepingTheScannedSizeWithAnOddWidth() {
    LoadedWindow s({{2481, 1700}});
    MainWindow& w = s.w();
    w.NoReducir->setChecked(true);
    w.CargaImagen();
    QCOMPARE(w.v.AnchoPagina, 1240.5);
    QCOMPARE(w.v.AltoPagina, 1700.0);
    QCOMPARE(w.v.ProporcionPagina, 1240.5 / 1700);
}

void GeometryTest::laterScansKeepTheReferenceSize() {
    LoadedWindow s({{2480, 3508}, {1240, 1754}});
    MainWindow& w = s.w();
    s.load(0);
    const qint32 referenceHeight = w.v.AltoImagenHM;
    const int maximum = w.UpDowni->maximum();
    const float scale = w.v.EscalaVista;
    s.load(1);
    QCOMPARE(w.lblSize->text(), QStringLiteral("1240 x1754 Pixels"));
    QCOMPARE(w.v.AltoImagenHM, referenceHeight);
    QCOMPARE(w.UpDowni->maximum(), maximum);
    QCOMPARE(w.v.EscalaVista, scale);
    // A click on an option box starts a new reference period.
    w.HacerMini->click();
    s.load(1);
    QVERIFY(w.v.AltoImagenHM < referenceHeight);
}

// Without a current file nothing happens; an unreadable scan keeps the preview of the last one;
// a page height that is no number keeps the page's proportion.
void GeometryTest::loadsThatCannotHappenChangeNothing() {
    LoadedWindow s({{400, 300}});
    MainWindow& w = s.w();
    w.v.FicheroActual.clear();
    w.CargaImagen();
    QCOMPARE(w.SSTab1->currentIndex(), 0);
    QCOMPARE(w.ListaProceso->count(), 0);
    QVERIFY(!w.ImagenGrande->HasImage());

    s.load(0);
    WindowFixture::touch(s.fixture.path("scans/roto.jpg"));
    w.v.FicheroActual = QStringLiteral("roto.jpg");
    w.CargaImagen();
    QCOMPARE(w.ListaProceso->count(), 5);
    QVERIFY(w.ListaProceso->item(4)->text().startsWith("No se pudo leer la imagen"));
    QVERIFY(w.Imagen->HasImage());
    QCOMPARE(w.v.FicheroCargado, QStringLiteral("libro001.jpg"));

    const double before = w.v.ProporcionPagina;
    w.AltoGrande->setText("alto");
    s.load(0);
    QCOMPARE(w.v.AltoPagina, 0.0);
    QCOMPARE(w.v.ProporcionPagina, before);
    QVERIFY(lines(w.ListaProceso).last().startsWith("Altura de página"));
    QVERIFY(std::isfinite(w.v.AnchoSeleccion));
}

// While the program sets the interactive sliders itself they change nothing else.
void GeometryTest::interactiveHandlersHonourTheBlock() {
    LoadedWindow s({{1800, 1240}});
    MainWindow& w = s.w();
    w.Interactivo->setChecked(true);
    w.CargaImagen();
    w.Imagen2->ClearSelection();
    w.v.PaginaActiva = QStringLiteral("d");
    w.v.BloqueoEventos = true;
    for (QSlider* slider : {w.SelectionSize2, w.SelectionWidth2i, w.SelectionWidth2d, w.Altura2,
                            w.UpDowni2, w.UpDownd2})
        slider->setValue(slider->value() == 0 ? 1 : slider->value() - 1);
    QVERIFY(!w.Imagen2->HasSelection());
    QCOMPARE(w.v.PaginaActiva, QStringLiteral("d"));
    QVERIFY(!w.v.MargenIzq2Manual);
    w.v.BloqueoEventos = false;
    w.SelectionSize2->setValue(500);
    QVERIFY(w.Imagen2->HasSelection());
    QCOMPARE(w.v.LimiteInferior2, 620.0);
}

void GeometryTest::rightEdgeSliderNeverGivesANegativeMargin() {
    LoadedWindow s({{1800, 1240}});
    MainWindow& w = s.w();
    w.CargaImagen();
    w.UpDownd->setMinimum(0); // a minimum left over from a narrower selection
    w.UpDownd->setValue(10);
    QCOMPARE(w.v.MargenDch, 0.0);
    QCOMPARE(w.Textd->text(), QStringLiteral("0"));
    QCOMPARE(w.v.PaginaActiva, QStringLiteral("d"));
    w.ChkSepara2Img->setChecked(false); // a disabled right edge does nothing
    w.v.MargenDch = 77;
    w.UpDownd->setValue(300);
    QCOMPARE(w.v.MargenDch, 77.0);
}

void GeometryTest::positionSlidersSelectTheirOption_data() {
    QTest::addColumn<QString>("slider");
    QTest::addColumn<bool>("startLeft");
    QTest::addColumn<bool>("endLeft");
    QTest::addColumn<QString>("side");
    QTest::newRow("UpDowni selects the left option") << "UpDowni" << false << true << "i";
    QTest::newRow("UpDownd leaves the options") << "UpDownd" << true << true << "d";
    QTest::newRow("UpDownd2 selects the right option") << "UpDownd2" << true << false << "d";
    QTest::newRow("UpDowni2 leaves the options") << "UpDowni2" << false << false << "i";
}

void GeometryTest::positionSlidersSelectTheirOption() {
    QFETCH(QString, slider);
    QFETCH(bool, startLeft);
    QFETCH(bool, endLeft);
    QFETCH(QString, side);
    LoadedWindow s({{1800, 1240}});
    MainWindow& w = s.w();
    w.CargaImagen();
    (startLeft ? w.optIzquierda : w.optDerecha)->setChecked(true);
    auto* position = qobject_cast<QSlider*>(w.control(slider));
    position->setMaximum(2000);
    position->setValue(position->value() + 7);
    QCOMPARE(w.optIzquierda->isChecked(), endLeft);
    QCOMPARE(w.v.PaginaActiva, side);
}

void GeometryTest::drawnRectangleIgnoresDragDirection_data() {
    QTest::addColumn<QPoint>("from");
    QTest::addColumn<QPoint>("to");
    QTest::newRow("down and right") << QPoint(60, 40) << QPoint(200, 300);
    QTest::newRow("up and left") << QPoint(200, 300) << QPoint(60, 40);
}

// A rectangle drawn with the pointer on the interactive preview lands on the image pixels under
// the pointer, whatever the direction of the drag.
void GeometryTest::drawnRectangleIgnoresDragDirection() {
    QFETCH(QPoint, from);
    QFETCH(QPoint, to);
    LoadedWindow s({{1800, 1240}});
    MainWindow& w = s.w();
    w.Interactivo->setChecked(true);
    w.CargaImagen();
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    const double leftBefore = w.v.MargenIzq2;
    QTest::mousePress(w.Imagen2, Qt::LeftButton, Qt::NoModifier, from);
    QTest::mouseMove(w.Imagen2, to);
    // While the button is down the drawn rectangle follows the pointer; nothing else changes.
    auto* band = w.Imagen2->findChild<QRubberBand*>();
    QVERIFY(band && band->isVisible());
    QCOMPARE(band->geometry(), QRect(from, to).normalized());
    QCOMPARE(w.v.MargenIzq2, leftBefore);
    QTest::mouseRelease(w.Imagen2, Qt::LeftButton, Qt::NoModifier, to);
    QVERIFY(!band->isVisible());
    QVERIFY(w.v.InicioXi < w.v.FinXi);
    QVERIFY(w.v.InicioYi < w.v.FinYi);
    const double perPixel = w.Imagen2->screenPixelsPerImagePixel();
    const double tolerance = 1 / w.v.EscalaVista2 + 1;
    QVERIFY(qAbs(w.v.MargenIzq2 - std::min(from.x(), to.x()) / perPixel) <= tolerance);
    QVERIFY(qAbs(w.v.MargenSuperior2 - std::min(from.y(), to.y()) / perPixel) <= tolerance);
    QVERIFY(qAbs(w.v.AnchoSeleccion2i - std::abs(to.x() - from.x()) / perPixel) <= 2 * tolerance);
    QVERIFY(qAbs(w.v.LimiteInferior2 - std::max(from.y(), to.y()) / perPixel) <= tolerance);
    QVERIFY(!w.v.BloqueoEventos);
    QVERIFY(!w.v.MargenIzq2Manual); // the sliders were written while their handlers were blocked
}

void GeometryTest::moveToThePressPointChangesNothing() {
    LoadedWindow s({{1800, 1240}});
    MainWindow& w = s.w();
    w.Interactivo->setChecked(true);
    w.CargaImagen();
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QTest::mousePress(w.Imagen2, Qt::LeftButton, Qt::NoModifier, QPoint(50, 50));
    QTest::mouseRelease(w.Imagen2, Qt::LeftButton, Qt::NoModifier, QPoint(250, 350));
    const int size = w.SelectionSize2->value();
    const int top = w.Altura2->value();
    const int width = w.SelectionWidth2i->value();
    const int left = w.UpDowni2->value();
    QTest::mousePress(w.Imagen2, Qt::RightButton, Qt::NoModifier, QPoint(120, 120));
    QTest::mouseRelease(w.Imagen2, Qt::RightButton, Qt::NoModifier, QPoint(120, 120));
    QVERIFY(qAbs(w.SelectionSize2->value() - size) <= 1);
    QVERIFY(qAbs(w.Altura2->value() - top) <= 1);
    QVERIFY(qAbs(w.SelectionWidth2i->value() - width) <= 1);
    QCOMPARE(w.UpDowni2->value(), left);
    // A move elsewhere shifts the rectangle and keeps its size.
    QTest::mousePress(w.Imagen2, Qt::RightButton, Qt::NoModifier, QPoint(120, 120));
    QTest::mouseRelease(w.Imagen2, Qt::RightButton, Qt::NoModifier, QPoint(160, 120));
    QVERIFY(w.UpDowni2->value() > left);
    QVERIFY(qAbs(w.SelectionWidth2i->value() - width) <= 1);
}

// Each step turns the scan on screen from its own pixels, as the cut turns it: turned back, it is
// the scan as it came, with its scale and rectangle, not a canvas grown by every step.
void GeometryTest::rotationStepsAccumulate() {
    LoadedWindow s({{1800, 1240}, {1600, 1100}});
    MainWindow& w = s.w();
    w.Interactivo->setChecked(true);
    w.CargaImagen();
    const QImage before = w.Imagen2->image();
    const float zoom = w.Imagen2->Zoom();
    const QRect rectangle = w.Imagen2->selectionInPixels();
    for (int i = 0; i < 3; ++i) {
        w.UpDownAngle->setValue(1);
        QCOMPARE(w.UpDownAngle->value(), 0); // set back, ready for the next step
    }
    QCOMPARE(w.v.AnguloGiro, -0.75f);
    QCOMPARE(w.Imagen2->selectionInPixels().topLeft(), rectangle.topLeft());
    for (int i = 0; i < 3; ++i)
        w.UpDownAngle->setValue(-1);
    QCOMPARE(w.v.AnguloGiro, 0.0f);
    QCOMPARE(w.Imagen2->image(), before);
    QCOMPARE(w.Imagen2->Zoom(), zoom);
    QCOMPARE(w.Imagen2->selectionInPixels(), rectangle);
    // The next scan on screen is turned from its own pixels.
    s.load(1);
    w.UpDownAngle->setValue(-1);
    const double a = qDegreesToRadians(0.25);
    QCOMPARE(w.Imagen2->ImageWidth(), int(std::ceil(1600 * std::cos(a) + 1100 * std::sin(a))));
}

void GeometryTest::turnCaption_data() {
    QTest::addColumn<float>("degrees");
    QTest::addColumn<QString>("caption");
    QTest::newRow("none") << 0.0f << "Giro: 0°";
    QTest::newRow("negative zero") << -0.0f << "Giro: 0°";
    QTest::newRow("half") << 0.5f << "Giro: 0,5°";
    QTest::newRow("whole, ending in 0") << -10.0f << "Giro: -10°";
}

void GeometryTest::turnCaption() {
    QFETCH(float, degrees);
    QTEST(PointerEditing::turnCaption(degrees), "caption");
}

void GeometryTest::fullSizeDragsKeepTheirOrder() {
    LoadedWindow s({{600, 400}});
    MainWindow& w = s.w();
    w.CargaImagen();
    const double width = w.v.AnchoSeleccion2i;
    w.pointer().ImagenGrande_MouseDown(1, 0, 300, 250);
    w.pointer().ImagenGrande_MouseUp(1, 0, 100, 50);
    QCOMPARE(w.v.InicioXi, 300.0);
    QCOMPARE(w.v.FinXi, 100.0);
    QCOMPARE(w.ImagenGrande->selectionInPixels(), QRect(100, 50, 200, 200));
    QCOMPARE(w.v.AnchoSeleccion2i, width); // no geometry value changes
    w.pointer().ImagenGrande_Click();
    QVERIFY(w.ImagenGrande->SelectionEnabled());
}

namespace {

// [left, right) × [top, bottom).
QRect span(int left, int top, int right, int bottom) {
    return QRect(QPoint(left, top), QPoint(right - 1, bottom - 1));
}

bool near(const QRect& a, const QRect& b, int tolerance) {
    return std::abs(a.left() - b.left()) <= tolerance && std::abs(a.top() - b.top()) <= tolerance &&
           std::abs(a.right() - b.right()) <= tolerance &&
           std::abs(a.bottom() - b.bottom()) <= tolerance;
}

QString text(const QRect& r) {
    return QStringLiteral("[%1,%2)x[%3,%4)")
        .arg(r.left())
        .arg(r.right() + 1)
        .arg(r.top())
        .arg(r.bottom() + 1);
}

} // namespace

void GeometryTest::foundPagesBecomeSliderRectangles_data() {
    QTest::addColumn<QSize>("scan");
    QTest::addColumn<double>("angle");
    QTest::addColumn<QSizeF>("reference");
    QTest::addColumn<double>("aspect");
    QTest::addColumn<int>("fold"); // on the turned canvas; -1 for one page
    QTest::addColumn<QList<QRect>>("papers");
    QTest::addColumn<QList<QRect>>("prints"); // null for a blank page
    QTest::addColumn<QList<QRect>>("targets");
    QTest::addColumn<QList<QRect>>("automatic");
    QTest::addColumn<QList<QRect>>("interactive");
    const QSize scan(2000, 1400);
    const QSizeF same(2000, 1400);
    const QList<QRect> papers{span(100, 100, 1000, 1300), span(1000, 100, 1900, 1300)};
    const QList<QRect> prints{span(200, 200, 901, 1201), span(1100, 200, 1801, 1201)};
    QTest::newRow("paper shows all round")
        << scan << 0.0 << same << 0.7 << 1000 << papers << prints << papers << papers << papers;
    // The paper runs off the scan on every side but the fold: the print and 42 px of margin.
    const QList<QRect> whole{span(0, 0, 1000, 1400), span(1000, 0, 2000, 1400)};
    QTest::newRow("paper runs off the scan")
        << scan << 0.0 << same << 0.7 << 1000 << whole << prints
        << QList<QRect>{span(158, 158, 1000, 1243), span(1000, 158, 1843, 1243)}
        << QList<QRect>{span(156, 158, 1000, 1243), span(1000, 158, 1844, 1243)}
        << QList<QRect>{span(158, 158, 1000, 1243), span(1000, 158, 1843, 1243)};
    QTest::newRow("a blank page keeps its paper")
        << scan << 0.0 << same << 0.7 << 1000 << whole << QList<QRect>{prints[0], QRect()}
        << QList<QRect>{span(158, 158, 1000, 1243), whole[1]}
        << QList<QRect>{span(20, 0, 1000, 1400), span(1010, 0, 1990, 1400)}
        << QList<QRect>{span(158, 0, 1000, 1400), span(1010, 0, 1990, 1400)};
    // One width for both pages on the automatic tab: the narrower page's rectangle reaches
    // outwards, never across the fold.
    const QList<QRect> unequal{span(300, 100, 1000, 1300), papers[1]};
    QTest::newRow("pages of unequal width")
        << scan << 0.0 << same << 0.7 << 1000 << unequal << prints << unequal << papers << unequal;
    // A full-height page of the output's shape is 700 px wide: the widest the sliders give.
    const QList<QRect> narrow{span(200, 100, 900, 1300), span(1100, 100, 1800, 1300)};
    QTest::newRow("wider than the width slider reaches")
        << scan << 0.0 << same << 0.5 << 1000 << papers << prints << papers << narrow << narrow;
    // The reference scan (the first loaded) is smaller: the sliders reach 1800 × 1200.
    QTest::newRow("beyond the reference size")
        << scan << 0.0 << QSizeF(1800, 1200) << 0.7 << 1000 << papers << prints << papers
        << QList<QRect>{span(150, 100, 950, 1200), span(1000, 100, 1800, 1200)}
        << QList<QRect>{span(130, 100, 970, 1200), span(1000, 100, 1800, 1200)};
    const QSize single(1000, 1400);
    // Print close to the scan's edges: its margin stops at the scan.
    QTest::newRow("one page, print near the edges")
        << single << 0.0 << QSizeF(single) << 0.7 << -1 << QList<QRect>{span(0, 0, 1000, 1400)}
        << QList<QRect>{span(40, 60, 991, 1381)} << QList<QRect>{span(0, 18, 1000, 1400)}
        << QList<QRect>{span(10, 18, 990, 1400)} << QList<QRect>{span(10, 18, 990, 1400)};
}

// The rectangles the sliders give, as the selection's drawing computes them from the slider
// values, cover each page as far as the sliders reach, and stay on the canvas, inside the
// reference size and on their side of the fold.
void GeometryTest::foundPagesBecomeSliderRectangles() {
    QFETCH(QSize, scan);
    QFETCH(double, angle);
    QFETCH(QSizeF, reference);
    QFETCH(double, aspect);
    QFETCH(int, fold);
    QFETCH(QList<QRect>, papers);
    QFETCH(QList<QRect>, prints);
    QFETCH(QList<QRect>, targets);
    QFETCH(QList<QRect>, automatic);
    QFETCH(QList<QRect>, interactive);
    PageFinding finding;
    finding.found = true;
    finding.angle = angle;
    finding.turnedSize = TurnGeometry(scan, angle).canvas();
    finding.gutterTurned = fold;
    finding.gutter = fold; // on the scan: not used here
    for (int k = 0; k < papers.size(); ++k)
        finding.pages << FoundPage{papers[k], prints[k], 20};
    const SliderRoom room{scan, reference.width(), reference.height(), aspect};

    const QList<QRect> found = pageTargets(finding, scan);
    QCOMPARE(found, targets);

    const double h = reference.height();
    const AutomaticSliders a = automaticSliders(finding, room);
    const SelectionPixels shared = selectionFromSliders({a.size, a.top, a.width}, h, aspect);
    QCOMPARE(a.pageWidth, int(shared.width));
    auto rectangle = [](int left, double width, const SelectionPixels& px) {
        return span(left, px.top, left + int(width), int(px.bottom));
    };
    QList<QRect> fromAutomatic{rectangle(a.left, shared.width, shared)};
    if (papers.size() == 2)
        fromAutomatic << rectangle(a.right, shared.width, shared);

    const InteractiveSliders i = interactiveSliders(finding, room);
    const SelectionPixels left = selectionFromSliders({i.size, i.top, i.widthLeft}, h, aspect);
    QList<QRect> fromInteractive{rectangle(i.left, left.width, left)};
    if (papers.size() == 2)
        fromInteractive << rectangle(i.right, roundHalfEven(i.widthRight / 1000.0 * aspect * h),
                                     left);

    const QRect reach =
        QRect(QPoint(0, 0), finding.turnedSize) &
        QRect(0, 0, int(std::floor(reference.width())), int(std::floor(reference.height())));
    for (const auto& [got, want, tab] : {std::tuple{fromAutomatic, automatic, "automatic"},
                                         std::tuple{fromInteractive, interactive, "interactive"}}) {
        for (int k = 0; k < got.size(); ++k) {
            QVERIFY2(near(got[k], want[k], 2), qPrintable(QStringLiteral("%1 page %2: %3, not %4")
                                                              .arg(QLatin1String(tab))
                                                              .arg(k)
                                                              .arg(text(got[k]), text(want[k]))));
            QVERIFY2(reach.contains(got[k]), qPrintable(text(got[k])));
        }
        if (got.size() == 2)
            QVERIFY(got[0].right() < fold && got[1].left() >= fold);
    }
    for (int value : {a.size, a.top, a.width, i.size, i.top, i.widthLeft, i.widthRight})
        QVERIFY(value >= 0 && value <= 1000);
}

// A turn that rounds to nothing reads as none, and a single page has no fold to give.
void GeometryTest::findingLine_data() {
    QTest::addColumn<double>("angle");
    QTest::addColumn<int>("gutter");
    QTest::addColumn<QString>("line");
    QTest::newRow("one page") << 1.3 << -1 << QStringLiteral("Giro 1,30°");
    QTest::newRow("hardly turned") << -0.004 << 100 << QStringLiteral("Giro 0,00°; lomo en x=100");
}

void GeometryTest::findingLine() {
    QFETCH(double, angle);
    QFETCH(int, gutter);
    PageFinding finding;
    finding.found = true;
    finding.angle = angle;
    finding.gutter = gutter;
    QTEST(::findingLine(finding), "line");
}

void GeometryTest::detectButtonsStraightenTheScanOnScreen_data() {
    QTest::addColumn<bool>("interactive");
    QTest::newRow("automatic tab") << false;
    QTest::newRow("interactive tab") << true;
}

// A click on the tab's button with a turned spread on screen, then with a blank scan, then a
// reload.
void GeometryTest::detectButtonsStraightenTheScanOnScreen() {
    QFETCH(bool, interactive);
    turned_book::Book book;
    book.angle = 1.7;
    book.shift = QPointF(20, -8);
    const turned_book::Scan spread = turned_book::makeScan(book);
    QImage blank(spread.image.size(), QImage::Format_RGB32);
    blank.fill(QColor(240, 238, 230));
    WindowFixture f({}, {QStringLiteral("libro001.jpg"), QStringLiteral("libro002.jpg")});
    QVERIFY(spread.image.save(f.path(QStringLiteral("scans/libro001.jpg")), nullptr, 95));
    QVERIFY(blank.save(f.path(QStringLiteral("scans/libro002.jpg")), nullptr, 95));
    MainWindow& w = *f.window;
    const WorkingValues& v = w.v;
    w.Interactivo->setChecked(interactive);
    w.Files->refresh();
    w.Files->clickRow(0);
    w.CargaImagen();
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QPushButton* button = interactive ? w.cmdICDetectar : w.cmdDetectar;
    ImageBox* preview = interactive ? w.Imagen2 : w.Imagen;
    ProgressList* log = interactive ? w.lstActividad : w.ListaProceso;
    QVERIFY(button->isVisible() && button->isEnabled());
    QTest::mouseClick(button, Qt::LeftButton);

    QVERIFY2(std::abs(v.AnguloDetectado - book.angle) <= 0.05,
             qPrintable(QString::number(v.AnguloDetectado)));
    if (interactive)
        QCOMPARE(v.AnguloGiro, float(v.AnguloDetectado));
    // The preview shows the scan turned; the script tests follow the rectangles on it.
    const QSize canvas = TurnGeometry(spread.image.size(), v.AnguloDetectado).canvas();
    QCOMPARE(preview->image().size(), canvas);

    // Nothing found on a blank scan: a line says so, and nothing changes.
    w.Files->clickRow(1);
    w.CargaImagen();
    QCOMPARE(v.AnguloDetectado, 0.0);
    QCOMPARE(v.LomoDetectado, -1);
    QCOMPARE(preview->image().size(), blank.size());
    const auto sliderValues = [&w] {
        QList<int> values;
        for (const QSlider* slider : {w.SelectionSize, w.Altura, w.SelectionWidth, w.UpDowni,
                                      w.UpDownd, w.SelectionSize2, w.UpDowni2, w.UpDownd2})
            values << slider->value();
        return values;
    };
    const QList<int> sliders = sliderValues();
    const float turn = v.AnguloGiro;
    QTest::mouseClick(button, Qt::LeftButton);
    QVERIFY2(lines(log).last().startsWith(QStringLiteral("No se encontraron páginas: ")) &&
                 lines(log).last().endsWith(QStringLiteral(". No se cambia nada")),
             qPrintable(lines(log).last()));
    QCOMPARE(v.AnguloDetectado, 0.0);
    QCOMPARE(v.LomoDetectado, -1);
    QCOMPARE(v.AnguloGiro, turn);
    QCOMPARE(preview->image().size(), blank.size());
    QCOMPARE(sliderValues(), sliders);

    // A batch locks both buttons with the rest of the window.
    w.enabling().BloqueaControles();
    QVERIFY(!enabledFlag(w.cmdDetectar) && !enabledFlag(w.cmdICDetectar));
    w.enabling().DesbloqueaControles();
    QVERIFY(enabledFlag(w.cmdDetectar) && enabledFlag(w.cmdICDetectar));
}

QTEST_MAIN(GeometryTest)
#include "test_geometry.moc"
