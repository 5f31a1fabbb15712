// Page-number labels through the real window: numbering modes, the odd and even selections, label
// pictures drawn by the machine's ImageMagick and stamped onto pages, failures and hostile names.
#include "ToolFolderWindow.h"

#include "app/ComboBox.h"
#include "app/ControlState.h"
#include "app/PictureBox.h"
#include "app/ProgressList.h"
#include "image/ImageBox.h"
#include "postfx/CommandScriptRunner.h"
#include "postfx/PageLabels.h"
#include "postfx/PageNumbering.h"
#include "sources/FileList.h"

#include <QCheckBox>
#include <QProcess>
#include <QPushButton>
#include <QScopeGuard>
#include <QSlider>
#include <QStandardPaths>

namespace {

const QStringList kNames = {"0001", "0002", "0003", "0004", "0005", "0006", "0007",
                            "0008", "0009", "0010", "0011", "0012", "cover"};

QList<int> selectedRows(const FileList* list) {
    QList<int> rows;
    for (int row = 0; row < list->count(); ++row) {
        if (list->isRowSelected(row))
            rows << row;
    }
    return rows;
}

void writeWhitePage(const QString& path) {
    QImage page(300, 400, QImage::Format_RGB32);
    page.fill(Qt::white);
    QVERIFY(page.save(path));
}

// A label picture drawn by convert straight from the command line, to compare stamped pages with.
QImage referenceLabel(const QString& font, const QString& text, const QString& out) {
    const QString convert = QStandardPaths::findExecutable(QStringLiteral("convert"));
    const int status =
        QProcess::execute(convert, {"-background", "white", "+antialias", "-fill", "black", "-font",
                                    font, "-pointsize", "144", "label:" + text, out});
    return status == 0 ? QImage(out) : QImage();
}

bool dark(QRgb pixel) {
    return qGray(pixel) < 128;
}

int darkPixels(const QImage& image) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += dark(image.pixel(x, y));
    return count;
}

// A window on a folder of white PNG pages, numbering odd pages with DejaVu Sans, the label
// stamped at full intensity and size at (20, 30).
struct NumberedBook {
    explicit NumberedBook(const QStringList& pages,
                          const QString& scansName = QStringLiteral("scans"))
        : f(QStringLiteral("program"), scansName) {
        for (const QString& name : pages)
            writeWhitePage(f.scans() + "/" + name);
        MainWindow& w = f.w();
        w.TipoOrigen->setListIndex(3);
        w.TipoGrande->setListIndex(3);
        w.ColorBw->setListIndex(5);
        w.WMTransNum->setValue(100);
        w.WMSizeNum->setValue(100);
    }
    void numberOddPages(int mode) {
        MainWindow& w = f.w();
        w.ChkNumeroNon->setChecked(true);
        w.MagicNonFont->setText(QStringLiteral("DejaVuSans.ttf"));
        w.MagikNonDato->setListIndex(mode);
    }
    void placeLabel() {
        f.w().WMHPosNum->setMaximum(300);
        f.w().WMVPosNum->setMaximum(400);
        f.w().WMHPosNum->setValue(20);
        f.w().WMVPosNum->setValue(30);
    }
    QString stamped(const QString& name) const { return f.scans() + "/jpeg_big/" + name; }
    QString labels() const { return f.scans() + "/watermark"; }
    ToolFolderWindow f;
};

} // namespace

class PageLabelsTest : public QObject {
    Q_OBJECT
private slots:
    void numberingModes_data();
    void numberingModes();
    void labelTextIsFourCharacters_data();
    void labelTextIsFourCharacters();
    void sidesSelectTheirPagesAndExcludeEachOther();
    void batchStampsEachPageWithItsNumber();
    void testLabelIsShownAndNothingWritten();
    void labelThatCannotBeDrawnLeavesThePage();
    void missingConvertIsOneLinePerRun();
    void effectTestDuringALabelRunsNothing();
    void hostileFontNamesRunNothing_data();
    void hostileFontNamesRunNothing();
    void hostileSourceFolderName();
};

void PageLabelsTest::numberingModes_data() {
    QTest::addColumn<bool>("odd");
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("labels"); // for 0001 … 0012 and cover, joined by "|"

    QTest::newRow("odd, Páginas:Completo")
        << true << 0 << "   1|   2|   3|   4|   5|   6|   7|   8|   9|  10|  11|  12|";
    QTest::newRow("odd, Páginas:Exc.Portada")
        << true << 1 << "|   1|   2|   3|   4|   5|   6|   7|   8|   9|  10|  11|";
    QTest::newRow("odd, Exc.Portada+1Pag")
        << true << 2 << "||   1|   2|   3|   4|   5|   6|   7|   8|   9|  10|";
    QTest::newRow("odd, Exc.Portada+2Pag")
        << true << 3 << "|||   1|   2|   3|   4|   5|   6|   7|   8|   9|";
    QTest::newRow("odd, Exc.Portada+3Pag")
        << true << 4 << "||||   1|   2|   3|   4|   5|   6|   7|   8|";
    // Sheets: halves go to the even neighbour ((2 + 1) / 2 = 1.5 is 2, (4 + 1) / 2 = 2.5 is 2).
    QTest::newRow("odd, Solo Impares:Completo")
        << true << 5 << "   1|   2|   2|   2|   3|   4|   4|   4|   5|   6|   6|   6|";
    QTest::newRow("odd, Solo Impares:Exc.Portada")
        << true << 6 << "||   1|   2|   2|   2|   3|   4|   4|   4|   5|   6|";
    QTest::newRow("odd, Solo Impares:Exc.Portada+1Pag")
        << true << 7 << "||||   1|   2|   2|   2|   3|   4|   4|   4|";
    QTest::newRow("odd, Solo Impares:Exc.Portada+2Pag")
        << true << 8 << "||||||   1|   2|   2|   2|   3|   4|";
    QTest::newRow("odd, Solo Impares:Exc.Portada+3Pag")
        << true << 9 << "||||||||   1|   2|   2|   2|";
    QTest::newRow("odd, No Numerar") << true << 10 << "||||||||||||";
    QTest::newRow("odd, no mode chosen") << true << -1 << "||||||||||||";
    QTest::newRow("even, Páginas:Completo")
        << false << 0 << "   1|   2|   3|   4|   5|   6|   7|   8|   9|  10|  11|  12|";
    QTest::newRow("even, Páginas:Exc.Portada")
        << false << 1 << "|   1|   2|   3|   4|   5|   6|   7|   8|   9|  10|  11|";
    QTest::newRow("even, Exc.Portada+3Pag")
        << false << 4 << "||||   1|   2|   3|   4|   5|   6|   7|   8|";
    QTest::newRow("even, Solo Pares:Completo")
        << false << 5 << "|   1|   2|   2|   2|   3|   4|   4|   4|   5|   6|   6|";
    QTest::newRow("even, Solo Pares:Exc.Portada")
        << false << 6 << "|||   1|   2|   2|   2|   3|   4|   4|   4|   5|";
    QTest::newRow("even, Solo Pares:Exc.Portada+1Pag")
        << false << 7 << "|||||   1|   2|   2|   2|   3|   4|   4|";
    QTest::newRow("even, Solo Pares:Exc.Portada+2Pag")
        << false << 8 << "|||||||   1|   2|   2|   2|   3|";
    QTest::newRow("even, Solo Pares:Exc.Portada+3Pag") << false << 9 << "|||||||||   1|   2|   2|";
    QTest::newRow("even, No Numerar") << false << 10 << "||||||||||||";
    QTest::newRow("even, no mode chosen") << false << -1 << "||||||||||||";
}

void PageLabelsTest::numberingModes() {
    QFETCH(bool, odd);
    QFETCH(int, mode);
    ToolFolderWindow f;
    MainWindow& w = f.w();
    (odd ? w.ChkNumeroNon : w.ChkNumeroPar)->setChecked(true);
    (odd ? w.MagikNonDato : w.MagikParDato)->setListIndex(mode);
    QStringList labels;
    for (const QString& name : kNames)
        labels << w.pageLabels().EtiquetaPagina(name);
    QTEST(labels.join("|"), "labels");
}

void PageLabelsTest::labelTextIsFourCharacters_data() {
    QTest::addColumn<qint64>("number");
    QTest::addColumn<QString>("text");
    QTest::newRow("one digit") << qint64(7) << "   7";
    QTest::newRow("two digits") << qint64(12) << "  12";
    QTest::newRow("four digits") << qint64(1234) << "1234";
    QTest::newRow("five digits keep the last four") << qint64(12345) << "2345";
    QTest::newRow("zero") << qint64(0) << "";
    QTest::newRow("below zero") << qint64(-3) << "";
}

void PageLabelsTest::labelTextIsFourCharacters() {
    QFETCH(qint64, number);
    QTEST(labelText(number), "text");
}

void PageLabelsTest::sidesSelectTheirPagesAndExcludeEachOther() {
    ToolFolderWindow f(QStringLiteral("program"), QStringLiteral("pages"));
    for (const char* name :
         {"0001.jpg", "0002.jpg", "0003.jpg", "0004.jpg", "0005.jpg", "0006.jpg", "cover.jpg"})
        ToolFolderWindow::touch(f.scans() + "/" + QString::fromLatin1(name));
    MainWindow& w = f.w();
    w.Files->refresh();
    // A page the operator selected by hand does not stay selected: the list is read anew.
    w.FiletoRenum->refresh();
    w.FiletoRenum->setRowSelected(1, true);
    w.ChkNumeroNon->setChecked(true);
    QCOMPARE(w.FiletoRenum->path(), f.scans());
    QCOMPARE(selectedRows(w.FiletoRenum), (QList<int>{0, 2, 4}));
    QVERIFY(!enabledFlag(w.ChkNumeroPar));
    QVERIFY(enabledFlag(w.MagicNonFont) && enabledFlag(w.MagikNonDato));
    QVERIFY(!enabledFlag(w.MagicParFont));

    w.ChkNumeroNon->setChecked(false);
    QCOMPARE(w.FiletoRenum->count(), 0);
    QVERIFY(!enabledFlag(w.FiletoRenum));
    QVERIFY(enabledFlag(w.ChkNumeroPar));
    QVERIFY(!enabledFlag(w.MagicNonFont));

    w.ChkNumeroPar->setChecked(true);
    QCOMPARE(selectedRows(w.FiletoRenum), (QList<int>{1, 3, 5, 6})); // cover.jpg counts as 0
    QVERIFY(!enabledFlag(w.ChkNumeroNon));
    QVERIFY(enabledFlag(w.MagicParFont) && enabledFlag(w.MagikParDato));
}

// Each odd page gets its own number where the label was placed: the stamped page holds the label
// picture that convert draws for that number, and nothing else changes.
void PageLabelsTest::batchStampsEachPageWithItsNumber() {
    NumberedBook book({"0001.png", "0002.png", "0003.png", "0004.png"});
    MainWindow& w = book.f.w();
    book.numberOddPages(0);
    book.placeLabel();
    QCOMPARE(selectedRows(w.FiletoRenum), (QList<int>{0, 2}));
    w.cmdNumProceso->click();
    QCOMPARE(linesOf(w.lstNumeracion), QStringList());
    QCOMPARE(QDir(book.f.scans() + "/jpeg_big").entryList(QDir::Files),
             (QStringList{"0001.png", "0003.png"}));
    QVERIFY(QFileInfo::exists(book.labels() + "/grafo.png"));
    QVERIFY(!book.f.scriptLeftBehind());

    const QString font = book.f.program() + "/imgmagic/DejaVuSans.ttf";
    for (const auto& [file, text] :
         {std::pair{"0001.png", "   1"}, std::pair{"0003.png", "   3"}}) {
        const QImage label = referenceLabel(font, text, book.f.path("expected.png"));
        QVERIFY(!label.isNull());
        const QImage page(book.stamped(file));
        QCOMPARE(page.size(), QSize(300, 400));
        int digits = 0;
        QString mismatch;
        for (int y = 0; y < page.height(); ++y) {
            for (int x = 0; x < page.width(); ++x) {
                const QPoint inLabel(x - 20, y - 30);
                const bool ink = label.rect().contains(inLabel) && dark(label.pixel(inLabel));
                if (dark(page.pixel(x, y)) != ink && mismatch.isEmpty())
                    mismatch = QStringLiteral("%1 differs at %2, %3").arg(file).arg(x).arg(y);
                digits += ink;
            }
        }
        QVERIFY2(mismatch.isEmpty(), qPrintable(mismatch));
        QVERIFY(digits > 100);
    }
}

void PageLabelsTest::testLabelIsShownAndNothingWritten() {
    NumberedBook book({"0001.png", "0002.png", "0003.png"});
    MainWindow& w = book.f.w();
    book.numberOddPages(0);
    book.placeLabel();
    // 0003 is told apart by its size; it becomes the first selected page.
    QImage larger(320, 420, QImage::Format_RGB32);
    larger.fill(Qt::white);
    QVERIFY(larger.save(book.f.scans() + "/0003.png"));
    w.FiletoRenum->setRowSelected(0, false);
    w.cmdNumPrueba->click();
    QCOMPARE(linesOf(w.lstNumeracion), QStringList());
    const QImage label(book.labels() + "/test.png");
    const QImage reference = referenceLabel(book.f.program() + "/imgmagic/DejaVuSans.ttf", " 146",
                                            book.f.path("expected.png"));
    QCOMPARE(label, reference);
    QCOMPARE(w.ImgPlantillaNum->image().size(), QSize(320, 420));
    QVERIFY(darkPixels(w.ImgPlantillaNum->image()) > 100);
    QVERIFY(!QFileInfo::exists(book.f.scans() + "/jpeg_big"));
}

// A label that cannot be drawn (here: no such font) is reported and its page left as it was,
// never stamped with the label of an earlier page; a page without a number is still written.
void PageLabelsTest::labelThatCannotBeDrawnLeavesThePage() {
    NumberedBook book({"0001.png", "0002.png", "0003.png", "0004.png"});
    MainWindow& w = book.f.w();
    QDir().mkpath(book.labels());
    QFile::copy(book.f.program() + "/imgmagic/ImgMgk_S.jpg", book.labels() + "/grafo.png");
    w.ChkNumeroPar->setChecked(true);
    w.MagicParFont->setText(QStringLiteral("nofont.ttf"));
    w.MagikParDato->setListIndex(6); // Solo Pares:Exc.Portada: 0002 gets no number
    QCOMPARE(selectedRows(w.FiletoRenum), (QList<int>{1, 3}));
    w.cmdNumProceso->click();
    const QStringList log = linesOf(w.lstNumeracion);
    QCOMPARE(log.size(), 1);
    QVERIFY2(log[0].startsWith("No se pudo dibujar la etiqueta \"   1\": ImageMagick: ") &&
                 log[0].contains("nofont.ttf"),
             qPrintable(log[0]));
    QVERIFY(!QFileInfo::exists(book.labels() + "/grafo.png"));
    QCOMPARE(QDir(book.f.scans() + "/jpeg_big").entryList(QDir::Files), QStringList{"0002.png"});
    const QImage unnumbered(book.stamped("0002.png"));
    QCOMPARE(unnumbered.pixel(150, 200), qRgb(255, 255, 255));
    QVERIFY(!book.f.scriptLeftBehind());
}

void PageLabelsTest::missingConvertIsOneLinePerRun() {
    NumberedBook book({"0001.png", "0003.png", "0005.png"});
    MainWindow& w = book.f.w();
    book.numberOddPages(0);
    QDir().mkpath(book.f.path("empty"));
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(book.f.path("empty")));
    const auto restore = qScopeGuard([&path] { qputenv("PATH", path); });
    w.cmdNumProceso->click();
    w.cmdNumProceso->click();
    QCOMPARE(linesOf(w.lstNumeracion), QStringList(2, CommandScriptRunner::missingConvertText()));
    QVERIFY(!QFileInfo::exists(book.f.scans() + "/jpeg_big/0001.png"));
}

// The window takes clicks while a label is drawn; an effect test clicked meanwhile must not
// start a second command script.
void PageLabelsTest::effectTestDuringALabelRunsNothing() {
    NumberedBook book({"0001.png"});
    MainWindow& w = book.f.w();
    book.numberOddPages(0);
    QDir().mkpath(book.labels());
    QMetaObject::invokeMethod(w.TestMgkNon, &QPushButton::click, Qt::QueuedConnection);
    QVERIFY(w.pageLabels().CreaEtiquetasNumero(book.labels() + "/grafo.png", "   1"));
    QVERIFY2(w.ImageTarget->message().contains("ocupado"), qPrintable(w.ImageTarget->message()));
    QVERIFY(!QFileInfo::exists(book.f.program() + "/imgmagic/ImgMgk_T.jpg"));
    QVERIFY(QImage(book.labels() + "/grafo.png").width() > 0);
    QVERIFY(!w.v.ProcesandoEfectos);
}

void PageLabelsTest::hostileFontNamesRunNothing_data() {
    QTest::addColumn<QString>("font");
    QTest::addColumn<bool>("refused"); // by the program itself, before convert runs
    QTest::newRow("single quotes") << "x'; touch pwned; '.ttf" << false;
    QTest::newRow("double quotes") << "x\"; touch pwned; \".ttf" << false;
    QTest::newRow("substitutions") << "$(touch pwned)`touch pwned`.ttf" << false;
    QTest::newRow("operators") << "x.ttf; touch pwned & touch pwned | touch pwned" << false;
    QTest::newRow("line break") << "x.ttf\ntouch pwned" << false;
    QTest::newRow("an option of convert") << "-write" << false;
    QTest::newRow("a file elsewhere") << "../../program/imgmagic/DejaVuSans.ttf" << true;
    QTest::newRow("an absolute path") << "/etc/passwd" << true;
    QTest::newRow("a font file") << "@DejaVuSans.ttf" << true;
}

// Each hostile font name either is refused or reaches convert as the font and nothing else:
// nothing runs, no label is drawn, no file appears.
void PageLabelsTest::hostileFontNamesRunNothing() {
    QFETCH(QString, font);
    QFETCH(bool, refused);
    NumberedBook book({"0001.png"});
    MainWindow& w = book.f.w();
    book.numberOddPages(0);
    w.MagicNonFont->setText(font);
    QDir().mkpath(book.labels());
    const QSet<QString> before = book.f.files();
    w.cmdNumProceso->click();
    QCOMPARE(book.f.files(), before);
    const QStringList log = linesOf(w.lstNumeracion);
    QCOMPARE(log.size(), 1);
    QVERIFY2(
        log[0].contains(refused ? "debe ser un fichero de la carpeta imgmagic" : "ImageMagick: "),
        qPrintable(log[0]));
}

// The source folder (where the labels are drawn and the pages written) named to break out of
// quoting: the labels land exactly where they should.
void PageLabelsTest::hostileSourceFolderName() {
    const QString name = "a'b\"c $(touch pwned) `touch pwned`; touch pwned & | %d * [1] -x\nz";
    NumberedBook book({"0001.png", "0002.png"}, name);
    MainWindow& w = book.f.w();
    book.numberOddPages(0);
    book.placeLabel();
    QSet<QString> expected = book.f.files();
    w.cmdNumPrueba->click();
    w.cmdNumProceso->click();
    QCOMPARE(linesOf(w.lstNumeracion), QStringList());
    expected +=
        {name + "/watermark/test.png", name + "/watermark/grafo.png", name + "/jpeg_big/0001.png"};
    QCOMPARE(book.f.files(), expected);
    QVERIFY(darkPixels(QImage(book.stamped("0001.png"))) > 100);
}

#include "test_page_labels.moc"

int runPageLabelsTests(int argc, char** argv) {
    PageLabelsTest test;
    return QTest::qExec(&test, argc, argv);
}
