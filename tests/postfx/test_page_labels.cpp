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
#include <QPainter>
#include <QProcess>
#include <QPushButton>
#include <QSlider>
#include <QStandardPaths>
#include <QTest>

namespace {

QList<int> selectedRows(const FileList* list) {
    QList<int> rows;
    for (int row = 0; row < list->count(); ++row) {
        if (list->isRowSelected(row))
            rows << row;
    }
    return rows;
}

// A window on a folder of white 300 × 400 PNG pages, written as PNG in 24-bit colour, the label
// stamped at full intensity and size at (20, 30); odd pages numbered with DejaVu Sans.
struct NumberedBook {
    explicit NumberedBook(const QStringList& pages, const QString& scansName = "scans")
        : f("program", scansName) {
        for (const QString& name : pages) {
            QImage page(300, 400, QImage::Format_RGB32);
            page.fill(Qt::white);
            page.save(f.scans + "/" + name);
        }
        MainWindow& w = f.w();
        w.TipoOrigen->setListIndex(3);
        w.TipoGrande->setListIndex(3);
        w.ColorBw->setListIndex(5);
        w.WMTransNum->setValue(100);
        w.WMHPosNum->setMaximum(300);
        w.WMVPosNum->setMaximum(400);
        w.WMHPosNum->setValue(20);
        w.WMVPosNum->setValue(30);
        w.ChkNumeroNon->setChecked(true);
        w.MagicNonFont->setText("DejaVuSans.ttf");
        w.MagikNonDato->setListIndex(0);
    }
    QString labels() const { return f.scans + "/watermark/"; }
    QStringList written() const { return QDir(f.scans + "/jpeg_big").entryList(QDir::Files); }
    ToolFolderWindow f;
};

// The label convert draws for `text`, straight from the command line.
QImage referenceLabel(const ToolFolderWindow& f, const QString& text) {
    const QString out = f.path("reference.png");
    QProcess::execute(QStandardPaths::findExecutable("convert"),
                      {"-background", "white", "+antialias", "-fill", "black", "-font",
                       f.program + "/imgmagic/DejaVuSans.ttf", "-pointsize", "144", "label:" + text,
                       out});
    return QImage(out);
}

} // namespace

class PageLabelsTest : public QObject {
    Q_OBJECT
private slots:
    void numberingModes_data() {
        QTest::addColumn<bool>("odd");
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("labels"); // of 0001 … 0012 and cover, joined by "|"
        const auto row = [](bool odd, int mode, const char* labels) {
            QTest::addRow("%s %d", odd ? "odd" : "even", mode) << odd << mode << QString(labels);
        };
        row(true, 0, "   1|   2|   3|   4|   5|   6|   7|   8|   9|  10|  11|  12|");
        row(true, 1, "|   1|   2|   3|   4|   5|   6|   7|   8|   9|  10|  11|");
        row(true, 2, "||   1|   2|   3|   4|   5|   6|   7|   8|   9|  10|");
        row(true, 3, "|||   1|   2|   3|   4|   5|   6|   7|   8|   9|");
        row(true, 4, "||||   1|   2|   3|   4|   5|   6|   7|   8|");
        // Sheets: (2 + 1) / 2 = 1.5 goes to 2, (4 + 1) / 2 = 2.5 goes to 2 as well.
        row(true, 5, "   1|   2|   2|   2|   3|   4|   4|   4|   5|   6|   6|   6|");
        row(true, 6, "||   1|   2|   2|   2|   3|   4|   4|   4|   5|   6|");
        row(true, 7, "||||   1|   2|   2|   2|   3|   4|   4|   4|");
        row(true, 8, "||||||   1|   2|   2|   2|   3|   4|");
        row(true, 9, "||||||||   1|   2|   2|   2|");
        row(true, 10, "||||||||||||");
        row(true, -1, "||||||||||||");
        row(false, 4, "||||   1|   2|   3|   4|   5|   6|   7|   8|");
        row(false, 5, "|   1|   2|   2|   2|   3|   4|   4|   4|   5|   6|   6|");
        row(false, 6, "|||   1|   2|   2|   2|   3|   4|   4|   4|   5|");
        row(false, 7, "|||||   1|   2|   2|   2|   3|   4|   4|");
        row(false, 8, "|||||||   1|   2|   2|   2|   3|");
        row(false, 9, "|||||||||   1|   2|   2|");
        row(false, 10, "||||||||||||");
    }

    void numberingModes() {
        QFETCH(bool, odd);
        QFETCH(int, mode);
        ToolFolderWindow f;
        MainWindow& w = f.w();
        (odd ? w.ChkNumeroNon : w.ChkNumeroPar)->setChecked(true);
        (odd ? w.MagikNonDato : w.MagikParDato)->setListIndex(mode);
        QStringList labels;
        for (const char* name : {"0001", "0002", "0003", "0004", "0005", "0006", "0007", "0008",
                                 "0009", "0010", "0011", "0012", "cover"})
            labels << w.pageLabels().EtiquetaPagina(name);
        QTEST(labels.join("|"), "labels");
    }

    void labelTextIsFourCharacters() {
        QCOMPARE(labelText(12), "  12");
        QCOMPARE(labelText(12345), "2345");
    }

    void sidesSelectTheirPagesAndExcludeEachOther() {
        ToolFolderWindow f;
        for (const char* name : {"0001", "0002", "0003", "0004", "0005", "0006", "cover"}) {
            QFile file(f.scans + "/" + name + ".jpg");
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        MainWindow& w = f.w();
        w.Files->refresh();
        w.FiletoRenum->refresh();
        w.FiletoRenum->setRowSelected(1, true); // by hand; ticking reads the list anew
        w.ChkNumeroNon->setChecked(true);
        QCOMPARE(selectedRows(w.FiletoRenum), (QList<int>{0, 2, 4}));
        QVERIFY(!enabledFlag(w.ChkNumeroPar) && !enabledFlag(w.MagicParFont));
        QVERIFY(enabledFlag(w.MagicNonFont) && enabledFlag(w.MagikNonDato));
        w.ChkNumeroNon->setChecked(false);
        QVERIFY(w.FiletoRenum->count() == 0 && !enabledFlag(w.FiletoRenum));
        QVERIFY(enabledFlag(w.ChkNumeroPar) && !enabledFlag(w.MagicNonFont));
        w.ChkNumeroPar->setChecked(true);
        QCOMPARE(selectedRows(w.FiletoRenum), (QList<int>{1, 3, 5, 6})); // cover counts as 0
        QVERIFY(!enabledFlag(w.ChkNumeroNon) && enabledFlag(w.MagikParDato));
    }

    // In a source folder named to break out of quoting, the test label and then each odd page's
    // label are drawn exactly where they should be; every stamped page holds, where the label
    // was placed, the picture convert draws for its number, and nothing else changes. An effect
    // test clicked while the test label is drawn (the window takes clicks meanwhile) must not
    // start a second command script.
    void labelsLandWhereTheyArePlacedEvenInAHostileFolder() {
        const QString folder = "a'b\"c $(touch pwned) `touch pwned`; & | %d * [1] -x\nz";
        NumberedBook book({"0001.png", "0002.png", "0003.png"}, folder);
        MainWindow& w = book.f.w();
        QSet<QString> expected = book.f.files();
        QMetaObject::invokeMethod(w.TestMgkNon, &QPushButton::click, Qt::QueuedConnection);
        w.cmdNumPrueba->click();
        QVERIFY(w.ImgPlantillaNum->HasImage());
        QVERIFY2(w.ImageTarget->message().contains("ocupado"),
                 qPrintable(w.ImageTarget->message()));
        QVERIFY(!w.v.ProcesandoEfectos);
        w.cmdNumProceso->click();
        QCOMPARE(linesOf(w.lstNumeracion), QStringList());
        expected += {folder + "/watermark/test.png", folder + "/watermark/grafo.png",
                     folder + "/jpeg_big/0001.png", folder + "/jpeg_big/0003.png"};
        QCOMPARE(book.f.files(), expected);
        QVERIFY(!book.f.scriptLeftBehind());
        QCOMPARE(QImage(book.labels() + "test.png"), referenceLabel(book.f, " 146"));

        // convert draws labels black on white without antialiasing: the stamped page is the
        // white page with the reference label's pixels at (20, 30).
        QImage blank(300, 400, QImage::Format_RGB32);
        blank.fill(Qt::white);
        for (const char* number : {"1", "3"}) {
            QImage expected = blank;
            QPainter(&expected).drawImage(20, 30, referenceLabel(book.f, QString("   ") + number));
            QVERIFY(expected != blank);
            QCOMPARE(QImage(book.f.scans + "/jpeg_big/000" + number + ".png"), expected);
        }
    }

    // A label that cannot be drawn (no such font) is reported and its page left as it was,
    // never stamped with an earlier page's label; a page without a number is still written.
    // Without convert, each numbering run says so once and writes nothing.
    void labelThatCannotBeDrawnLeavesThePage() {
        NumberedBook book({"0001.png", "0002.png", "0003.png", "0004.png"});
        MainWindow& w = book.f.w();
        w.ChkNumeroNon->setChecked(false);
        w.ChkNumeroPar->setChecked(true);
        w.MagicParFont->setText("nofont.ttf");
        w.MagikParDato->setListIndex(6); // Solo Pares:Exc.Portada: 0002 gets no number, 0004 1
        QDir().mkpath(book.labels());
        QFile::copy(book.f.program + "/imgmagic/ImgMgk_S.jpg", book.labels() + "grafo.png");
        w.cmdNumProceso->click();
        const QStringList log = linesOf(w.lstNumeracion);
        QVERIFY2(log.size() == 1 &&
                     log[0].startsWith("No se pudo dibujar la etiqueta \"   1\": ") &&
                     log[0].contains("nofont.ttf"),
                 qPrintable(log.join('|')));
        QVERIFY(!QFile::exists(book.labels() + "grafo.png"));
        QCOMPARE(book.written(), QStringList{"0002.png"});
        QCOMPARE(QImage(book.f.scans + "/jpeg_big/0002.png").pixel(150, 200), qRgb(255, 255, 255));

        w.MagikParDato->setListIndex(0); // every even page gets a number
        QVERIFY(QFile::remove(book.f.scans + "/jpeg_big/0002.png"));
        w.lstNumeracion->clear();
        const EnvironmentChange noTools("PATH", QFile::encodeName(book.f.path("empty")));
        w.cmdNumProceso->click();
        w.cmdNumProceso->click();
        QCOMPARE(linesOf(w.lstNumeracion),
                 QStringList(2, CommandScriptRunner::missingConvertText()));
        QCOMPARE(book.written(), QStringList());
    }

    void hostileFontNamesRunNothing_data() {
        QTest::addColumn<QString>("font");
        QTest::addColumn<QString>("reason");
        const QString convert = "ImageMagick: "; // convert itself finds no such font
        const QString refused = "debe ser un fichero de la carpeta imgmagic";
        QTest::newRow("single quotes") << "x'; touch pwned; '.ttf" << convert;
        QTest::newRow("double quotes") << "x\"; touch pwned; \".ttf" << convert;
        QTest::newRow("substitutions") << "$(touch pwned)`touch pwned`.ttf" << convert;
        QTest::newRow("operators") << "x.ttf; touch pwned & touch pwned | touch pwned" << convert;
        QTest::newRow("line break") << "x.ttf\ntouch pwned" << convert;
        QTest::newRow("an option of convert") << "-write" << convert;
        QTest::newRow("a file elsewhere") << "../../program/imgmagic/DejaVuSans.ttf" << refused;
        QTest::newRow("an absolute path") << "/etc/passwd" << refused;
        QTest::newRow("a font file") << "@DejaVuSans.ttf" << refused;
    }

    // A hostile font name is refused or reaches convert as the font and nothing else: nothing
    // runs, no label is drawn, no file appears.
    void hostileFontNamesRunNothing() {
        QFETCH(QString, font);
        QFETCH(QString, reason);
        NumberedBook book({"0001.png"});
        MainWindow& w = book.f.w();
        w.MagicNonFont->setText(font);
        const QSet<QString> before = book.f.files();
        w.cmdNumProceso->click();
        QCOMPARE(book.f.files(), before);
        const QStringList log = linesOf(w.lstNumeracion);
        QVERIFY2(log.size() == 1 && log[0].contains(reason), qPrintable(log.join('|')));
    }
};

#include "test_page_labels.moc"

int runPageLabelsTests(int argc, char** argv) {
    PageLabelsTest test;
    return QTest::qExec(&test, argc, argv);
}
