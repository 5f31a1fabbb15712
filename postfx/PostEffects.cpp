#include "postfx/PostEffects.h"

#include "app/ComboBox.h"
#include "app/ControlState.h"
#include "app/ImageBox.h"
#include "app/MainWindow.h"
#include "app/PictureBox.h"
#include "app/ProgressList.h"
#include "util/Paths.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryFile>

namespace {

// A path as the command script needs it: absolute, so that no name can start with something
// convert reads as an option, a list file ("@") or a coder ("msl:").
QString absolutePath(const QString& path) {
    return QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
}

} // namespace

void PostEffects::connectHandlers() {
    QObject::connect(w_.CheckMagik, &QCheckBox::toggled, &w_, [this] { CheckMagik_Click(); });
    for (int k = 0; k < 5; ++k) {
        QObject::connect(w_.cbMagikNon[k], &QComboBox::currentIndexChanged, &w_,
                         [this, k] { cbMagikNon_Click(k); });
        QObject::connect(w_.cbMagicPar[k], &QComboBox::currentIndexChanged, &w_,
                         [this, k] { cbMagicPar_Click(k); });
    }
    QObject::connect(w_.TestMgkNon, &QPushButton::clicked, &w_, [this] { TestMgkNon_Click(); });
    QObject::connect(w_.TestMgkPar, &QPushButton::clicked, &w_, [this] { TestMgkPar_Click(); });
}

void PostEffects::CheckMagik_Click() {
    MainWindow& w = w_;
    const bool effects = w.CheckMagik->isChecked();
    for (int k = 0; k < 5; ++k) {
        w.cbMagikNon[k]->clear();
        w.cbMagicPar[k]->clear();
        for (QWidget* c : std::initializer_list<QWidget*>{w.cbMagikNon[k], w.lblMagicNon[k],
                                                          w.cbMagicPar[k], w.lblMagikPar[k]})
            c->setEnabled(effects);
        if (!effects)
            continue;
        for (ComboBox* list : {w.cbMagikNon[k], w.cbMagicPar[k]}) {
            for (const Effect& effect : w.tables.effects) {
                if (!effect.name.isEmpty())
                    list->addItem(effect.name);
            }
            list->setText(QStringLiteral("Seleccione Efecto a Aplicar"));
        }
    }
    const bool oddNumbers = enabledFlag(w.ChkNumeroNon) && w.ChkNumeroNon->isChecked();
    w.MagicNonFont->setEnabled(oddNumbers);
    w.MagikNonDato->setEnabled(oddNumbers);
    const bool evenNumbers = enabledFlag(w.ChkNumeroPar) && w.ChkNumeroPar->isChecked();
    w.MagicParFont->setEnabled(evenNumbers);
    w.MagikParDato->setEnabled(evenNumbers);
}

void PostEffects::cbMagikNon_Click(int row) {
    const int position = w_.cbMagikNon[row]->listIndex();
    if (position >= 0)
        w_.infoMagikTextNon[row]->setText(w_.tables.effects[position].hint);
}

void PostEffects::cbMagicPar_Click(int row) {
    const int position = w_.cbMagicPar[row]->listIndex();
    if (position >= 0)
        w_.infoMagikTextPar[row]->setText(w_.tables.effects[position].hint);
}

void PostEffects::TestMgkNon_Click() {
    EfectosImpar(QString(), QString());
}

void PostEffects::TestMgkPar_Click() {
    EfectosPar(QString(), QString());
}

PostEffects::EffectRows PostEffects::oddRows() const {
    return {w_.cbMagikNon, w_.lblMagicNon};
}

PostEffects::EffectRows PostEffects::evenRows() const {
    return {w_.cbMagicPar, w_.lblMagikPar};
}

bool PostEffects::EfectosImpar(const QString& path, const QString&, ProgressList* log) {
    return applyEffects(oddRows(), path, log);
}

bool PostEffects::EfectosPar(const QString& path, const QString&, ProgressList* log) {
    return applyEffects(evenRows(), path, log);
}

bool PostEffects::applyEffects(const EffectRows& rows, const QString& path, ProgressList* log) {
    MainWindow& w = w_;
    const bool test = path.isEmpty();
    const QString toolFolder = joinPath(w.v.RutaAplicacion, QStringLiteral("imgmagic"));
    const QString prefix = w.MagikisCopy->isChecked() ? QStringLiteral("ImgMgk_") : QString();
    const QString sample = joinPath(toolFolder, QStringLiteral("ImgMgk_S.jpg"));
    // The test's result is the operator's, not the program's: it goes to the user's data folder,
    // never into the tool folder (a system folder once installed).
    const QString result =
        joinPath(CommandScriptRunner::userDataFolder(), prefix + QStringLiteral("ImgMgk_T.jpg"));

    QString problem;
    bool missingConvert = false;
    if (w.v.ProcesandoEfectos) {
        // Another call is in progress (one command script at a time): nothing is built or run.
        problem = QStringLiteral("ImageMagick está ocupado con otra orden: no se aplican los "
                                 "efectos");
    } else {
        w.v.ProcesandoEfectos = true;
        if (test) {
            w.lstTree->setVisible(false);
            w.ImageSource->setVisible(true);
            if (QFile::exists(result))
                QFile::remove(result);
            if (!w.ImageSource->loadPicture(sample))
                problem = QStringLiteral("No se encuentra la imagen de muestra %1").arg(sample);
            w.ImageSource->repaint();
        } else if (!QFileInfo(path).isFile()) {
            // convert would take a name that is not a file as a pattern of other files' names.
            problem = QStringLiteral("No existe el fichero %1").arg(path);
        }
        if (problem.isEmpty()) {
            const std::optional<ConvertTool> tool =
                CommandScriptRunner::findConvert(w.v.RutaAplicacion);
            if (!tool) {
                problem = CommandScriptRunner::missingConvertText();
                missingConvert = true;
            } else {
                problem = runCommand(rows, *tool, absolutePath(test ? sample : path),
                                     absolutePath(test ? result : path));
            }
        }
        w.v.ProcesandoEfectos = false;
    }

    if (test) {
        w.ImageTarget->setVisible(true);
        if (!QFile::exists(result) || !w.ImageTarget->loadPicture(result))
            w.ImageTarget->showMessage(
                QStringLiteral("La prueba no ha dado ninguna imagen") +
                (problem.isEmpty() ? QString() : QStringLiteral(":\n") + problem));
        w.ImageTarget->repaint();
    } else if (!problem.isEmpty() && log) {
        // A missing convert is said once per run, not once per page.
        if (!missingConvert || !missingConvertReported_)
            log->appendFailure(problem);
        if (missingConvert)
            missingConvertReported_ = true;
    }
    return problem.isEmpty();
}

QString PostEffects::runCommand(const EffectRows& rows, const ConvertTool& tool,
                                const QString& input, const QString& output) {
    MainWindow& w = w_;
    QList<EffectStep> steps;
    for (int k = 0; k < 5; ++k) {
        const int position = rows.effects[k]->listIndex();
        if (position < 0 || position >= int(w.tables.effects.size()))
            continue;
        const QString& option = w.tables.effects[position].option;
        if (!option.isEmpty())
            steps << EffectStep{option, rows.parameters[k]->text()};
    }
    const QString appFolder = absolutePath(w.v.RutaAplicacion);
    const QString scripts = CommandScriptRunner::scriptFolderFor(appFolder);
    const CommandScript script =
        effectScript(nativeScriptForm(), appFolder, tool, steps, input, output, scripts);
    if (!script.problem.isEmpty())
        return script.problem;
    return runner_.run(scripts, script.text, CommandScriptRunner::Wait::Blocking);
}

bool PostEffects::applyToPage(ImageBox* page, bool oddSet, ProgressList* log) {
    log->appendLine(QStringLiteral("Efectos Postproduccion ..."));
    // A lossless work file, so that the page comes back with its own pixels where no effect
    // changes them; a name of its own, so that two copies of the program never take each
    // other's pages. It goes when the page is back.
    QTemporaryFile work(
        joinPath(absolutePath(temporaryFolder()), QStringLiteral("post_tmp-XXXXXX.png")));
    if (!work.open()) {
        log->appendFailure(QStringLiteral("No se pudo crear el fichero de trabajo en %1: %2")
                               .arg(temporaryFolder(), work.errorString()));
        return false;
    }
    work.close();
    const QString file = work.fileName();
    if (!page->SaveToFile(file)) {
        log->appendFailure(page->lastError());
        return false;
    }
    const bool changed =
        oddSet ? EfectosImpar(file, QString(), log) : EfectosPar(file, QString(), log);
    if (!changed)
        return false; // the page box still holds the page as it was
    // The page keeps the output settings it was given: convert writes the work file in whatever
    // depth it likes.
    const int quality = page->JpegQuality();
    const int colorFormat = page->ColorFormat();
    // A result that cannot be read back leaves the page as it was cut, not empty.
    Picture asCut = page->picture();
    if (!page->LoadFromFile(file)) {
        log->appendFailure(page->lastError());
        page->setPicture(std::move(asCut));
        return false;
    }
    page->setJpegQuality(quality);
    page->setColorFormat(colorFormat);
    page->setSaveFlag(true);
    return true;
}
