// Following the book from scan to scan: rectangles set on one scan land on the same part of the
// book on another scan where the book lies turned and shifted, and stay where they were when
// the book is not found.
#include "crop/BookFollowing.h"
#include "image/TurnGeometry.h"

#include "TurnedBook.h"

#include <QTest>

using namespace turned_book;

namespace {

constexpr QSize kSpreadScan(1240, 877);
constexpr QSize kPageScan(700, 877);

Book book(int pages, double angle, QPointF shift, Kind left = Text, Kind right = Text) {
    Book b;
    b.pages = pages;
    b.angle = angle;
    b.shift = shift;
    b.kinds[0] = left, b.kinds[1] = right;
    return b;
}

} // namespace

Q_DECLARE_METATYPE(Book)

class BookFollowingTest : public QObject {
    Q_OBJECT
private slots:
    void rectanglesStayOnTheSamePartOfTheBook_data();
    void rectanglesStayOnTheSamePartOfTheBook();
    void aBookNotFoundLeavesTheRectanglesUnturned_data();
    void aBookNotFoundLeavesTheRectanglesUnturned();
    void aJumpNoBookMakesIsNotFollowed();
    void theLineGivesTurnAndShiftWithADecimalComma();
};

void BookFollowingTest::rectanglesStayOnTheSamePartOfTheBook_data() {
    QTest::addColumn<Book>("reference");
    QTest::addColumn<Book>("scan");
    QTest::addColumn<bool>("setOnStraightened"); // else on the reference scan as it is
    QTest::newRow("the same scan") << book(2, 1.3, {}) << book(2, 1.3, {}) << true;
    QTest::newRow("moved, turned the other way")
        << book(2, 0.8, {-10, 6}) << book(2, -2.1, {30, -12}) << true;
    QTest::newRow("from a straight reference to a steep turn")
        << book(2, 0, {}) << book(2, 3.4, {-25, 9}) << true;
    QTest::newRow("rectangles set on the leaning reference as it is")
        << book(2, 1.6, {5, 0}) << book(2, -0.9, {-20, 14}) << false;
    // The top edge of the paper lies beyond the scan's border: only the bottom edge tells how
    // far the book moved down.
    QTest::newRow("top of the book cut off by the scan's border")
        << book(2, 0.5, {0, 20}) << book(2, -1.0, {15, -72}) << true;
    QTest::newRow("chapter opening facing a blank page")
        << book(2, 1.1, {}) << book(2, -1.4, {12, 5}, Blank, Chapter) << true;
    QTest::newRow("one page a scan") << book(1, -1.2, {10, -4}) << book(1, 2.2, {-30, 10}) << true;
}

void BookFollowingTest::rectanglesStayOnTheSamePartOfTheBook() {
    QFETCH(Book, reference);
    QFETCH(Book, scan);
    QFETCH(bool, setOnStraightened);
    const QSize size = reference.pages == 2 ? kSpreadScan : kPageScan;
    const Scan from = makeScan(reference, size), to = makeScan(scan, size);
    const bool spread = reference.pages == 2;
    BookReference ref = bookReference(from.image, 0, spread);
    QVERIFY2(ref.finding.found, qPrintable(ref.finding.reason));
    if (setOnStraightened)
        ref.rectanglesTurn = ref.finding.angle;
    // A rectangle over each page of the reference, a little inside its paper.
    const TurnGeometry setOnTurn(size, ref.rectanglesTurn);
    QList<QRectF> rectangles;
    for (int k = 0; k < reference.pages; ++k) {
        const QPointF centre = from.place.map(QPointF((k + 0.5) * kPageW, 0.45 * kPageH));
        QRectF r(0, 0, kPageW - 60, kPageH - 90);
        r.moveCenter(setOnTurn.toTurned(centre));
        rectangles << r;
    }

    const FollowedBook followed = followBook(ref, rectangles, findBook(to.image, ref), size);
    QVERIFY2(followed.found, qPrintable(followed.reason));
    QVERIFY2(std::abs(followed.turn - scan.angle) <= 0.05,
             qPrintable(QString::number(followed.turn)));
    QCOMPARE(followed.rectangles.size(), rectangles.size());
    // The book turns about its middle, which moves by the difference of the shifts.
    const QPointF moved = scan.shift - reference.shift;
    QVERIFY2(QLineF(followed.shift, moved).length() <= 3,
             qPrintable(QStringLiteral("%1, %2").arg(followed.shift.x()).arg(followed.shift.y())));
    const TurnGeometry toTurn(size, followed.turn);
    const QTransform bookOfReference = from.place.inverted();
    for (int k = 0; k < rectangles.size(); ++k) {
        // The same point of the book, on the scan's straightened canvas.
        const QPointF bookPoint = bookOfReference.map(setOnTurn.toSource(rectangles[k].center()));
        const QPointF expected = toTurn.toTurned(to.place.map(bookPoint));
        const QPointF miss = followed.rectangles[k].center() - expected;
        QVERIFY2(
            std::abs(miss.x()) <= 4 && std::abs(miss.y()) <= 4,
            qPrintable(
                QStringLiteral("page %1 misses by %2, %3").arg(k).arg(miss.x()).arg(miss.y())));
        QCOMPARE(followed.rectangles[k].size(), rectangles[k].size());
    }
}

void BookFollowingTest::aBookNotFoundLeavesTheRectanglesUnturned_data() {
    QTest::addColumn<Book>("reference");
    QTest::addColumn<Book>("scan");
    QTest::addColumn<QString>("reason"); // a word of it
    QTest::newRow("a blank page facing a plate")
        << book(2, 1.5, {}) << book(2, 2.0, {10, 0}, Blank, Picture) << QStringLiteral("texto");
    QTest::newRow("nothing to follow on the reference")
        << book(2, 1.5, {}, Blank, Picture) << book(2, 2.0, {10, 0})
        << QStringLiteral("referencia");
    QTest::newRow("one page where a spread was expected")
        << book(2, -0.7, {}) << book(1, 1.0, {}) << QStringLiteral("una página");
}

void BookFollowingTest::aBookNotFoundLeavesTheRectanglesUnturned() {
    QFETCH(Book, reference);
    QFETCH(Book, scan);
    QFETCH(QString, reason);
    const BookReference ref = bookReference(makeScan(reference).image, 1.5, true);
    // Set on the preview turned by 1.5°: unturned, the rectangle keeps its place on the scan.
    const QRectF r(200, 150, 400, 600);
    const QPointF onScan = TurnGeometry(kSpreadScan, 1.5).toSource(r.center());
    const FollowedBook followed =
        followBook(ref, {r}, findBook(makeScan(scan).image, ref), kSpreadScan);
    QVERIFY(!followed.found);
    QVERIFY2(followed.reason.contains(reason), qPrintable(followed.reason));
    QCOMPARE(followed.turn, 0.0);
    QCOMPARE(followed.rectangles.size(), 1);
    QCOMPARE(followed.rectangles[0].size(), r.size());
    QVERIFY(QLineF(followed.rectangles[0].center(), onScan).length() < 1e-6);
    QVERIFY(followedLine(followed).contains(QStringLiteral("sin girar")));
}

// A finding that puts the fold a third of the scan away from the reference's is a wrong one.
void BookFollowingTest::aJumpNoBookMakesIsNotFollowed() {
    const BookReference ref = bookReference(makeScan(book(2, 0.5, {})).image, 0.5, true);
    QVERIFY(ref.finding.found);
    PageFinding jumped = ref.finding;
    jumped.gutterTurned += kSpreadScan.width() / 3;
    const FollowedBook followed =
        followBook(ref, {QRectF(100, 100, 300, 500)}, jumped, kSpreadScan);
    QVERIFY(!followed.found);
    QVERIFY2(followed.reason.contains(QStringLiteral("movido")), qPrintable(followed.reason));
}

void BookFollowingTest::theLineGivesTurnAndShiftWithADecimalComma() {
    FollowedBook followed;
    followed.found = true;
    followed.turn = -0.4237;
    followed.shift = QPointF(12.4, -3.6);
    QCOMPARE(followedLine(followed), QStringLiteral("Giro -0,42°; desplazamiento 12, -4 píxeles"));
}

QTEST_MAIN(BookFollowingTest)
#include "test_book_following.moc"
