#pragma once

#include "postfx/CommandScriptRunner.h"

#include <QString>
#include <array>

class ComboBox;
class ImageBox;
class MainWindow;
class ProgressList;
class QLineEdit;

// Post-production effects chosen for odd and even pages, done by ImageMagick's convert through
// the command script, and tried on the sample picture of the tool folder.
class PostEffects {
public:
    explicit PostEffects(MainWindow& window) : w_(window) {}
    void connectHandlers();

    void CheckMagik_Click();
    void cbMagikNon_Click(int row);
    void cbMagicPar_Click(int row);
    void TestMgkNon_Click();
    void TestMgkPar_Click();

    // Apply the effects chosen for odd (left) and even (right) pages to the page file at `path`,
    // changing it in place; an empty path tries them on the sample picture and shows sample and
    // result. The second text is not used. Problems of a page are lines in `log` when given.
    // True when convert changed the file.
    bool EfectosImpar(const QString& path, const QString& unused, ProgressList* log = nullptr);
    bool EfectosPar(const QString& path, const QString& unused, ProgressList* log = nullptr);

    // A finished page of either crop run through the effects: the page goes out to a lossless
    // work file, the odd-page (`oddSet`) or even-page effects change that file, and the page
    // comes back from it with its save settings. Failures are lines in `log`, and leave the page
    // as it was; true when the effects were applied.
    bool applyToPage(ImageBox* page, bool oddSet, ProgressList* log);

    // A crop run has ended: the next run reports a missing convert again.
    void runEnded() { missingConvertReported_ = false; }

    // The one runner of command scripts, shared with the page-number labels.
    CommandScriptRunner& commandRunner() { return runner_; }

private:
    struct EffectRows {
        const std::array<ComboBox*, 5>& effects;
        const std::array<QLineEdit*, 5>& parameters;
    };
    EffectRows oddRows() const;
    EffectRows evenRows() const;
    bool applyEffects(const EffectRows& rows, const QString& path, ProgressList* log);
    // Runs convert over `input` into `output`; an empty text when it succeeded.
    QString runCommand(const EffectRows& rows, const ConvertTool& tool, const QString& input,
                       const QString& output);

    MainWindow& w_;
    CommandScriptRunner runner_;
    bool missingConvertReported_ = false;
};
