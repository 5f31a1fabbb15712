#pragma once

#include <QString>
#include <QStringList>

// The OCR languages Tesseract can read here.

// Tesseract's data folder: TESSDATA_PREFIX when it is set (the folder holding the
// .traineddata files, as Tesseract 5 reads it), else the first of the distribution's folders
// that exists; empty when none does.
QString tessdataFolder();

// The languages with a .traineddata file in the folder (not the script and orientation data),
// sorted: {"eng", "spa"}.
QStringList installedOcrLanguages(const QString& folder = tessdataFolder());

// What the language list offers: each installed language, and "spa+eng" when both are there.
QStringList ocrLanguageChoices(const QStringList& installed);

// "spa+eng" when offered, else "spa", else "eng", else the first choice; empty when none.
QString defaultOcrLanguage(const QStringList& choices);

// The languages of a choice such as "spa+eng" that have no data in the folder.
QStringList missingOcrLanguages(const QString& language, const QString& folder);
