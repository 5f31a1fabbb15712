// A batch that follows the book, run by the program as a separate process, as a script starts
// it: spreads lying turned and shifted on the scanner bed come out as straight pages with the
// printed block in one place, the same files whatever the number of workers.
#include "detect/PageFinder.h"

#include "ScriptedProgram.h"
#include "TurnedBook.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace turned_book;

namespace {

// The first spread is the reference: on screen when the batch starts, its pages found and the
// rectangles set on them. The last shows no text to follow the book by.
QList<Book> spreads() {
    QList<Book> books(5);
    books[0].angle = 0.9, books[0].shift = {6, -4};
    books[1].angle = 2.4, books[1].shift = {28, -9};
    books[2].angle = -3.1, books[2].shift = {-35, 12};
    books[3].angle = 1.2, books[3].shift = {10, 14};
    books[3].kinds[0] = Chapter;
    books[4].kinds[0] = Blank, books[4].kinds[1] = Picture;
    books[4].angle = 1.5;
    return books;
}

QString scanName(int scan) {
    return QStringLiteral("libro%1.png").arg(scan + 1, 3, 10, QLatin1Char('0'));
}

QString pageName(int scan, int side) {
    return QStringLiteral("libro%1.png").arg(2 * scan + 1 + side, 3, 10, QLatin1Char('0'));
}

// Tab 1 ("Ajustes de Recorte") or tab 4 (the interactive tab) cuts every spread into two pages.
ScriptRun runProgram(const QString& folder, bool follow, int workers, bool interactive = false) {
    QStringList script{QStringLiteral("set Dirs \"%1\"").arg(folder),
                       QStringLiteral("set TipoOrigen \"Imágenes PNG\""),
                       QStringLiteral("set ChkSepara2Img 1"),
                       QStringLiteral("set TipoGrande \"Imágenes PNG\""),
                       QStringLiteral("set ColorBw \"Color Verdadero 24 bits (16 millones)\""),
                       QStringLiteral("set MasMenosAnG 500"),
                       QStringLiteral("set MasMenosAlG 700"),
                       QStringLiteral("set Interactivo %1").arg(interactive ? 1 : 0),
                       QStringLiteral("click AceptaConfig")};
    // The first scan on screen; when the batch follows the book, its pages found first (which
    // shows it straightened), and the rectangles set a little inside its pages.
    const QString tab = interactive ? QStringLiteral("2") : QString();
    script << QStringLiteral("dblclick LocalFiles%1 0").arg(tab);
    if (interactive)
        script << QStringLiteral("set chkMargenNegro 0");
    if (follow)
        script << (interactive ? QStringLiteral("click cmdICDetectar")
                               : QStringLiteral("click cmdDetectar"));
    script << QStringLiteral("set SelectionSize%1 920").arg(tab)
           << QStringLiteral("set Altura%1 90").arg(tab)
           << (interactive ? QStringLiteral("set SelectionWidth2i 780\nset SelectionWidth2d 780")
                           : QStringLiteral("set SelectionWidth 780"))
           << QStringLiteral("set UpDowni%1 115").arg(tab)
           << QStringLiteral("set UpDownd%1 %2").arg(tab).arg(interactive ? 660 : 1149)
           << QStringLiteral("set %1 %2")
                  .arg(interactive ? "chkICSeguirLibro" : "chkSeguirLibro")
                  .arg(follow ? 1 : 0)
           << QStringLiteral("select LocalFiles%1 all").arg(tab)
           << (interactive ? QStringLiteral("click cmdICLote\nprint lstActividad.List")
                           : QStringLiteral("click CortaLote\nprint ListaProceso.List"));
    return runScript(script, workers);
}

// A folder of the spreads, cut by one batch.
struct Batch {
    QTemporaryDir dir;
    ScriptRun run;
    Batch(bool follow, int workers, bool interactive = false) {
        const QList<Book> books = spreads();
        for (int k = 0; k < books.size(); ++k)
            makeScan(books[k]).image.save(dir.filePath(scanName(k)));
        run = runProgram(dir.path(), follow, workers, interactive);
    }
    QString page(int scan, int side) const {
        return dir.filePath(QStringLiteral("jpeg_big/") + pageName(scan, side));
    }
    QByteArray bytes(int scan, int side) const {
        QFile file(page(scan, side));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
};

// How a cut page lies: the turn of its lines of text.
PageFinding lie(const QString& path) {
    PageFinderOptions onePage;
    onePage.spread = false;
    return findPages(QImage(path), onePage);
}

// Where the lines of print lie on a cut page: the box of the dark pixels of the rows that are
// lines of print (a fifth to four fifths of them dark: words with gaps between them), leaving out
// columns dark nearly all along. A page cut close to its paper may show slivers of the scanner
// bed along the edges of its cut, and such rows and columns are those slivers.
QRect printOn(const QString& path) {
    const QImage page = QImage(path).convertToFormat(QImage::Format_RGB32);
    const int w = page.width(), h = page.height();
    auto dark = [&](int x, int y) { return qGray(page.pixel(x, y)) < 100; };
    QList<int> inRow(h), inColumn(w);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (dark(x, y))
                ++inRow[y], ++inColumn[x];
    QRect box;
    for (int y = 0; y < h; ++y) {
        if (inRow[y] < w / 5 || inRow[y] > w * 4 / 5)
            continue;
        for (int x = 0; x < w; ++x)
            if (inColumn[x] < h * 4 / 5 && dark(x, y))
                box |= QRect(x, y, 1, 1);
    }
    return box;
}

} // namespace

class FollowedBatchTest : public QObject {
    Q_OBJECT
private slots:
    void pagesComeOutStraightWithTheBlockInPlace_data();
    void pagesComeOutStraightWithTheBlockInPlace();
};

void FollowedBatchTest::pagesComeOutStraightWithTheBlockInPlace_data() {
    QTest::addColumn<bool>("follow");
    QTest::addColumn<bool>("interactive");
    QTest::newRow("following the book") << true << false;
    QTest::newRow("following the book on the interactive tab") << true << true;
    // Without following, the same batch gives leaning pages: what the checks would catch.
    QTest::newRow("rectangles as set") << false << false;
}

void FollowedBatchTest::pagesComeOutStraightWithTheBlockInPlace() {
    QFETCH(bool, follow);
    QFETCH(bool, interactive);
    const Batch batch(follow, 3, interactive);
    const QString list =
        interactive ? QStringLiteral("lstActividad") : QStringLiteral("ListaProceso");
    QCOMPARE(batch.run.status, 0);
    const QList<Book> books = spreads();
    // Every page is written, the one where no book is found too.
    for (int scan = 0; scan < books.size(); ++scan)
        for (int side = 0; side < 2; ++side)
            QVERIFY2(QFileInfo::exists(batch.page(scan, side)), qPrintable(pageName(scan, side)));

    const QRect reference[2] = {printOn(batch.page(0, 0)), printOn(batch.page(0, 1))};
    int leaning = 0;
    // The reference is followed too: straightened by its own turn.
    for (int scan = follow ? 0 : 1; scan < books.size() - 1; ++scan) {
        for (int side = 0; side < 2; ++side) {
            const PageFinding page = lie(batch.page(scan, side));
            const QString where = pageName(scan, side);
            QVERIFY2(page.found, qPrintable(where + QStringLiteral(": ") + page.reason));
            const QRect block = printOn(batch.page(scan, side)), set = reference[side];
            const bool straight = std::abs(page.angle) <= 0.1;
            leaning += !straight;
            if (!follow)
                continue;
            QVERIFY2(straight, qPrintable(where + QStringLiteral(" leans by %1°").arg(page.angle)));
            const QPoint from = block.topLeft() - set.topLeft(),
                         to = block.bottomRight() - set.bottomRight();
            // A chapter opening has a few lines under its heading: their sides are the block's.
            QVERIFY2(std::abs(from.x()) <= 3 && std::abs(to.x()) <= 3 &&
                         (books[scan].kinds[side] != Text ||
                          (std::abs(from.y()) <= 3 && std::abs(to.y()) <= 3)),
                     qPrintable(where + QStringLiteral(": block misses by %1, %2 to %3, %4")
                                            .arg(from.x())
                                            .arg(from.y())
                                            .arg(to.x())
                                            .arg(to.y())));
        }
    }
    if (!follow) {
        QCOMPARE(leaning, 6);
        return;
    }
    // The scans are found and cut on the workers ahead: one worker or three, the same files.
    if (!interactive) {
        const Batch one(true, 1);
        QCOMPARE(one.run.status, 0);
        for (int scan = 0; scan < books.size(); ++scan)
            for (int side = 0; side < 2; ++side)
                QVERIFY2(!one.bytes(scan, side).isEmpty() &&
                             one.bytes(scan, side) == batch.bytes(scan, side),
                         qPrintable(pageName(scan, side)));
    }

    // A line for every scan: its turn and shift, or that the book was not followed.
    const QRegularExpression followed(
        QStringLiteral("^%1\\.List\\[\\d+\\] = Giro (-?\\d+),(\\d\\d)°; desplazamiento "
                       "(-?\\d+), (-?\\d+) píxeles$")
            .arg(list));
    QList<QRegularExpressionMatch> lines;
    for (const QString& line : batch.run.printedLines)
        if (const QRegularExpressionMatch m = followed.match(line); m.hasMatch())
            lines << m;
    QCOMPARE(lines.size(), books.size() - 1);
    for (int scan = 0; scan < lines.size(); ++scan) {
        const double turn = (lines[scan].captured(1) + '.' + lines[scan].captured(2)).toDouble();
        const QPointF miss =
            QPointF(lines[scan].captured(3).toInt(), lines[scan].captured(4).toInt()) -
            (books[scan].shift - books[0].shift);
        QVERIFY2(std::abs(turn - books[scan].angle) <= 0.05 && std::abs(miss.x()) <= 3 &&
                     std::abs(miss.y()) <= 3,
                 qPrintable(lines[scan].captured(0)));
    }
    QCOMPARE(batch.run.printedLines
                 .filter(QRegularExpression(
                     QStringLiteral("^%1\\.List\\[\\d+\\] = Libro no seguido \\(").arg(list)))
                 .size(),
             1);
}

QTEST_MAIN(FollowedBatchTest)
#include "test_followed_batch.moc"
