#include "WindowFixture.h"

#include "app/ProgressList.h"
#include "app/UpDown.h"
#include "geometry/PointerEditing.h"
#include "geometry/ScanLoader.h"
#include "geometry/SelectionControls.h"
#include "geometry/SliderMapping.h"
#include "app/ImageBox.h"
#include "sources/FileList.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QRubberBand>
#include <QSlider>
#include <QTabWidget>
#include <QTest>
#include <QtMath>

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
    void nothingHappensWithoutACurrentFile();
    void unreadableScanKeepsThePreview();
    void zeroPageHeightKeepsTheProportion();
    void topCornerIsDrawnOneUnitBelow();
    void previewShowsTheWholeScanAndItsRectangle();
    void interactiveHandlersHonourTheBlock();
    void rightEdgeSliderNeverGivesANegativeMargin();
    void positionSlidersSelectTheirOption_data();
    void positionSlidersSelectTheirOption();
    void qualityLabel();
    void drawnRectangleIgnoresDragDirection_data();
    void drawnRectangleIgnoresDragDirection();
    void moveToThePressPointChangesNothing();
    void rotationStepsAccumulate();
    void turnCaption_data();
    void turnCaption();
    void fullSizeDragsKeepTheirOrder();
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
    QCOMPARE(w.lblSize->text(), QStringLiteral("2480 x3508 Pixels"));
    QCOMPARE(w.lblMode->text(), QStringLiteral("Color Verdadero (24 Bits)"));
    QVERIFY(w.lblFileName->text().endsWith("libro001.jpg"));
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
    // The preview takes the scan's shape at its own height, and the pages the output's shape.
    QCOMPARE(w.Imagen->height(), 233);
    QVERIFY(qAbs(w.Imagen->width() - 233.0 * 2480 / 3508) <= 1);
    QVERIFY(qAbs(w.PaginaIzq->width() - 249.0 * 1200 / 3508) <= 1);
    QCOMPARE(w.PaginaDch->width(), w.PaginaIzq->width());
}

void GeometryTest::onePageStartsAtTheLeftEdge() {
    LoadedWindow s({{2480, 3508}});
    MainWindow& w = s.w();
    w.ChkSepara2Img->setChecked(false);
    w.CargaImagen();
    QCOMPARE(w.v.MargenIzq, 0.0);
    QCOMPARE(w.UpDowni->maximum(), 2480);
    QCOMPARE(w.UpDowni->value(), 0);
    // With one page the "Margenes" caption moves to the sum of the two label positions.
    QCOMPARE(w.Label9->x(), w.Label7->x() + w.Label8->x());
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

void GeometryTest::nothingHappensWithoutACurrentFile() {
    LoadedWindow s({{400, 300}});
    MainWindow& w = s.w();
    w.v.FicheroActual.clear();
    w.CargaImagen();
    QCOMPARE(w.SSTab1->currentIndex(), 0);
    QCOMPARE(w.ListaProceso->count(), 0);
    QVERIFY(!w.ImagenGrande->HasImage());
}

void GeometryTest::unreadableScanKeepsThePreview() {
    LoadedWindow s({{400, 300}});
    MainWindow& w = s.w();
    s.load(0);
    WindowFixture::touch(s.fixture.path("scans/roto.jpg"));
    w.v.FicheroActual = QStringLiteral("roto.jpg");
    w.CargaImagen();
    QCOMPARE(w.ListaProceso->count(), 5);
    QVERIFY(w.ListaProceso->item(4)->text().startsWith("No se pudo leer la imagen"));
    QVERIFY(w.Imagen->HasImage());
    QCOMPARE(w.v.FicheroCargado, QStringLiteral("libro001.jpg"));
}

void GeometryTest::zeroPageHeightKeepsTheProportion() {
    LoadedWindow s({{400, 300}});
    MainWindow& w = s.w();
    const double before = w.v.ProporcionPagina;
    w.AltoGrande->setText("alto");
    w.CargaImagen();
    QCOMPARE(w.v.AltoPagina, 0.0);
    QCOMPARE(w.v.ProporcionPagina, before);
    QVERIFY(
        w.ListaProceso->item(w.ListaProceso->count() - 1)->text().startsWith("Altura de página"));
    QVERIFY(std::isfinite(w.v.AnchoSeleccion));
}

void GeometryTest::topCornerIsDrawnOneUnitBelow() {
    WindowFixture f;
    MainWindow& w = *f.window;
    w.v.AltoImagenHM = 92804; // a reference scan 3508 pixels high
    w.v.EscalaVista = 0.1f;
    w.Imagen->NewImage(3000, 4000);
    w.Imagen->ZoomTo(10); // display units are a tenth of a pixel
    w.Altura->setValue(500);
    QCOMPARE(w.v.MargenSuperior, 1754);
    // 0.1 × 1754 + 1 = 176.4 display units, drawn at 176, which is pixel row 1760.
    QCOMPARE(w.Imagen->selectionInPixels().top(), 1760);
}

// The preview shows the whole reference scan, and the rectangle it draws covers the selection
// in image pixels (up to the rounding of display units).
void GeometryTest::previewShowsTheWholeScanAndItsRectangle() {
    LoadedWindow s({{1800, 1240}});
    MainWindow& w = s.w();
    w.Files->doubleClickRow(0);
    QCOMPARE(w.SSTab1->currentIndex(), 1);
    QVERIFY(w.Imagen->HasImage());
    const double shown = w.Imagen->screenPixelsPerImagePixel();
    QVERIFY(qAbs(1240 * shown - w.Imagen->height()) <= 1);
    QVERIFY(qAbs(1800 * shown - w.Imagen->width()) <= 1);

    w.UpDowni->setValue(35); // the left page's rectangle is the one shown
    w.SelectionSize->setValue(900);
    w.Altura->setValue(100);
    w.SelectionWidth->setValue(800);
    const QRect drawn = w.Imagen->selectionInPixels();
    const double unit = 1 / w.v.EscalaVista; // one display unit in image pixels
    QVERIFY(qAbs(drawn.left() - w.v.MargenIzq) <= unit);
    QVERIFY(qAbs(drawn.top() - w.v.MargenSuperior) <= 2 * unit);
    QVERIFY(qAbs(drawn.width() - w.v.AnchoSeleccion) <= unit);
    QVERIFY(qAbs(drawn.bottom() + 1 - w.v.LimiteInferior) <= unit);
    QCOMPARE(w.v.LimiteInferior, 1116.0);
    QCOMPARE(w.v.MargenSuperior, 124);
}

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

void GeometryTest::qualityLabel() {
    WindowFixture f;
    f.window->UpDownQuality->setValue(100);
    QCOMPARE(f.window->lblJpegQuality->text(), QStringLiteral("100%"));
    f.window->UpDownQuality->setValue(0);
    QCOMPARE(f.window->lblJpegQuality->text(), QStringLiteral("0%"));
}

void GeometryTest::drawnRectangleIgnoresDragDirection_data() {
    QTest::addColumn<QPoint>("from");
    QTest::addColumn<QPoint>("to");
    QTest::newRow("down and right") << QPoint(60, 40) << QPoint(200, 300);
    QTest::newRow("up and left") << QPoint(200, 300) << QPoint(60, 40);
    QTest::newRow("up and right") << QPoint(60, 300) << QPoint(200, 40);
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
    QCOMPARE(w.lblAnguloGiro->text(), QStringLiteral("Giro: -0,75°"));
    w.UpDownAngle->setValue(-1);
    QCOMPARE(w.v.AnguloGiro, -0.5f);
    // The preview is the scan turned once by the whole angle, as the cut turns it, and keeps its
    // scale and rectangle.
    const double a = qDegreesToRadians(0.5);
    QCOMPARE(w.Imagen2->ImageWidth(), int(std::ceil(1800 * std::cos(a) + 1240 * std::sin(a))));
    QCOMPARE(w.Imagen2->Zoom(), zoom);
    QCOMPARE(w.Imagen2->selectionInPixels().topLeft(), rectangle.topLeft());
    // Turned back: the scan as it came, not a canvas grown by every step.
    w.UpDownAngle->setValue(-1);
    w.UpDownAngle->setValue(-1);
    QCOMPARE(w.v.AnguloGiro, 0.0f);
    QCOMPARE(w.Imagen2->image(), before);
    QCOMPARE(w.Imagen2->Zoom(), zoom);
    QCOMPARE(w.Imagen2->selectionInPixels(), rectangle);
    // The next scan on screen is turned from its own pixels.
    s.load(1);
    w.UpDownAngle->setValue(-1);
    QCOMPARE(w.Imagen2->ImageWidth(),
             int(std::ceil(1600 * std::cos(a / 2) + 1100 * std::sin(a / 2))));
}

void GeometryTest::turnCaption_data() {
    QTest::addColumn<float>("degrees");
    QTest::addColumn<QString>("caption");
    QTest::newRow("none") << 0.0f << "Giro: 0°";
    QTest::newRow("negative zero") << -0.0f << "Giro: 0°";
    QTest::newRow("quarter") << -0.25f << "Giro: -0,25°";
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

QTEST_MAIN(GeometryTest)
#include "test_geometry.moc"
