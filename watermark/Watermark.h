#pragma once

#include <QObject>
#include <QString>

class MainWindow;
class ProgressList;

// The watermark tab: choosing the picture, switching the watermark on, and preparing it — the
// picture scaled and kept in the work folder for the crop runs, its preview, and a template
// page that shows the result before a run.
class Watermark : public QObject {
    Q_OBJECT
public:
    explicit Watermark(MainWindow& window) : w_(window) {}
    void connectHandlers();

    void FormatoWM_Click();
    void DirWM_Change();
    void FileWM_Click();
    void FileWM_DblClick();
    void LeerWm_Click();
    void WMActivo_Click();

    // Scales the chosen picture by WMSize, writes it to the work file, shows it in ImgWM and
    // stamps it onto a template made from the last cut left page. A picture that cannot be
    // read or would have no pixel is a line in the crop tab's list, and the tab, the template
    // and the work file stay as they were.
    void PreparaMarcaAgua();

    // The prepared picture that the crop runs stamp onto their pages. It outlives the program,
    // so a later run merges it without a new preparation.
    static QString workFile();

    // A crop run that cannot merge the watermark says so once: true the first time in a run.
    bool firstFailureOfRun();
    void beginRun() { failureReported_ = false; }

private:
    bool fileRowSelected() const;
    ProgressList* cropTabList() const;

    MainWindow& w_;
    bool failureReported_ = false;
};
