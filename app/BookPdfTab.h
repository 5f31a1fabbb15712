#pragma once

#include <QObject>
#include <QString>
#include <atomic>
#include <thread>

class MainWindow;
struct BookPdfResult;

// The "Libro PDF" tab: what its controls say goes to writeBookPdf, which runs on a thread of its
// own so that the window keeps answering; its lines arrive in lstPDF on the window's thread.
class BookPdfTab : public QObject {
    Q_OBJECT
public:
    explicit BookPdfTab(MainWindow& window);
    // A run still going is cancelled and waited for, since it reports to this tab.
    ~BookPdfTab() override;
    void connectHandlers();

    // The OCR languages installed here, with the usual one chosen.
    void LlenaIdiomas();

    void cmdCrearPDF_Click();
    void cmdCancelarPDF_Click();
    void DirPDF_Change();

    // A crop run wrote a page into `folder`: the book to make is there now.
    void pagesWritten(const QString& folder);

    // A crop run locks the window's controls (or unlocks them); a PDF being made keeps its
    // cancel button, and its create button stays off until it ends.
    void setCropRunning(bool running);

    bool isRunning() const { return running_; }

signals:
    // A PDF run has ended and its last line is in lstPDF.
    void runEnded();

private:
    void finishRun(const BookPdfResult& result, const QString& lastLine);
    void showRunState();
    // A line saying why no PDF is made, before any run starts.
    void refuse(const QString& reason);

    MainWindow& w_;
    std::thread worker_;
    std::atomic<bool> cancel_{false};
    bool running_ = false;
    bool cropRunning_ = false;
    // ArchivoPDF follows DirPDF until the operator writes a name of their own there.
    bool fileByHand_ = false;
    bool followingFolder_ = false; // the tab itself is writing ArchivoPDF
    // The operator set ResolucionPDF: it wins over a page file's own resolution.
    bool resolutionByHand_ = false;
};
