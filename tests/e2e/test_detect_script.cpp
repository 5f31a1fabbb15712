// The page-finding buttons driven by scripts, with the program started as a separate process as
// a shell script starts it: a turned spread is found on either tab and the tab's rectangles cover
// its pages; scans without pages change nothing.
#include "ScriptedProgram.h"
#include "TurnedBook.h"

#include <QImage>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>

namespace {

// The statements that open the folder's PNG scans, as spreads, on the automatic or the
// interactive tab.
QStringList opening(const QString& folder, bool interactive) {
    QStringList lines{QStringLiteral("set Dirs \"%1\"").arg(folder),
                      QStringLiteral("set TipoOrigen \"Imágenes PNG\""),
                      QStringLiteral("set ChkSepara2Img 1")};
    if (interactive)
        lines << QStringLiteral("set Interactivo 1");
    return lines << QStringLiteral("click AceptaConfig");
}

QStringList prints(const QStringList& names) {
    QStringList lines;
    for (const QString& name : names)
        lines << QStringLiteral("print ") + name;
    return lines;
}

// [left, left + width) × [top, bottom) from the printed values so named.
QRectF printedRect(const ScriptRun& run, const QStringList& names) {
    const auto value = [&](int k) { return run.printed.value(names[k]).toDouble(); };
    return QRectF(QPointF(value(0), value(2)), QPointF(value(0) + value(1), value(3)));
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
    void rectanglesCoverTheFoundPages_data();
    void rectanglesCoverTheFoundPages();
    void scansWithoutPagesChangeNothing();
};

void DetectScriptTest::rectanglesCoverTheFoundPages_data() {
    QTest::addColumn<bool>("interactive");
    QTest::newRow("automatic tab") << false;
    QTest::newRow("interactive tab") << true;
}

void DetectScriptTest::rectanglesCoverTheFoundPages() {
    QFETCH(bool, interactive);
    QTemporaryDir folder;
    const turned_book::Scan spread = turnedSpread();
    QVERIFY(spread.image.save(folder.filePath(QStringLiteral("libro001.png"))));
    // Left, width, top and bottom of each page's rectangle.
    const QString tab = interactive ? QStringLiteral("2") : QString();
    const QStringList names[2] = {
        {"MargenIzq" + tab, "AnchoSeleccion" + tab + (interactive ? "i" : ""),
         "MargenSuperior" + tab, "LimiteInferior" + tab},
        {"MargenDch" + tab, "AnchoSeleccion" + tab + (interactive ? "d" : ""),
         "MargenSuperior" + tab, "LimiteInferior" + tab}};
    const QString list =
        interactive ? QStringLiteral("lstActividad") : QStringLiteral("ListaProceso");
    QStringList script = opening(folder.path(), interactive);
    script << (interactive ? QStringLiteral("dblclick LocalFiles2 0\nclick cmdICDetectar")
                           : QStringLiteral("dblclick LocalFiles 0\nclick cmdDetectar"))
           << prints(QStringList{"AnguloDetectado", "LomoDetectado", "UpDowni", "UpDownd",
                                 "lblAnguloGiro", list + ".List"} +
                     names[0] + names[1]);
    const ScriptRun run = runScript(script);
    QVERIFY2(run.status == 0, qPrintable(run.report()));
    const double angle = run.printed.value(QStringLiteral("AnguloDetectado")).toDouble();
    const int fold = run.printed.value(QStringLiteral("LomoDetectado")).toInt();
    QVERIFY2(std::abs(angle - -2.3) <= 0.05, qPrintable(run.report()));
    QVERIFY2(std::abs(fold - spread.gutter) <= 0.005 * spread.image.width(),
             qPrintable(run.report()));
    const QString line = QStringLiteral("Giro %1°; lomo en x=%2")
                             .arg(QString::number(angle, 'f', 2).replace('.', ','))
                             .arg(fold);
    const QStringList listed = run.printedLines.filter(QRegularExpression("^" + list + "\\.List"));
    QVERIFY2(!listed.isEmpty() && listed.last().endsWith(QStringLiteral(" = ") + line),
             qPrintable(run.report()));
    // Each page's rectangle on the turned canvas holds its printed block and keeps to its
    // paper, which shows all round on the bed (the canvas of the found turn is within a pixel
    // of the true one here).
    const QRectF rects[2] = {printedRect(run, names[0]), printedRect(run, names[1])};
    for (int k = 0; k < 2; ++k) {
        QVERIFY2(rects[k].contains(spread.content[k].adjusted(2, 2, -2, -2)),
                 qPrintable(run.report()));
        QVERIFY2(spread.paper[k].adjusted(-6, -6, 6, 6).contains(rects[k]),
                 qPrintable(run.report()));
    }
    QVERIFY(rects[0].right() <= rects[1].left());
    if (interactive) {
        // The preview is shown turned by what was found.
        QVERIFY2(run.printed.value(QStringLiteral("lblAnguloGiro")).startsWith("Giro: -2,"),
                 qPrintable(run.report()));
    } else {
        // The sliders say the same as the values they give.
        QCOMPARE(run.printed.value(QStringLiteral("UpDowni")).toDouble(), rects[0].left());
        QCOMPARE(run.printed.value(QStringLiteral("UpDownd")).toDouble(), rects[1].right());
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
    QStringList script = opening(folder.path(), false);
    for (int k = 0; k < cases.size(); ++k) {
        QVERIFY(cases[k].image.save(folder.filePath(cases[k].name)));
        script << QStringLiteral("dblclick LocalFiles %1\nclick cmdDetectar").arg(k)
               << prints({"AnguloDetectado", "LomoDetectado", "ListaProceso.List"});
    }
    const ScriptRun run = runScript(script);
    // A search that found nothing is a failure of what was asked.
    QVERIFY2(run.status == 1, qPrintable(run.report()));
    // Each scan's printed values: its angle, its fold and the lines of the list.
    QList<QStringList> outcomes;
    for (const QString& line : run.printedLines) {
        if (line.startsWith(QStringLiteral("AnguloDetectado = ")))
            outcomes.append(QStringList());
        outcomes.last() << line.section(QStringLiteral(" = "), 1);
    }
    QCOMPARE(outcomes.size(), cases.size());
    for (int k = 0; k < cases.size(); ++k) {
        QVERIFY2(outcomes[k].size() >= 3, qPrintable(run.report()));
        const QString angle = outcomes[k][0], fold = outcomes[k][1], newest = outcomes[k].last();
        const QString what = cases[k].name + QStringLiteral(": ") + newest;
        if (cases[k].reason.isEmpty()) {
            QVERIFY2(std::abs(angle.toDouble() - -2.3) <= 0.05, qPrintable(what));
            QVERIFY2(newest.startsWith(QStringLiteral("Giro -2,")), qPrintable(what));
            continue;
        }
        QCOMPARE(angle, QStringLiteral("0"));
        QCOMPARE(fold, QStringLiteral("-1"));
        QVERIFY2(newest.startsWith(QStringLiteral("No se encontraron páginas: ")) &&
                     newest.contains(cases[k].reason) &&
                     newest.endsWith(QStringLiteral(". No se cambia nada")),
                 qPrintable(what));
    }
}

QTEST_MAIN(DetectScriptTest)
#include "test_detect_script.moc"
