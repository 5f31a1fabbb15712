#pragma once

#include <QString>

class ImageBox;
class MainWindow;
class ProgressList;

// Post-production effects chosen for odd and even pages.
class PostEffects {
public:
    explicit PostEffects(MainWindow& window) : w_(window) {}
    void connectHandlers();

    void CheckMagik_Click();
    void cbMagikNon_Click(int row);
    void cbMagicPar_Click(int row);

    // Apply the effects chosen for odd (left) and even (right) pages to the page file at `path`,
    // changing it in place. The effect commands come with the effects tab's batch files; until
    // then a page passes through unchanged.
    void EfectosImpar(const QString& path, const QString& unused);
    void EfectosPar(const QString& path, const QString& unused);

    // A finished page of either crop run through the effects: the page goes out to a lossless
    // work file, the odd-page (`oddSet`) or even-page effects change that file, and the page
    // comes back from it with its save settings. Failures are lines in `log`.
    void applyToPage(ImageBox* page, bool oddSet, ProgressList* log);

private:
    MainWindow& w_;
};
