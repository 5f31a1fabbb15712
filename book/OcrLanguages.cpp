#include "book/OcrLanguages.h"

#include <QDir>
#include <QFileInfo>

QString tessdataFolder() {
    const QString given = qEnvironmentVariable("TESSDATA_PREFIX");
    if (!given.isEmpty())
        return QDir::cleanPath(given);
    for (const char* folder :
         {"/usr/share/tesseract-ocr/5/tessdata", "/usr/share/tesseract-ocr/4.00/tessdata",
          "/usr/share/tessdata", "/usr/local/share/tessdata"}) {
        if (QFileInfo(QString::fromLatin1(folder)).isDir())
            return QString::fromLatin1(folder);
    }
    return {};
}

QStringList installedOcrLanguages(const QString& folder) {
    if (folder.isEmpty())
        return {};
    QStringList languages;
    const QStringList files = QDir(folder).entryList({QStringLiteral("*.traineddata")},
                                                     QDir::Files | QDir::Readable, QDir::Name);
    for (const QString& file : files) {
        const QString language = QFileInfo(file).completeBaseName();
        // Orientation and script detection, not a language to read text in.
        if (language != u"osd")
            languages << language;
    }
    return languages;
}

QStringList ocrLanguageChoices(const QStringList& installed) {
    QStringList choices = installed;
    if (installed.contains(QStringLiteral("spa")) && installed.contains(QStringLiteral("eng")))
        choices << QStringLiteral("spa+eng");
    return choices;
}

QString defaultOcrLanguage(const QStringList& choices) {
    for (const char* preferred : {"spa+eng", "spa", "eng"}) {
        if (choices.contains(QLatin1String(preferred)))
            return QString::fromLatin1(preferred);
    }
    return choices.value(0);
}

QStringList missingOcrLanguages(const QString& language, const QString& folder) {
    QStringList missing;
    const QStringList parts = language.split(QLatin1Char('+'), Qt::SkipEmptyParts);
    for (const QString& part : parts) {
        if (folder.isEmpty() ||
            !QFileInfo(QDir(folder).filePath(part + QStringLiteral(".traineddata"))).isFile())
            missing << part;
    }
    if (parts.isEmpty())
        missing << language;
    return missing;
}
