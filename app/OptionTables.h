#pragma once

#include <QString>
#include <QStringList>
#include <array>

// The fixed tables behind the window's lists. A row's position is the list position of the combo
// box that shows it, and the rest of the program indexes the tables with that position.

struct FileFormat {
    QString name;      // shown in the type combo boxes
    QString pattern;   // file-list pattern, e.g. "*.jpg;*.jpeg"
    QString extension; // extension of written files, e.g. ".jpg"
};

struct ColorOption {
    QString text;
    int code; // colour-format code given to the image boxes (same numbering as colorModeTexts)
};

struct Effect {
    QString name;
    QString option; // ImageMagick option, written into the effect command unchanged
    QString hint;
};

struct OptionTables {
    std::array<FileFormat, 6> formats;          // rows 0 to 4 used
    std::array<FileFormat, 6> watermarkFormats; // rows 0 and 1 used
    std::array<QString, 11> colorModes;         // codes 0 to 6 used
    std::array<ColorOption, 11> colorFormats;   // rows 0 to 5 used
    std::array<Effect, 11> effects;             // rows 0 to 6 used
    std::array<QString, 11> oddNumbering;
    std::array<QString, 11> evenNumbering;

    static OptionTables build();

    // The text of a colour-format code; empty for a code the table has no text for.
    QString colorModeText(int code) const {
        return code >= 0 && code < int(colorModes.size()) ? colorModes[size_t(code)] : QString();
    }

    // How many leading rows of a table hold entries.
    static constexpr int kFormatRows = 5;
    static constexpr int kWatermarkFormatRows = 2;
    static constexpr int kColorFormatRows = 6;
    static constexpr int kColorModeCodes = 7;
};
