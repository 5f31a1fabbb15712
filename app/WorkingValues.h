#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>

// The window's working values, each under its own name. The list is written once, as X(type, name,
// start value), so that fields, start values and look-up by name can never drift apart.
//
// AnguloDetectado and LomoDetectado are what the page finder found on the scan on screen, as it
// was loaded: the turn that straightens it (degrees, as AnguloGiro; 0 when nothing was found) and
// the x of its fold at mid height (scan pixels; -1 for one page or nothing found). Found from
// the automatic tab, its preview shows the scan turned by AnguloDetectado and the rectangles lie
// on that turned canvas; found from the interactive tab, AnguloGiro holds the same turn. Every
// load clears them, and shows the scan as it came.
#define PLIEGO_WORKING_VALUES(X)                                                                   \
    X(QString, RutaAplicacion, QString())                                                          \
    X(QString, CarpetaActual, QString())                                                           \
    X(QString, FicheroActual, QString())                                                           \
    X(QString, PaginaActiva, QStringLiteral("i"))                                                  \
    X(double, AltoPagina, 958)                                                                     \
    X(double, AnchoPagina, 695)                                                                    \
    X(double, AltoMiniatura, 540)                                                                  \
    X(double, AnchoMiniatura, 370)                                                                 \
    X(float, NumPaginas, 2)                                                                        \
    X(bool, ProcesoCancelado, false)                                                               \
    X(bool, ProcesandoEfectos, false)                                                              \
    X(bool, PaginaCortada, false)                                                                  \
    X(bool, MargenIzqManual, false)                                                                \
    X(bool, MargenDchManual, false)                                                                \
    X(bool, MargenIzq2Manual, false)                                                               \
    X(bool, MargenDch2Manual, false)                                                               \
    X(QString, FicheroCargado, QString())                                                          \
    X(QString, FicheroMarca, QString())                                                            \
    X(QString, CarpetaMarca, QString())                                                            \
    X(qint32, AnchoImagenHM, 0)                                                                    \
    X(qint32, AltoImagenHM, 0)                                                                     \
    X(double, HimetricPorPixel, 26.455)                                                            \
    X(double, HimetricPorTwip, 0)                                                                  \
    X(float, HimetricPorTwip2, 0)                                                                  \
    X(float, EscalaVista, 0)                                                                       \
    X(float, EscalaVista2, 0)                                                                      \
    X(double, ProporcionPagina, 695.0 / 958.0)                                                     \
    X(double, AnchoSeleccion, 0)                                                                   \
    X(qint32, MargenSuperior, 0)                                                                   \
    X(double, LimiteInferior, 0)                                                                   \
    X(double, MargenIzq, 0)                                                                        \
    X(double, MargenDch, 0)                                                                        \
    X(double, AnchoSeleccion2i, 0)                                                                 \
    X(double, AnchoSeleccion2d, 0)                                                                 \
    X(qint32, MargenSuperior2, 0)                                                                  \
    X(double, LimiteInferior2, 0)                                                                  \
    X(double, MargenIzq2, 0)                                                                       \
    X(double, MargenDch2, 0)                                                                       \
    X(bool, BloqueoEventos, false)                                                                 \
    X(float, AnguloGiro, 0)                                                                        \
    X(double, AnguloDetectado, 0)                                                                  \
    X(qint32, LomoDetectado, -1)                                                                   \
    X(double, InicioXi, 0)                                                                         \
    X(double, InicioYi, 0)                                                                         \
    X(double, FinXi, 0)                                                                            \
    X(double, FinYi, 0)                                                                            \
    X(double, InicioXd, 0)                                                                         \
    X(double, InicioYd, 0)                                                                         \
    X(double, FinXd, 0)                                                                            \
    X(qint32, FinYd, 0)                                                                            \
    X(double, PulsacionXi, 0)                                                                      \
    X(double, PulsacionYi, 0)                                                                      \
    X(double, PulsacionXd, 0)                                                                      \
    X(double, PulsacionYd, 0)

struct WorkingValues {
#define PLIEGO_DECLARE_FIELD(type, name, start) type name = start;
    PLIEGO_WORKING_VALUES(PLIEGO_DECLARE_FIELD)
#undef PLIEGO_DECLARE_FIELD

    // The value stored under a name, or an invalid QVariant for an unknown name.
    QVariant valueByName(const QString& name) const {
#define PLIEGO_LOOKUP_FIELD(type, field, start)                                                    \
    if (name == QLatin1String(#field))                                                             \
        return QVariant::fromValue(field);
        PLIEGO_WORKING_VALUES(PLIEGO_LOOKUP_FIELD)
#undef PLIEGO_LOOKUP_FIELD
        return {};
    }

    static QStringList names() {
        QStringList all;
#define PLIEGO_LIST_FIELD(type, field, start) all << QStringLiteral(#field);
        PLIEGO_WORKING_VALUES(PLIEGO_LIST_FIELD)
#undef PLIEGO_LIST_FIELD
        return all;
    }
};
