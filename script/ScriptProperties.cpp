#include "script/ScriptProperties.h"

#include "app/ComboBox.h"
#include "app/ControlState.h"
#include "app/ImageBox.h"
#include "app/MainWindow.h"
#include "app/PictureBox.h"
#include "app/UpDown.h"
#include "sources/DriveList.h"
#include "sources/FileList.h"
#include "sources/FolderList.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QSlider>
#include <QTabWidget>
#include <cstdio>
#include <functional>

namespace {

struct Property {
    QString name;
    std::function<QString()> read;
};

QString number(double value) {
    return scriptNumber(value);
}

QString selectedRows(const QListWidget* list) {
    QStringList rows;
    for (int row = 0; row < list->count(); ++row) {
        if (list->item(row)->isSelected())
            rows << QString::number(row);
    }
    return rows.join(QLatin1Char(' '));
}

// The text of a row as a script sees it: a folder list shows a folder's full path.
QString rowText(const QListWidget* list, int row) {
    if (const auto* folders = qobject_cast<const FolderList*>(list))
        return folders->folderOfRow(row);
    return list->item(row)->text();
}

// The properties of a control, its main value first.
QList<Property> propertiesOf(const QWidget* c) {
    QList<Property> p;
    if (const auto* files = qobject_cast<const FileList*>(c)) {
        p << Property{QStringLiteral("FileName"), [=] { return files->fileName(); }}
          << Property{QStringLiteral("Path"), [=] { return files->path(); }}
          << Property{QStringLiteral("Pattern"), [=] { return files->pattern(); }};
    } else if (const auto* folders = qobject_cast<const FolderList*>(c)) {
        p << Property{QStringLiteral("Path"), [=] { return folders->path(); }};
    }
    if (const auto* list = qobject_cast<const QListWidget*>(c)) {
        p << Property{QStringLiteral("Text"),
                      [=] {
                          return list->currentItem() ? rowText(list, list->currentRow())
                                                     : QString();
                      }}
          << Property{QStringLiteral("ListIndex"), [=] { return number(list->currentRow()); }}
          << Property{QStringLiteral("ListCount"), [=] { return number(list->count()); }}
          << Property{QStringLiteral("Selected"), [=] { return selectedRows(list); }};
    } else if (const auto* drives = qobject_cast<const DriveList*>(c)) {
        p << Property{QStringLiteral("Drive"), [=] { return drives->drive(); }}
          << Property{QStringLiteral("ListIndex"), [=] { return number(drives->currentIndex()); }}
          << Property{QStringLiteral("ListCount"), [=] { return number(drives->count()); }};
    } else if (const auto* combo = qobject_cast<const ComboBox*>(c)) {
        p << Property{QStringLiteral("Text"), [=] { return combo->text(); }}
          << Property{QStringLiteral("ListIndex"), [=] { return number(combo->listIndex()); }}
          << Property{QStringLiteral("ListCount"), [=] { return number(combo->count()); }};
    } else if (const auto* radio = qobject_cast<const QRadioButton*>(c)) {
        p << Property{QStringLiteral("Value"), [=] { return scriptBoolean(radio->isChecked()); }}
          << Property{QStringLiteral("Caption"), [=] { return radio->text(); }};
    } else if (const auto* check = qobject_cast<const QCheckBox*>(c)) {
        p << Property{QStringLiteral("Value"), [=] { return number(check->isChecked() ? 1 : 0); }}
          << Property{QStringLiteral("Caption"), [=] { return check->text(); }};
    } else if (const auto* button = qobject_cast<const QAbstractButton*>(c)) {
        p << Property{QStringLiteral("Caption"), [=] { return button->text(); }};
    } else if (const auto* slider = qobject_cast<const QSlider*>(c)) {
        p << Property{QStringLiteral("Value"), [=] { return number(slider->value()); }}
          << Property{QStringLiteral("Min"), [=] { return number(slider->minimum()); }}
          << Property{QStringLiteral("Max"), [=] { return number(slider->maximum()); }};
    } else if (const auto* upDown = qobject_cast<const UpDown*>(c)) {
        p << Property{QStringLiteral("Value"), [=] { return number(upDown->value()); }}
          << Property{QStringLiteral("Min"), [=] { return number(upDown->minimum()); }}
          << Property{QStringLiteral("Max"), [=] { return number(upDown->maximum()); }};
    } else if (const auto* text = qobject_cast<const QLineEdit*>(c)) {
        p << Property{QStringLiteral("Text"), [=] { return text->text(); }};
    } else if (const auto* picture = qobject_cast<const PictureBox*>(c)) {
        p << Property{QStringLiteral("HasImage"),
                      [=] { return scriptBoolean(picture->hasPicture()); }}
          << Property{QStringLiteral("Caption"), [=] { return picture->message(); }};
    } else if (const auto* label = qobject_cast<const QLabel*>(c)) {
        p << Property{QStringLiteral("Caption"), [=] { return label->text(); }};
    } else if (const auto* box = qobject_cast<const ImageBox*>(c)) {
        p << Property{QStringLiteral("HasImage"), [=] { return scriptBoolean(box->HasImage()); }}
          << Property{QStringLiteral("ImageWidth"), [=] { return number(box->ImageWidth()); }}
          << Property{QStringLiteral("ImageHeight"), [=] { return number(box->ImageHeight()); }}
          << Property{QStringLiteral("ColorFormat"), [=] { return number(box->ColorFormat()); }};
    }
    p << Property{QStringLiteral("Enabled"), [=] { return scriptBoolean(enabledFlag(c)); }}
      << Property{QStringLiteral("Visible"), [=] { return scriptBoolean(visibleFlag(c)); }};
    return p;
}

QString line(const QString& reference, const QString& value) {
    return reference + QStringLiteral(" = ") + scriptText(value);
}

QString tabReference(const QString& property, int index) {
    return QStringLiteral("SSTab1.%1[%2]").arg(property).arg(index);
}

std::optional<QStringList> printTabs(const QTabWidget* tabs, const PropertyReference& ref,
                                     QString* error) {
    const QString& property = ref.property;
    const bool indexed =
        property == QLatin1String("TabEnabled") || property == QLatin1String("TabCaption");
    if (indexed != (ref.index >= 0)) {
        *error = indexed ? QStringLiteral("SSTab1.") + property +
                               QStringLiteral(" needs a tab "
                                              "number: ") +
                               property + QStringLiteral("[N]")
                         : QStringLiteral("SSTab1.") + property + QStringLiteral(" takes no index");
        return std::nullopt;
    }
    if (indexed) {
        if (ref.index >= tabs->count()) {
            *error = QStringLiteral("SSTab1 has no tab %1 (tabs 0 to %2)")
                         .arg(ref.index)
                         .arg(tabs->count() - 1);
            return std::nullopt;
        }
        const QString value = property == QLatin1String("TabEnabled")
                                  ? scriptBoolean(tabs->isTabEnabled(ref.index))
                                  : tabs->tabText(ref.index);
        return QStringList{line(tabReference(property, ref.index), value)};
    }
    const QString reference =
        property.isEmpty() ? QStringLiteral("SSTab1") : QStringLiteral("SSTab1.") + property;
    if (property.isEmpty() || property == QLatin1String("Tab"))
        return QStringList{line(reference, number(tabs->currentIndex()))};
    if (property == QLatin1String("Tabs"))
        return QStringList{line(reference, number(tabs->count()))};
    if (property == QLatin1String("Caption"))
        return QStringList{line(reference, tabs->tabText(tabs->currentIndex()))};
    *error = QStringLiteral("SSTab1 has no property '") + property +
             QStringLiteral("' (it has Tab, Tabs, Caption, TabEnabled[N], TabCaption[N])");
    return std::nullopt;
}

std::optional<QStringList> printRows(const QWidget* control, const PropertyReference& ref,
                                     QString* error) {
    QStringList rows;
    if (const auto* list = qobject_cast<const QListWidget*>(control)) {
        for (int row = 0; row < list->count(); ++row)
            rows << rowText(list, row);
    } else if (const auto* combo = qobject_cast<const QComboBox*>(control)) {
        for (int row = 0; row < combo->count(); ++row)
            rows << combo->itemText(row);
    } else {
        *error = control->objectName() + QStringLiteral(" has no list");
        return std::nullopt;
    }
    const QString prefix = control->objectName() + QStringLiteral(".List[%1]");
    if (ref.index >= 0) {
        if (ref.index >= rows.size()) {
            *error =
                control->objectName() +
                QStringLiteral(" has no row %1 (it has %2 rows)").arg(ref.index).arg(rows.size());
            return std::nullopt;
        }
        return QStringList{line(prefix.arg(ref.index), rows[ref.index])};
    }
    QStringList lines;
    for (qsizetype row = 0; row < rows.size(); ++row)
        lines << line(prefix.arg(row), rows[row]);
    return lines;
}

} // namespace

QString scriptNumber(double value) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.15g", value);
    return QString::fromLatin1(buffer);
}

QString scriptBoolean(bool value) {
    return value ? QStringLiteral("True") : QStringLiteral("False");
}

QString scriptText(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        if (c == QLatin1Char('\r'))
            out += QStringLiteral("\\r");
        else if (c == QLatin1Char('\n'))
            out += QStringLiteral("\\n");
        else if (c == QLatin1Char('\t'))
            out += QStringLiteral("\\t");
        else if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            out += QStringLiteral("\\x%1").arg(static_cast<uint>(c.unicode()), 2, 16,
                                               QLatin1Char('0'));
        else
            out += c;
    }
    return out;
}

QString scriptValue(const QVariant& value) {
    switch (value.typeId()) {
    case QMetaType::Bool:
        return scriptBoolean(value.toBool());
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        return scriptNumber(value.toDouble());
    default:
        return value.toString();
    }
}

bool scriptPrintableName(const MainWindow& window, const QString& name) {
    return window.control(name) || name == QLatin1String("SSTab1") ||
           WorkingValues::names().contains(name);
}

std::optional<QStringList> scriptPrint(const MainWindow& window, const PropertyReference& ref,
                                       QString* error) {
    if (ref.name == QLatin1String("SSTab1"))
        return printTabs(window.SSTab1, ref, error);
    const QWidget* control = window.control(ref.name);
    if (!control) {
        const QVariant value = window.v.valueByName(ref.name);
        if (!value.isValid()) {
            *error = QStringLiteral("unknown control or value '") + ref.name + QLatin1Char('\'');
            return std::nullopt;
        }
        if (!ref.property.isEmpty()) {
            *error = ref.name + QStringLiteral(" is a working value: it has no properties");
            return std::nullopt;
        }
        return QStringList{line(ref.name, scriptValue(value))};
    }
    if (ref.property == QLatin1String("List"))
        return printRows(control, ref, error);
    if (ref.index >= 0) {
        *error = ref.name + QLatin1Char('.') + ref.property + QStringLiteral(" takes no index");
        return std::nullopt;
    }
    const QList<Property> properties = propertiesOf(control);
    if (ref.property.isEmpty())
        return QStringList{line(ref.name, properties.first().read())};
    QStringList names;
    for (const Property& property : properties) {
        if (property.name == ref.property)
            return QStringList{line(ref.name + QLatin1Char('.') + ref.property, property.read())};
        names << property.name;
    }
    if (qobject_cast<const QListWidget*>(control) || qobject_cast<const QComboBox*>(control))
        names << QStringLiteral("List");
    *error = ref.name + QStringLiteral(" has no property '") + ref.property +
             QStringLiteral("' (it has ") + names.join(QStringLiteral(", ")) + QLatin1Char(')');
    return std::nullopt;
}
