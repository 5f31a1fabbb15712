#pragma once

class MainWindow;

// The scans to crop: drive, folder, type and file lists, and their mirroring into the crop tabs.
class SourceBrowser {
public:
    explicit SourceBrowser(MainWindow& window) : w_(window) {}
    void connectHandlers();

    // Carries the browsed folder, file and pattern to the file list of the chosen crop tab.
    void CopiaListaFicheros();

private:
    MainWindow& w_;
};
