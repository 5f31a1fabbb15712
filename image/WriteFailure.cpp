#include "image/WriteFailure.h"

#include <QStorageInfo>

#include <cerrno>
#include <cstring>

namespace {

QString reasonOf(int systemError) {
    switch (systemError) {
    case EACCES:
    case EPERM:
        return QStringLiteral("no hay permiso para escribir en la carpeta");
    case EROFS:
        return QStringLiteral("el disco es de solo lectura");
    case EFBIG:
        return QStringLiteral("el fichero es mayor de lo que el sistema permite");
    case ENOENT:
        return QStringLiteral("la carpeta no existe");
    case ENOTDIR:
        return QStringLiteral("parte de la ruta no es una carpeta");
    case EEXIST:
        return QStringLiteral("ya existe un fichero con ese nombre");
    case EISDIR:
        return QStringLiteral("ya existe una carpeta con ese nombre");
    case ENAMETOOLONG:
        return QStringLiteral("el nombre es demasiado largo");
    case EIO:
        return QStringLiteral("error de lectura o escritura en el disco");
    case EMFILE:
    case ENFILE:
        return QStringLiteral("hay demasiados ficheros abiertos");
    case EBUSY:
    case ETXTBSY:
        return QStringLiteral("el fichero está en uso");
    default:
        return {};
    }
}

bool isDiskFull(int systemError) {
#ifdef EDQUOT
    if (systemError == EDQUOT) // the user's share of the disk: full for this user
        return true;
#endif
    return systemError == ENOSPC;
}

} // namespace

WriteFailure writeFailureOf(int systemError, const QString& folder, qint64 bytesNeeded,
                            const QString& systemText) {
    if (isDiskFull(systemError))
        return {QStringLiteral("el disco está lleno"), true};
    if (QString reason = reasonOf(systemError); !reason.isEmpty())
        return {reason, false};
    const QStorageInfo disk(folder);
    if (disk.isValid() && disk.bytesAvailable() < bytesNeeded)
        return {QStringLiteral("el disco está lleno"), true};
    const QString said =
        systemError != 0 ? QString::fromLocal8Bit(std::strerror(systemError)) : systemText;
    if (said.isEmpty())
        return {QStringLiteral("error desconocido del sistema"), false};
    return {QStringLiteral("error del sistema (%1)").arg(said), false};
}
