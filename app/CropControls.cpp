#include "app/CropControls.h"

#include "app/ComboBox.h"
#include "app/MainWindow.h"
#include "app/ProgressList.h"

#include <QCheckBox>

std::optional<OutputSettings> readOutputSettings(MainWindow& w, ProgressList* log) {
    auto refuse = [log](const QString& what, const QString& text) {
        log->appendFailure(
            QStringLiteral("%1 no válido: \"%2\". No se ha cortado nada.").arg(what, text));
        return std::nullopt;
    };
    const int large = w.TipoGrande->listIndex();
    if (large < 0 || large >= OptionTables::kFormatRows)
        return refuse(QStringLiteral("Tipo de las imágenes grandes"), w.TipoGrande->text());
    // Thumbnails are written in the type offered for them.
    const int small = w.TipoPeque->listIndex();
    const bool thumbnails = w.HacerMini->isChecked();
    if (thumbnails && (small < 0 || small >= OptionTables::kFormatRows))
        return refuse(QStringLiteral("Tipo de las miniaturas"), w.TipoPeque->text());
    const int color = w.ColorBw->listIndex();
    if (color < 0 || color >= OptionTables::kColorFormatRows)
        return refuse(QStringLiteral("Formato de color"), w.ColorBw->text());
    return OutputSettings{w.tables.formats[large].extension,
                          thumbnails ? w.tables.formats[small].extension : QString(),
                          w.tables.colorFormats[color].code};
}
