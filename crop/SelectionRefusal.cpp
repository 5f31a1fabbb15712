#include "crop/SelectionRefusal.h"

#include "util/Numbers.h"

QString selectionRefusal(double top, double bottom, double width, double pageWidth,
                         double pageHeight) {
    if (bottom <= top || bottom <= 0 || width <= 0)
        return QStringLiteral(
                   "La selección está vacía (alto %1, ancho %2): no se corta esta imagen")
            .arg(formatNumber(bottom - top), formatNumber(width));
    if (roundHalfEven(pageWidth) <= 0 || roundHalfEven(pageHeight) <= 0)
        return QStringLiteral("Tamaño de página no válido (%1 x %2): no se corta esta imagen")
            .arg(formatNumber(pageWidth), formatNumber(pageHeight));
    return {};
}
