#include "postfx/PostEffects.h"

#include "app/ComboBox.h"
#include "app/ControlState.h"
#include "app/MainWindow.h"
#include "app/Paths.h"
#include "app/ProgressList.h"
#include "image/ImageBox.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>

void PostEffects::connectHandlers() {
    QObject::connect(w_.CheckMagik, &QCheckBox::toggled, &w_, [this] { CheckMagik_Click(); });
    for (int k = 0; k < 5; ++k) {
        QObject::connect(w_.cbMagikNon[k], &QComboBox::currentIndexChanged, &w_,
                         [this, k] { cbMagikNon_Click(k); });
        QObject::connect(w_.cbMagicPar[k], &QComboBox::currentIndexChanged, &w_,
                         [this, k] { cbMagicPar_Click(k); });
    }
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

void PostEffects::EfectosImpar(const QString&, const QString&) {}

void PostEffects::EfectosPar(const QString&, const QString&) {}

void PostEffects::applyToPage(ImageBox* page, bool oddSet, ProgressList* log) {
    log->appendLine(QStringLiteral("Efectos Postproduccion ..."));
    // A lossless work file, so that a page without effects comes back with its own pixels.
    const QString work = joinPath(temporaryFolder(), QStringLiteral("post_tmp.png"));
    if (!page->SaveToFile(work)) {
        log->appendLine(page->lastError());
        return;
    }
    if (oddSet)
        EfectosImpar(work, QString());
    else
        EfectosPar(work, QString());
    const int quality = page->JpegQuality();
    if (!page->LoadFromFile(work))
        log->appendLine(page->lastError());
    page->setJpegQuality(quality);
    page->setSaveFlag(true);
}
