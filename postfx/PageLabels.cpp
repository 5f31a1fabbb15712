#include "postfx/PageLabels.h"

#include "app/ComboBox.h"
#include "app/MainWindow.h"
#include "app/ProgressList.h"
#include "crop/OutputNames.h"
#include "postfx/CommandScriptRunner.h"
#include "postfx/PageNumberStamping.h"
#include "postfx/PageNumbering.h"
#include "postfx/PostEffects.h"
#include "sources/FileList.h"
#include "util/Numbers.h"
#include "util/Paths.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <QScopeGuard>

namespace {

QString absolutePath(const QString& path) {
    return QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
}

// The base name of a row of a file list: no folder, no extension.
QString baseNameOf(const QString& fileName) {
    return QuitaExtension(ExtraeFichero(fileName));
}

} // namespace

void PageLabels::connectHandlers() {
    QObject::connect(w_.ChkNumeroNon, &QCheckBox::toggled, &w_, [this] { ChkNumeroNon_Click(); });
    QObject::connect(w_.ChkNumeroPar, &QCheckBox::toggled, &w_, [this] { ChkNumeroPar_Click(); });
    QObject::connect(w_.cmdNumPrueba, &QPushButton::clicked, &w_, [this] { cmdNumPrueba_Click(); });
    QObject::connect(w_.cmdNumProceso, &QPushButton::clicked, &w_,
                     [this] { cmdNumProceso_Click(); });
}

void PageLabels::reportFailure(const QString& text) {
    w_.lstNumeracion->appendFailure(text);
}

void PageLabels::ChkNumeroNon_Click() {
    numberingBoxClicked(true);
}

void PageLabels::ChkNumeroPar_Click() {
    numberingBoxClicked(false);
}

void PageLabels::numberingBoxClicked(bool odd) {
    MainWindow& w = w_;
    QCheckBox* box = odd ? w.ChkNumeroNon : w.ChkNumeroPar;
    QCheckBox* other = odd ? w.ChkNumeroPar : w.ChkNumeroNon;
    const bool ticked = box->isChecked();
    (odd ? w.MagicNonFont : w.MagicParFont)->setEnabled(ticked);
    (odd ? w.MagikNonDato : w.MagikParDato)->setEnabled(ticked);
    FileList* pages = w.FiletoRenum;
    if (ticked) {
        other->setChecked(false);
        other->setEnabled(false);
        pages->setEnabled(true);
        pages->setPath(w.Files->path());
        pages->setPattern(w.Files->pattern());
        pages->refresh();
        // The list is read anew: only the pages of this side end up selected.
        pages->clearSelection();
        for (int row = 0; row < pages->count(); ++row) {
            const double number = roundHalfEven(pageNumberOf(baseNameOf(pages->item(row)->text())));
            const qint64 remainder = static_cast<qint64>(number) % 2;
            if (remainder == (odd ? 1 : 0))
                pages->setRowSelected(row, true);
        }
    } else {
        other->setEnabled(true);
        pages->setPattern(QStringLiteral("*.xxx"));
        pages->refresh();
        pages->setEnabled(false);
    }
    const bool otherTicked = other->isChecked();
    (odd ? w.MagicParFont : w.MagicNonFont)->setEnabled(otherTicked);
    (odd ? w.MagikParDato : w.MagikNonDato)->setEnabled(otherTicked);
}

QString PageLabels::EtiquetaPagina(const QString& baseName) {
    MainWindow& w = w_;
    const double n = pageNumberOf(baseName);
    qint64 r = 0;
    if (w.ChkNumeroNon->isChecked())
        r = labelNumber(true, w.MagikNonDato->listIndex(), n);
    if (w.ChkNumeroPar->isChecked())
        r = labelNumber(false, w.MagikParDato->listIndex(), n);
    return labelText(r);
}

bool PageLabels::CreaEtiquetasNumero(const QString& labelPath, const QString& text) {
    MainWindow& w = w_;
    QString font;
    QString size;
    if (w.ChkNumeroNon->isChecked()) {
        font = w.MagicNonFont->text();
        size = QStringLiteral("144");
    } else if (w.ChkNumeroPar->isChecked()) {
        font = w.MagicParFont->text();
        size = QStringLiteral("144");
    }
    const auto failed = [this, &text](const QString& why) {
        reportFailure(QStringLiteral("No se pudo dibujar la etiqueta \"%1\": %2").arg(text, why));
        return false;
    };
    // A label that cannot be drawn must not leave the previous page's number to be stamped.
    if (QFileInfo::exists(labelPath) && !QFile::remove(labelPath))
        return failed(QStringLiteral("no se puede borrar la etiqueta anterior %1").arg(labelPath));

    const std::optional<ConvertTool> tool = CommandScriptRunner::findConvert(w.v.RutaAplicacion);
    if (!tool) {
        // Said once per numbering run, not once per page.
        if (!missingConvertReported_)
            reportFailure(CommandScriptRunner::missingConvertText());
        missingConvertReported_ = true;
        return false;
    }
    if (w.v.ProcesandoEfectos)
        return failed(QStringLiteral("ImageMagick está ocupado con otra orden"));
    const QString appFolder = absolutePath(w.v.RutaAplicacion);
    const QString scripts = CommandScriptRunner::scriptFolderFor(appFolder);
    const CommandScript script = labelScript(nativeScriptForm(), appFolder, *tool, font, size, text,
                                             absolutePath(labelPath), scripts);
    if (!script.problem.isEmpty())
        return failed(script.problem);
    // convert draws a missing font in some default font of the machine's, without a word.
    const QString fontFile = joinPath(joinPath(appFolder, QStringLiteral("imgmagic")), font);
    if (!QFileInfo(fontFile).isFile())
        return failed(QStringLiteral("no existe la fuente %1").arg(fontFile));
    w.v.ProcesandoEfectos = true;
    const QString problem = w.postEffects().commandRunner().run(
        scripts, script.text, CommandScriptRunner::Wait::ProcessingEvents);
    w.v.ProcesandoEfectos = false;
    if (!problem.isEmpty())
        return failed(problem);
    if (!QFileInfo(labelPath).isFile())
        return failed(QStringLiteral("ImageMagick no ha escrito %1").arg(labelPath));
    return true;
}

QString PageLabels::labelFolder() {
    const QString folder = joinPath(w_.v.CarpetaActual, QStringLiteral("watermark"));
    if (!QFileInfo(folder).isDir() && !QDir().mkpath(folder)) {
        reportFailure(QStringLiteral("No se pudo crear la carpeta %1").arg(folder));
        return {};
    }
    return folder;
}

void PageLabels::runNumbering(const std::function<void(const QString& labelFolder)>& numbering) {
    // The label wait lets the window take clicks: a second numbering waits for the first.
    if (numbering_) {
        reportFailure(QStringLiteral("Ya hay una numeración en curso"));
        return;
    }
    numbering_ = true;
    const auto done = qScopeGuard([this] { numbering_ = false; });
    missingConvertReported_ = false;
    const QString folder = labelFolder();
    if (!folder.isEmpty())
        numbering(folder);
}

void PageLabels::cmdNumPrueba_Click() {
    runNumbering([this](const QString& folder) {
        MainWindow& w = w_;
        FileList* pages = w.FiletoRenum;
        int row = 0;
        while (row < pages->count() && !pages->isRowSelected(row))
            ++row;
        const QString fileName = row < pages->count() ? pages->item(row)->text() : QString();
        const QString label = joinPath(folder, QStringLiteral("test.png"));
        if (CreaEtiquetasNumero(label, QStringLiteral(" 146")))
            w.pageNumberStamping().EstampaNumeros(label, fileName, false, true);
    });
}

void PageLabels::cmdNumProceso_Click() {
    runNumbering([this](const QString& folder) {
        MainWindow& w = w_;
        FileList* pages = w.FiletoRenum;
        const QString label = joinPath(folder, QStringLiteral("grafo.png"));
        int numbered = 0;
        // The count is read on every turn: the list may be read anew while a label is drawn.
        for (int row = 0; row < pages->count(); ++row) {
            if (!pages->isRowSelected(row))
                continue;
            const QString fileName = pages->item(row)->text();
            const QString text = EtiquetaPagina(baseNameOf(fileName));
            // A page whose label cannot be drawn is left as it was.
            if (!text.isEmpty() && !CreaEtiquetasNumero(label, text))
                continue;
            if (w.pageNumberStamping().EstampaNumeros(label, fileName, true, !text.isEmpty()) &&
                !text.isEmpty())
                ++numbered;
        }
        w.lstNumeracion->appendLine(QStringLiteral("%1 páginas numeradas en %2")
                                        .arg(numbered)
                                        .arg(w.pageNumberStamping().numberedPagesFolder()));
    });
}
