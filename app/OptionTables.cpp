#include "app/OptionTables.h"

OptionTables OptionTables::build() {
    OptionTables t;
    t.formats = {{
        {QStringLiteral("Imágenes JPG"), QStringLiteral("*.jpg;*.jpeg"), QStringLiteral(".jpg")},
        {QStringLiteral("Imágenes TIFF"), QStringLiteral("*.tif;*.tiff"), QStringLiteral(".tif")},
        {QStringLiteral("Imágenes GIF"), QStringLiteral("*.gif"), QStringLiteral(".gif")},
        {QStringLiteral("Imágenes PNG"), QStringLiteral("*.png"), QStringLiteral(".png")},
        {QStringLiteral("Imágenes BMP"), QStringLiteral("*.bmp"), QStringLiteral(".bmp")},
        {},
    }};
    t.watermarkFormats = {{
        {QStringLiteral("Imágenes GIF"), QStringLiteral("*.gif"), QStringLiteral(".gif")},
        {QStringLiteral("Imágenes PNG"), QStringLiteral("*.png"), QStringLiteral(".png")},
        {},
        {},
        {},
        {},
    }};
    t.colorModes = {
        QStringLiteral("Color Verdadero (24 Bits)"),
        QStringLiteral("256 Colores (8 Bits)"),
        QStringLiteral("256 Tonos de Gris (8 Bits)"),
        QStringLiteral("16 Colores (4 Bits)"),
        QStringLiteral("16 Tonos de Gris (4 Bits)"),
        QStringLiteral("Monocromo (1 Bit)"),
        QStringLiteral("Blanco y Negro (1 Bit)"),
        {},
        {},
        {},
        {},
    };
    t.colorFormats = {{
        {QStringLiteral("Paleta de Colores 8 bits (256 Colores)"), 1},
        {QStringLiteral("Escala de Grises (256 Tonos de Gris)"), 2},
        {QStringLiteral("Paleta de Colores 4 bits (16 Colores)"), 3},
        {QStringLiteral("Escala de Grises (16 Tonos de Gris)"), 4},
        {QStringLiteral("Imagenes en Blanco y Negro (1 bit)"), 6},
        {QStringLiteral("Color Verdadero 24 bits (16 millones)"), 0},
        {},
        {},
        {},
        {},
        {},
    }};
    t.effects = {{
        {QStringLiteral("Sin Efectos"), {}, {}},
        {QStringLiteral("Rotar"), QStringLiteral("-rotate"), QStringLiteral("+|- Grados")},
        {QStringLiteral("Brillo y Contraste"), QStringLiteral("-brightness-contrast"),
         QStringLiteral("+|-Brillox+|-Contraste (%)")},
        {QStringLiteral("+ Contraste"), QStringLiteral("-contrast"), QStringLiteral("Sin Valor")},
        {QStringLiteral("- Contraste"), QStringLiteral("+contrast"), QStringLiteral("Sin Valor")},
        {QStringLiteral("Escalar Tamaño"), QStringLiteral("-scale"),
         QStringLiteral("+|-n% o Ancho o xAlto")},
        {QStringLiteral("HQ Resamplear"), QStringLiteral("-sample"),
         QStringLiteral("+|-n% o Ancho o xAlto")},
        {},
        {},
        {},
        {},
    }};
    const QString tails[] = {QStringLiteral("Completo"), QStringLiteral("Exc.Portada"),
                             QStringLiteral("Exc.Portada+1Pag"), QStringLiteral("Exc.Portada+2Pag"),
                             QStringLiteral("Exc.Portada+3Pag")};
    for (int i = 0; i < 5; ++i) {
        t.oddNumbering[i] = QStringLiteral("Páginas:") + tails[i];
        t.evenNumbering[i] = QStringLiteral("Páginas:") + tails[i];
        t.oddNumbering[5 + i] = QStringLiteral("Solo Impares:") + tails[i];
        t.evenNumbering[5 + i] = QStringLiteral("Solo Pares:") + tails[i];
    }
    t.oddNumbering[10] = QStringLiteral("No Numerar Paginas Impares");
    t.evenNumbering[10] = QStringLiteral("No Numerar Paginas Pares");
    return t;
}
