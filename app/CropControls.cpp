#include "app/CropControls.h"

#include "app/ComboBox.h"
#include "app/MainWindow.h"
#include "app/ProgressList.h"
#include "geometry/ScanLoader.h"
#include "util/Numbers.h"
#include "util/Paths.h"
#include "watermark/Watermark.h"
#include "watermark/WatermarkOverlay.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QCryptographicHash>
#include <QFile>
#include <QLineEdit>
#include <QSlider>

namespace {

QString valueOf(const QWidget* control) {
    if (const auto* box = qobject_cast<const QAbstractButton*>(control))
        return box->isChecked() ? QStringLiteral("1") : QStringLiteral("0");
    if (const auto* slider = qobject_cast<const QAbstractSlider*>(control))
        return QString::number(slider->value());
    if (const auto* text = qobject_cast<const QLineEdit*>(control))
        return text->text();
    if (const auto* combo = qobject_cast<const ComboBox*>(control))
        return combo->text();
    return {};
}

// A page margin set by the operator, or "auto" while each load puts it at the middle of the scan.
QString marginText(bool manual, double margin) {
    return manual ? formatNumber(margin) : QStringLiteral("auto");
}

} // namespace

QString pageSettingsText(MainWindow& w, bool interactive) {
    const WorkingValues& v = w.v;
    QList<QWidget*> shaping{w.ChkSepara2Img,     w.NoReducir,     w.AltoGrande, w.AnchoGrande,
                            w.TipoGrande,        w.HacerMini,     w.ColorBw,    w.Compresion,
                            w.PermiteDistorsion, w.UpDownQuality, w.WMActivo,   w.CheckMagik};
    if (w.HacerMini->isChecked())
        shaping << w.TipoPeque << w.AltoPeque << w.AnchoPeque;
    QString margins;
    if (interactive) {
        shaping << w.SelectionSize2 << w.Altura2 << w.SelectionWidth2i << w.SelectionWidth2d
                << w.chkMargenNegro;
        if (w.chkMargenNegro->isChecked())
            shaping << w.GreyTolerance;
        margins = marginText(v.MargenIzq2Manual, v.MargenIzq2) + QLatin1Char(' ') +
                  marginText(v.MargenDch2Manual, v.MargenDch2);
    } else {
        shaping << w.SelectionSize << w.Altura << w.SelectionWidth;
        margins = marginText(v.MargenIzqManual, v.MargenIzq) + QLatin1Char(' ') +
                  marginText(v.MargenDchManual, v.MargenDch);
    }
    if (w.WMActivo->isChecked())
        shaping << w.WMTrans << w.WMHpos << w.WMVpos;
    if (w.CheckMagik->isChecked()) {
        shaping << w.MagikisCopy;
        for (int k = 0; k < 5; ++k)
            shaping << w.cbMagikNon[k] << w.lblMagicNon[k] << w.cbMagicPar[k] << w.lblMagikPar[k];
    }
    QString text;
    for (const QWidget* control : shaping)
        text += control->objectName() + QLatin1Char('=') + valueOf(control) + QLatin1Char('\n');
    text += QStringLiteral("margins=") + margins + QLatin1Char('\n');
    // Followed pages depend on the scan they follow the book from, and on the turn of the canvas
    // the rectangles were set on.
    if ((interactive ? w.chkICSeguirLibro : w.chkSeguirLibro)->isChecked())
        text += QStringLiteral("follow=") + joinPath(w.loader().loadedFolder(), v.FicheroCargado) +
                QLatin1Char(' ') + formatNumber(interactive ? v.AnguloGiro : v.AnguloDetectado) +
                QLatin1Char('\n');
    if (w.WMActivo->isChecked()) {
        // The picture is prepared anew by each run; what counts is what it holds.
        QFile picture(Watermark::workFile());
        const QByteArray bytes =
            picture.open(QIODevice::ReadOnly) ? picture.readAll() : QByteArray();
        text += QStringLiteral("wm.png=") +
                QString::fromLatin1(
                    QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex()) +
                QLatin1Char('\n');
    }
    return text;
}

PageSettings pageSettingsFromWindow(MainWindow& w, const OutputSettings& settings, bool Graba,
                                    int top, double bottom) {
    const WorkingValues& v = w.v;
    PageSettings s;
    s.largeSuffix = w.HacerMini->isChecked() ? QStringLiteral("A") : QString();
    s.extension = settings.extension;
    s.thumbnailExtension = settings.thumbnailExtension;
    s.encode = Graba && !w.CheckMagik->isChecked();
    const QString tiff = QStringLiteral(".tif");
    s.compress = (settings.extension == tiff || settings.thumbnailExtension == tiff) &&
                 w.Compresion->isChecked();

    PageRecipe& page = s.page;
    page.top = top;
    page.bottom = bottom;
    page.pageWidth = v.AnchoPagina;
    page.pageHeight = v.AltoPagina;
    page.distort = w.PermiteDistorsion->isChecked();
    page.colorCode = settings.colorCode;
    page.jpegQuality = w.UpDownQuality->value();
    if (w.WMActivo->isChecked())
        page.watermark = watermarkFromWindow(w);
    page.thumbnailWidth = roundToInt32(v.AnchoMiniatura);
    page.thumbnailHeight = roundToInt32(v.AltoMiniatura);
    return s;
}

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
