#include "WindowFixture.h"

#include "app/ComboBox.h"
#include "app/ControlState.h"
#include "app/ProgressList.h"
#include "sources/FileList.h"
#include "sources/FolderList.h"
#include "sources/FolderTreeScan.h"
#include "sources/SourceBrowser.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <unistd.h>

namespace {

// Makes the files (and their folders) named by relative paths.
void makeTree(const QString& root, const QStringList& files) {
    for (const QString& file : files) {
        const QString path = QDir(root).filePath(file);
        QDir().mkpath(QFileInfo(path).path());
        WindowFixture::touch(path);
    }
}

QStringList scan(const QString& folder, const QString& patterns) {
    QStringList found;
    scanFolderTree(folder, patterns, [&found](const QString& path) { found << path; });
    return found;
}

// The paths below the root, each of which must be the root, one separator and the rest.
QStringList relative(const QString& root, const QStringList& paths) {
    const QString prefix = QDir::toNativeSeparators(root) + QDir::separator();
    QStringList out;
    for (const QString& path : paths)
        out << (path.startsWith(prefix) ? path.mid(prefix.size()) : "not below the root: " + path);
    return out;
}

QStringList rows(const QListWidget* list) {
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

} // namespace

class SourcesTest : public QObject {
    Q_OBJECT
private slots:
    void treeScanOrder_data();
    void treeScanOrder();
    void treeScanSurvivesLinkLoopsAndDeepNesting();
    void treeScanSkipsUnreadableFolders();
    void loadTreeButtonFillsBothListsOnce();
    void loadTreeUsesTypeChosenInSubtreeMode();
    void typeSetsThePatternInFolderMode();
    void folderChangePointsTheListsAtIt_data();
    void folderChangePointsTheListsAtIt();
    void subtreeModeFreezesCurrentFolder();
    void mirroringAddsSelectedRowsToInteractiveList();
    void doubleClickOpensTheCropTab_data();
    void doubleClickOpensTheCropTab();
    void doubleClickWithoutFileDoesNothing();
};

void SourcesTest::treeScanOrder_data() {
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QString>("patterns");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("three levels, deepest first")
        << QStringList{"1.jpg", "B/2.jpg", "B/C/3.jpg"} << "*.jpg;*.jpeg"
        << QStringList{"B/C/3.jpg", "B/2.jpg", "1.jpg"};
    QTest::newRow("subfolders in listing order, before own files")
        << QStringList{"z.jpg", "b/x.jpg", "A/y.JPG", "a.jpeg"} << "*.jpg;*.jpeg"
        << QStringList{"A/y.JPG", "b/x.jpg", "z.jpg", "a.jpeg"};
    QTest::newRow("output and tool folders skipped, names compared exactly")
        << QStringList{"jpeg_big/p.jpg", "jpeg_small/q.jpg", "ImgMagic/r.jpg", "WaterMark/s.jpg",
                       "Jpeg_Big/t.jpg", "imgmagic/u.jpg",   "v.jpg"}
        << "*.jpg" << QStringList{"imgmagic/u.jpg", "Jpeg_Big/t.jpg", "v.jpg"};
    QTest::newRow("grouped by pattern in pattern order")
        << QStringList{"a.tiff", "b.tif", "c.TIF", "d.jpg"} << "*.tif;*.tiff"
        << QStringList{"b.tif", "c.TIF", "a.tiff"};
    QTest::newRow("a file matching two patterns is found twice")
        << QStringList{"a.jpg", "b.png"} << "*.jpg;a*" << QStringList{"a.jpg", "a.jpg"};
    QTest::newRow("more than six patterns are all used")
        << QStringList{"1.a", "2.b", "3.c", "4.d", "5.e", "6.f", "7.g", "8.h"}
        << "*.a;*.b;*.c;*.d;*.e;*.f;*.g"
        << QStringList{"1.a", "2.b", "3.c", "4.d", "5.e", "6.f", "7.g"};
    QTest::newRow("hidden files and folders skipped")
        << QStringList{"a/1.jpg", ".oculta/2.jpg", "a/.3.jpg", "4.jpg"} << "*.jpg"
        << QStringList{"a/1.jpg", "4.jpg"};
    QTest::newRow("nothing found") << QStringList{"a.txt"} << "*.jpg" << QStringList{};
}

void SourcesTest::treeScanOrder() {
    QFETCH(QStringList, files);
    QFETCH(QString, patterns);
    QFETCH(QStringList, expected);
    QTemporaryDir root;
    makeTree(root.path(), files);
    const QStringList found = scan(root.path(), patterns);
    QCOMPARE(relative(root.path(), found), expected);
    QCOMPARE(scan(root.path() + QDir::separator(), patterns), found);
}

void SourcesTest::treeScanSurvivesLinkLoopsAndDeepNesting() {
    QTemporaryDir root;
    makeTree(root.path(), {"a/1.jpg", "b/2.jpg"});
    QVERIFY(QFile::link(root.path(), root.path() + "/a/back-to-top"));
    QVERIFY(QFile::link(root.path() + "/b", root.path() + "/a/to-b"));
    QVERIFY(QFile::link(root.path() + "/a", root.path() + "/b/to-a"));
    const QStringList found = relative(root.path(), scan(root.path(), "*.jpg"));
    // Links are followed unless they lead back into the folders being walked.
    QCOMPARE(found, (QStringList{"a/to-b/2.jpg", "a/1.jpg", "b/to-a/1.jpg", "b/2.jpg"}));

    QTemporaryDir deep;
    QString path = deep.path();
    for (int level = 0; level < 400; ++level)
        path += "/d";
    makeTree(path, {"bottom.jpg"});
    const QStringList bottom = scan(deep.path(), "*.jpg");
    QCOMPARE(bottom.size(), 1);
    QVERIFY(bottom.first().endsWith("/d/bottom.jpg"));
}

void SourcesTest::treeScanSkipsUnreadableFolders() {
    if (::geteuid() == 0)
        QSKIP("permissions do not keep the superuser out of a folder");
    QTemporaryDir root;
    makeTree(root.path(), {"cerrada/1.jpg", "abierta/2.jpg"});
    QFile::setPermissions(root.path() + "/cerrada", QFileDevice::Permissions());
    const QStringList found = relative(root.path(), scan(root.path(), "*.jpg"));
    QFile::setPermissions(root.path() + "/cerrada",
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QCOMPARE(found, QStringList{"abierta/2.jpg"});
}

void SourcesTest::loadTreeButtonFillsBothListsOnce() {
    WindowFixture f({}, {"1.jpg", "B/2.jpg", "B/C/3.jpg", "jpeg_big/1A.jpg"});
    MainWindow& w = *f.window;
    w.chkSubTree->setChecked(true);
    for (int click = 0; click < 2; ++click) {
        w.cmdLoadTree->click();
        QCOMPARE(relative(f.scansFolder(), rows(w.lstTree)),
                 (QStringList{"B/C/3.jpg", "B/2.jpg", "1.jpg"}));
        QCOMPARE(rows(w.lstTreeAuto), rows(w.lstTree));
    }
}

void SourcesTest::loadTreeUsesTypeChosenInSubtreeMode() {
    WindowFixture f({}, {"a.jpg", "sub/b.tif", "c.TIFF"});
    MainWindow& w = *f.window;
    w.chkSubTree->setChecked(true);
    w.TipoOrigen->setListIndex(1);
    // In subtree mode choosing a type changes no pattern ...
    QCOMPARE(w.Files->pattern(), QStringLiteral("*.jpg;*.jpeg"));
    QCOMPARE(w.LocalFiles->pattern(), QStringLiteral("*.jpg;*.jpeg"));
    // ... but the next scan looks for that type.
    w.cmdLoadTree->click();
    QCOMPARE(relative(f.scansFolder(), rows(w.lstTree)), (QStringList{"sub/b.tif", "c.TIFF"}));
}

void SourcesTest::typeSetsThePatternInFolderMode() {
    WindowFixture f({}, {"a.jpg", "b.tif", "C.TIFF", "d.png"});
    MainWindow& w = *f.window;
    w.LocalFiles2->setPath(f.scansFolder());
    w.TipoOrigen->setListIndex(1);
    QCOMPARE(w.LocalFiles->count(), 2);
    QCOMPARE(w.LocalFiles->item(0)->text(), QStringLiteral("b.tif"));
    // The interactive list learns the pattern only when the configuration is accepted.
    QCOMPARE(w.LocalFiles2->pattern(), QStringLiteral("*.jpg;*.jpeg"));
    QCOMPARE(w.LocalFiles2->count(), 1);
    w.Interactivo->setChecked(true);
    w.AceptaConfig->click();
    QCOMPARE(w.LocalFiles2->pattern(), QStringLiteral("*.tif;*.tiff"));
    QCOMPARE(w.LocalFiles2->count(), 2);
    // A typed type that names no row keeps the pattern.
    w.TipoOrigen->setText(QStringLiteral("Imágenes WEBP"));
    QCOMPARE(w.TipoOrigen->listIndex(), -1);
    QCOMPARE(w.Files->pattern(), QStringLiteral("*.tif;*.tiff"));
    QCOMPARE(w.Files->count(), 2);
}

void SourcesTest::folderChangePointsTheListsAtIt_data() {
    QTest::addColumn<bool>("subtree");
    QTest::newRow("folder chosen") << false;
    QTest::newRow("folder chosen in subtree mode, then the mode left") << true;
}

// A folder that is gone is refused. A folder chosen (in subtree mode, once the mode is left) is
// what both file lists show, with no file chosen in them; the current file stays.
void SourcesTest::folderChangePointsTheListsAtIt() {
    QFETCH(bool, subtree);
    WindowFixture f({}, {"a.jpg", "otra/b.jpg", "otra/c.jpg", "gone/d.jpg"});
    MainWindow& w = *f.window;
    const QString before = w.Files->path();
    QVERIFY(QDir(f.path("scans/gone")).removeRecursively());
    QVERIFY(!w.Dirs->setPath(f.path("scans/gone")));
    QVERIFY(!w.Dirs->setPath(QString()));
    QCOMPARE(w.Dirs->path(), before);
    QCOMPARE(w.Files->path(), before);
    QCOMPARE(w.Files->count(), 1);
    QCOMPARE(w.v.CarpetaActual, before);

    w.Files->clickRow(0);
    QCOMPARE(w.v.FicheroActual, QStringLiteral("a.jpg"));
    w.chkSubTree->setChecked(subtree);
    QVERIFY(w.Dirs->setPath(f.path("scans/otra")));
    w.chkSubTree->setChecked(false);
    const QString otra = QDir::toNativeSeparators(f.path("scans/otra"));
    QCOMPARE(w.Files->path(), otra);
    QCOMPARE(w.LocalFiles->path(), otra);
    QCOMPARE(w.v.CarpetaActual, otra);
    QCOMPARE(w.Files->count(), 2);
    QCOMPARE(w.Files->fileName(), QString());
    QCOMPARE(w.LocalFiles->fileName(), QString());
    QCOMPARE(w.v.FicheroActual, QStringLiteral("a.jpg"));
}

void SourcesTest::subtreeModeFreezesCurrentFolder() {
    WindowFixture f({}, {"a.jpg", "otra/b.jpg"});
    MainWindow& w = *f.window;
    const QString start = w.v.CarpetaActual;
    w.chkSubTree->setChecked(true);
    QVERIFY(w.Dirs->setPath(f.path("scans/otra")));
    QCOMPARE(w.v.CarpetaActual, start);
    QCOMPARE(w.Files->path(), start); // the file lists are left as they are
    QVERIFY(!visibleFlag(w.Files));
    w.cmdLoadTree->click();
    QCOMPARE(w.lstTree->count(), 2); // the scan starts from the frozen folder
}

void SourcesTest::mirroringAddsSelectedRowsToInteractiveList() {
    WindowFixture f({}, {"a.jpg", "b.jpg", "c.jpg"});
    MainWindow& w = *f.window;
    w.Interactivo->setChecked(true);
    w.AceptaConfig->click(); // the interactive list shows the folder
    QCOMPARE(w.LocalFiles2->count(), 3);
    w.LocalFiles2->setRowSelected(0, true);
    w.Files->clickRow(2);
    w.sources().Files_LostFocus();
    QVERIFY(w.LocalFiles2->isRowSelected(0)); // kept
    QVERIFY(!w.LocalFiles2->isRowSelected(1));
    QVERIFY(w.LocalFiles2->isRowSelected(2)); // added
    QCOMPARE(w.LocalFiles2->fileName(), QStringLiteral("c.jpg"));
    QCOMPARE(w.LocalFiles->fileName(), QString()); // the automatic list is not touched
}

void SourcesTest::doubleClickOpensTheCropTab_data() {
    QTest::addColumn<QString>("list");
    QTest::addColumn<bool>("interactive");
    QTest::addColumn<int>("tab");
    QTest::addColumn<bool>("switchesEnabledTabs");
    QTest::newRow("browser, interactive") << "Files" << true << 4 << true;
    QTest::newRow("automatic list") << "LocalFiles" << false << 1 << true;
    QTest::newRow("interactive list, automatic mode") << "LocalFiles2" << false << 1 << false;
}

void SourcesTest::doubleClickOpensTheCropTab() {
    QFETCH(QString, list);
    QFETCH(bool, interactive);
    QFETCH(int, tab);
    QFETCH(bool, switchesEnabledTabs);
    WindowFixture f({}, {});
    QImage scan(400, 300, QImage::Format_RGB32);
    scan.fill(Qt::white);
    QVERIFY(scan.save(f.path("scans/libro001.jpg")));
    MainWindow& w = *f.window;
    w.Files->refresh();
    w.LocalFiles->refresh();
    w.LocalFiles2->setPath(f.scansFolder());
    // Put the tabs in the state the other mode leaves, to see what the double-click changes.
    w.Interactivo->setChecked(!interactive);
    w.Interactivo->setChecked(interactive);
    w.SSTab1->setTabEnabled(1, true);
    w.SSTab1->setTabEnabled(4, true);

    auto* files = qobject_cast<FileList*>(w.control(list));
    QVERIFY(files);
    QCOMPARE(files->count(), 1);
    if (list == QLatin1String("Files"))
        files->clickRow(0); // the click that comes before a double-click
    files->doubleClickRow(0);

    QCOMPARE(w.SSTab1->currentIndex(), tab);
    QCOMPARE(w.SSTab1->isTabEnabled(tab == 1 ? 4 : 1), !switchesEnabledTabs);
    QCOMPARE(w.v.FicheroActual, QStringLiteral("libro001.jpg"));
    QCOMPARE(w.v.FicheroCargado, QStringLiteral("libro001.jpg"));
    ProgressList* log = interactive ? w.lstActividad : w.ListaProceso;
    QCOMPARE(log->count(), 2);
    QCOMPARE(log->item(0)->text(), QStringLiteral("Leyendo imagen ..."));
    QCOMPARE(log->item(1)->text(), QStringLiteral("LIBRO001.JPG"));
}

void SourcesTest::doubleClickWithoutFileDoesNothing() {
    WindowFixture f({}, {"a.jpg"});
    MainWindow& w = *f.window;
    w.sources().Files_DblClick();
    QCOMPARE(w.SSTab1->currentIndex(), 0);
    QCOMPARE(w.ListaProceso->count(), 0);
}

QTEST_MAIN(SourcesTest)
#include "test_sources.moc"
