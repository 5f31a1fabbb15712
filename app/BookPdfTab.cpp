#include "app/BookPdfTab.h"

#include "app/ComboBox.h"
#include "app/MainWindow.h"
#include "app/ProgressList.h"
#include "book/BookPages.h"
#include "book/BookPdfWriter.h"
#include "book/OcrLanguages.h"
#include "crop/BatchAhead.h"
#include "util/Numbers.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>

BookPdfTab::BookPdfTab(MainWindow& window) : w_(window) {}

BookPdfTab::~BookPdfTab() {
    cancel_ = true;
    if (worker_.joinable())
        worker_.join();
}

void BookPdfTab::connectHandlers() {
    MainWindow& w = w_;
    connect(w.cmdCrearPDF, &QPushButton::clicked, this, &BookPdfTab::cmdCrearPDF_Click);
    connect(w.cmdCancelarPDF, &QPushButton::clicked, this, &BookPdfTab::cmdCancelarPDF_Click);
    connect(w.DirPDF, &QLineEdit::textChanged, this, &BookPdfTab::DirPDF_Change);
    connect(w.ArchivoPDF, &QLineEdit::textChanged, this, [this](const QString& text) {
        // Emptied, the box takes the pages folder's book again.
        if (!followingFolder_)
            fileByHand_ = !text.isEmpty();
    });
    connect(w.ResolucionPDF, &QLineEdit::textChanged, this, [this] { resolutionByHand_ = true; });
    connect(&w, &MainWindow::pagesWritten, this, &BookPdfTab::pagesWritten);
}

void BookPdfTab::LlenaIdiomas() {
    const QStringList choices = ocrLanguageChoices(installedOcrLanguages());
    w_.IdiomaOCR->clear();
    w_.IdiomaOCR->addItems(choices);
    w_.IdiomaOCR->setText(defaultOcrLanguage(choices));
}

void BookPdfTab::DirPDF_Change() {
    if (fileByHand_)
        return;
    const QString folder = w_.DirPDF->text();
    followingFolder_ = true;
    w_.ArchivoPDF->setText(folder.isEmpty() ? QString() : defaultPdfPath(folder));
    followingFolder_ = false;
}

void BookPdfTab::pagesWritten(const QString& folder) {
    if (w_.DirPDF->text() != folder)
        w_.DirPDF->setText(folder);
}

void BookPdfTab::refuse(const QString& reason) {
    w_.lstPDF->appendFailure(reason + QStringLiteral("; el PDF no se ha escrito"));
}

void BookPdfTab::cmdCrearPDF_Click() {
    MainWindow& w = w_;
    if (running_)
        return;
    const QString folder = w.DirPDF->text();
    if (folder.isEmpty())
        return refuse(QStringLiteral("Falta la carpeta de las páginas"));
    if (!QFileInfo(folder).isDir())
        return refuse(QStringLiteral("No existe la carpeta %1").arg(folder));
    BookPdfOptions options;
    options.outputPath =
        w.ArchivoPDF->text().isEmpty() ? defaultPdfPath(folder) : w.ArchivoPDF->text();
    options.title = w.TituloPDF->text();
    options.author = w.AutorPDF->text();
    options.resolution = numericValueOfText(w.ResolucionPDF->text());
    options.resolutionByHand = resolutionByHand_;
    options.ocr = w.chkOCR->isChecked();
    options.ocrLanguage = w.IdiomaOCR->text().trimmed();
    if (options.ocr && options.ocrLanguage.isEmpty())
        return refuse(QStringLiteral("Falta el idioma de OCR"));
    options.workers = BatchAhead::workerCount();
    options.cancel = &cancel_;

    cancel_ = false;
    running_ = true;
    showRunState();
    worker_ = std::thread([this, folder, options = std::move(options)]() mutable {
        options.pages = listBookPages(folder);
        // Each line goes to the list as the next arrives; the last waits for the result, which
        // says whether it tells of a PDF written or of one that was not.
        QString held;
        const BookPdfResult result = writeBookPdf(options, [this, &held](const QString& line) {
            if (!held.isNull())
                QMetaObject::invokeMethod(
                    this, [this, held] { w_.lstPDF->appendLine(held); }, Qt::QueuedConnection);
            held = line;
        });
        QMetaObject::invokeMethod(
            this, [this, result, held] { finishRun(result, held); }, Qt::QueuedConnection);
    });
}

void BookPdfTab::cmdCancelarPDF_Click() {
    cancel_ = true;
}

void BookPdfTab::finishRun(const BookPdfResult& result, const QString& lastLine) {
    worker_.join();
    running_ = false;
    // A cancel is the operator's own stop, not something left undone.
    if (result.ok || result.cancelled)
        w_.lstPDF->appendLine(lastLine);
    else
        w_.lstPDF->appendFailure(lastLine);
    showRunState();
    emit runEnded();
}

void BookPdfTab::setCropRunning(bool running) {
    cropRunning_ = running;
    showRunState();
}

void BookPdfTab::showRunState() {
    w_.cmdCrearPDF->setEnabled(!running_ && !cropRunning_);
    w_.cmdCancelarPDF->setEnabled(running_);
}
