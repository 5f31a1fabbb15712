#pragma once

class MainWindow;

// Which controls are usable, from a handful of check boxes; and the lock of a running crop.
class EnablingRules {
public:
    explicit EnablingRules(MainWindow& window) : w_(window) {}
    void connectHandlers();

    void ActualizaControles();
    void DesbloqueaControles();
    void BloqueaControles();

    void HacerMini_Click();
    void NoReducir_Click();
    void ChkSepara2Img_Click();
    void chkSubTree_Click();

private:
    MainWindow& w_;
};
