#pragma once

class MainWindow;

// Post-production effects chosen for odd and even pages.
class PostEffects {
public:
    explicit PostEffects(MainWindow& window) : w_(window) {}
    void connectHandlers();

    void CheckMagik_Click();
    void cbMagikNon_Click(int row);
    void cbMagicPar_Click(int row);

private:
    MainWindow& w_;
};
