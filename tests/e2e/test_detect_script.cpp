// The page-finding buttons driven by scripts, with the program started as a separate process as
// a shell script starts it: a turned spread is found and the automatic tab's rectangles cover its
// pages; the interactive tab cuts straight pages that hold their print; scans without pages
// change nothing.
#include "TurnedBook.h"
#include "detect/PageFinder.h"
#include "image/TurnGeometry.h"

#include <QDir>
#include <QHash>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>

namespace {

constexpr int kRunBound = 300000; // ms

struct Run {
    int status = -1;
    QString out;
    QString err;
    // The values printed, by name; a name printed twice keeps its last value.
    QHash<QString, QString> printed;
    QStringList printedLines;
};

Run runScript(const QString& script) {
    QProcess program;
    program.setProgram(qEnvironmentVariable("PLIEGO_PROGRAM"));
    program.setArguments({QStringLiteral("--script"), QStringLiteral("-")});
    program.start();
    Run run;
    if (!program.waitForStarted(kRunBound))
        return run;
    program.write(script.toUtf8());
    program.closeWriteChannel();
    if (!program.waitForFinished(kRunBound))
        program.kill();
    run.status = program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -1;
    run.out = QString::fromUtf8(program.readAllStandardOutput());
    run.err = QString::fromUtf8(program.readAllStandardError());
    for (const QString& line : run.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const qsizetype equals = line.indexOf(QStringLiteral(" = "));
        if (equals < 0)
            continue;
        run.printed.insert(line.left(equals), line.mid(equals + 3));
        run.printedLines << line;
    }
    return run;
}

// The statements that open the folder's PNG scans, as spreads, on the automatic or the
// interactive tab.
QString opening(const QString& folder, bool interactive) {
    QStringList lines{QStringLiteral("set Dirs \"%1\"").arg(folder),
                      QStringLiteral("set TipoOrigen \"Imágenes PNG\""),
                      QStringLiteral("set ChkSepara2Img 1")};
    if (interactive)
        lines << QStringLiteral("set Interactivo 1")
              << QStringLiteral("set TipoGrande \"Imágenes PNG\"")
              << QStringLiteral("set ColorBw \"Color Verdadero 24 bits (16 millones)\"")
              // The page keeps the size of its cut, and nothing is trimmed off it.
              << QStringLiteral("set PermiteDistorsion 1")
              << QStringLiteral("set chkMargenNegro 0");
    lines << QStringLiteral("click AceptaConfig");
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

QString prints(const QStringList& names) {
    QString text;
    for (const QString& name : names)
        text += QStringLiteral("print %1\n").arg(name);
    return text;
}

// [left, right) × [top, bottom) from printed values.
QRectF printedRect(const Run& run, const QString& left, const QString& width, const QString& top,
                   const QString& bottom) {
    const double x = run.printed.value(left).toDouble();
    const double y = run.printed.value(top).toDouble();
    return QRectF(QPointF(x, y), QPointF(x + run.printed.value(width).toDouble(),
                                         run.printed.value(bottom).toDouble()));
}

QString report(const Run& run) {
    return QStringLiteral("status %1\n%2\n%3").arg(run.status).arg(run.out, run.err);
}

turned_book::Scan turnedSpread() {
    turned_book::Book book;
    book.angle = -2.3;
    book.shift = QPointF(-15, 10);
    return turned_book::makeScan(book, QSize(1240, 877));
}

} // namespace

class DetectScriptTest : public QObject {
    Q_OBJECT
private slots:
    void automaticTabCoversTheFoundPages();
    void interactiveTabCutsStraightPages();
    void scansWithoutPagesChangeNothing();
};

void DetectScriptTest::automaticTabCoversTheFoundPages() {
    QTemporaryDir folder;
    const turned_book::Scan spread = turnedSpread();
    QVERIFY(spread.image.save(folder.filePath(QStringLiteral("libro001.png"))));
    const Run run = runScript(
        opening(folder.path(), false) +
        QStringLiteral("dblclick LocalFiles 0\nclick cmdDetectar\n") +
        prints({"AnguloDetectado", "LomoDetectado", "SelectionSize", "Altura", "SelectionWidth",
                "UpDowni", "UpDownd", "MargenIzq", "MargenDch", "AnchoSeleccion", "MargenSuperior",
                "LimiteInferior", "ListaProceso.List"}));
    QVERIFY2(run.status == 0, qPrintable(report(run)));
    const double angle = run.printed.value(QStringLiteral("AnguloDetectado")).toDouble();
    const int fold = run.printed.value(QStringLiteral("LomoDetectado")).toInt();
    QVERIFY2(std::abs(angle - -2.3) <= 0.05, qPrintable(report(run)));
    QVERIFY2(std::abs(fold - spread.gutter) <= 0.005 * spread.image.width(),
             qPrintable(report(run)));
    const QString line = QStringLiteral("Giro %1°; lomo en x=%2")
                             .arg(QString::number(angle, 'f', 2).replace('.', ','))
                             .arg(fold);
    QVERIFY2(run.printedLines.last().endsWith(QStringLiteral(" = ") + line),
             qPrintable(report(run)));
    // Each page's rectangle on the turned canvas holds its printed block and keeps to its
    // paper, which shows all round on the bed (the canvas of the found turn is within a pixel
    // of the true one here).
    const QRectF rects[2] = {
        printedRect(run, "MargenIzq", "AnchoSeleccion", "MargenSuperior", "LimiteInferior"),
        printedRect(run, "MargenDch", "AnchoSeleccion", "MargenSuperior", "LimiteInferior")};
    for (int k = 0; k < 2; ++k) {
        QVERIFY2(rects[k].contains(spread.content[k].adjusted(2, 2, -2, -2)),
                 qPrintable(report(run)));
        QVERIFY2(spread.paper[k].adjusted(-6, -6, 6, 6).contains(rects[k]),
                 qPrintable(report(run)));
    }
    QVERIFY(rects[0].right() <= rects[1].left());
    // The sliders say the same as the values they give.
    QCOMPARE(run.printed.value(QStringLiteral("UpDowni")).toDouble(), rects[0].left());
    QCOMPARE(run.printed.value(QStringLiteral("UpDownd")).toDouble(), rects[1].right());
}

void DetectScriptTest::interactiveTabCutsStraightPages() {
    QTemporaryDir folder;
    const turned_book::Scan spread = turnedSpread();
    QVERIFY(spread.image.save(folder.filePath(QStringLiteral("libro001.png"))));
    const QStringList rectangle{"MargenIzq2",       "AnchoSeleccion2i", "MargenDch2",
                                "AnchoSeleccion2d", "MargenSuperior2",  "LimiteInferior2"};
    const Run run = runScript(
        opening(folder.path(), true) +
        QStringLiteral("dblclick LocalFiles2 0\nclick cmdICDetectar\n") +
        prints(QStringList{"AnguloGiro", "AnguloDetectado", "lblAnguloGiro", "lstActividad.List"} +
               rectangle) +
        QStringLiteral("select LocalFiles2 0\nclick cmdICorte\n") + prints({"AnguloGiro"}));
    QVERIFY2(run.status == 0, qPrintable(report(run)));
    const double angle = run.printed.value(QStringLiteral("AnguloDetectado")).toDouble();
    QVERIFY2(std::abs(angle - -2.3) <= 0.05, qPrintable(report(run)));
    QVERIFY2(run.out.contains(QStringLiteral("lblAnguloGiro = Giro: -2,")),
             qPrintable(report(run)));
    QVERIFY2(run.out.contains(QStringLiteral("; lomo en x=")), qPrintable(report(run)));
    QCOMPARE(run.printed.value(QStringLiteral("AnguloGiro")), QStringLiteral("0")); // applied

    const QRectF rects[2] = {
        printedRect(run, "MargenIzq2", "AnchoSeleccion2i", "MargenSuperior2", "LimiteInferior2"),
        printedRect(run, "MargenDch2", "AnchoSeleccion2d", "MargenSuperior2", "LimiteInferior2")};
    const QDir pages(folder.filePath(QStringLiteral("jpeg_big")));
    const QStringList files = pages.entryList({QStringLiteral("*.png")}, QDir::Files, QDir::Name);
    QCOMPARE(files, (QStringList{QStringLiteral("libro001.png"), QStringLiteral("libro002.png")}));
    for (int k = 0; k < 2; ++k) {
        const QImage page(pages.filePath(files[k]));
        QCOMPARE(page.size(), rects[k].toRect().size());
        PageFinderOptions one;
        one.spread = false;
        const PageFinding found = findPages(page, one);
        QVERIFY2(found.found, qPrintable(found.reason));
        // Straight, with the printed block where it lies on the straightened scan.
        QVERIFY2(std::abs(found.angle) <= 0.1, qPrintable(QString::number(found.angle)));
        const QRectF print = spread.content[k].translated(-rects[k].topLeft());
        const QRect got = found.pages[0].content;
        QVERIFY2(std::abs(got.left() - print.left()) <= 4 &&
                     std::abs(got.top() - print.top()) <= 4 &&
                     std::abs(got.right() + 1 - print.right()) <= 4 &&
                     std::abs(got.bottom() + 1 - print.bottom()) <= 4,
                 qPrintable(QStringLiteral("page %1: print at %2,%3 %4x%5, expected %6,%7 %8x%9")
                                .arg(k)
                                .arg(got.left())
                                .arg(got.top())
                                .arg(got.width())
                                .arg(got.height())
                                .arg(print.left())
                                .arg(print.top())
                                .arg(print.width())
                                .arg(print.height())));
    }
}

// Each scan is loaded in turn and the button pressed: a line says why nothing was found and the
// values stay cleared, or, for scans of unusual depths, the pages are found.
void DetectScriptTest::scansWithoutPagesChangeNothing() {
    QTemporaryDir folder;
    QImage black(1240, 877, QImage::Format_RGB32);
    black.fill(QColor(8, 8, 8));
    turned_book::Book onePage;
    onePage.pages = 1;
    onePage.angle = 1.0;
    const turned_book::Scan spread = turnedSpread();
    // As a scanner saves 256 colours: a palette of the paper's hues, no dithering.
    QList<QRgb> beige;
    for (int v = 0; v < 256; ++v)
        beige << qRgb(v, v * 231 / 236, v * 214 / 236);
    struct Case {
        QString name;
        QImage image;
        QString reason; // a word of the line; empty when the pages are found
    };
    const QList<Case> cases{
        {"libro001.png", black, "oscura"},
        {"libro002.png", spread.image.scaled(190, 134), "pequeña"},
        {"libro003.png", turned_book::makeScan(onePage).image, "una página"},
        {"libro004.png", spread.image.convertToFormat(QImage::Format_Grayscale16), {}},
        {"libro005.png",
         spread.image.convertToFormat(QImage::Format_Indexed8, beige, Qt::ThresholdDither),
         {}},
    };
    QString script = opening(folder.path(), false);
    for (int k = 0; k < cases.size(); ++k) {
        QVERIFY(cases[k].image.save(folder.filePath(cases[k].name)));
        script += QStringLiteral("dblclick LocalFiles %1\nclick cmdDetectar\n").arg(k) +
                  prints({"AnguloDetectado", "LomoDetectado", "ListaProceso.List"});
    }
    const Run run = runScript(script);
    // A search that found nothing is a failure of what was asked.
    QVERIFY2(run.status == 1, qPrintable(report(run)));
    struct Outcome {
        QString angle;
        QString fold;
        QString lastLine; // the newest line of the list
    };
    QList<Outcome> outcomes;
    for (const QString& line : run.printedLines) {
        const QString value = line.section(QStringLiteral(" = "), 1);
        if (line.startsWith(QStringLiteral("AnguloDetectado = ")))
            outcomes.append({value, {}, {}});
        else if (line.startsWith(QStringLiteral("LomoDetectado = ")))
            outcomes.last().fold = value;
        else
            outcomes.last().lastLine = value;
    }
    QCOMPARE(outcomes.size(), cases.size());
    for (int k = 0; k < cases.size(); ++k) {
        const Outcome& got = outcomes[k];
        const QString what = cases[k].name + QStringLiteral(": ") + got.lastLine;
        if (cases[k].reason.isEmpty()) {
            QVERIFY2(std::abs(got.angle.toDouble() - -2.3) <= 0.05, qPrintable(what));
            QVERIFY2(got.lastLine.startsWith(QStringLiteral("Giro -2,")), qPrintable(what));
            continue;
        }
        QCOMPARE(got.angle, QStringLiteral("0"));
        QCOMPARE(got.fold, QStringLiteral("-1"));
        QVERIFY2(got.lastLine.startsWith(QStringLiteral("No se encontraron páginas: ")) &&
                     got.lastLine.contains(cases[k].reason) &&
                     got.lastLine.endsWith(QStringLiteral(". No se cambia nada")),
                 qPrintable(what));
    }
}

QTEST_MAIN(DetectScriptTest)
#include "test_detect_script.moc"
