#include "script/ScriptActions.h"

#include "app/ClickLabel.h"
#include "app/ComboBox.h"
#include "app/ControlState.h"
#include "app/ImageBox.h"
#include "app/MainWindow.h"
#include "app/UpDown.h"
#include "script/ScriptParser.h"
#include "sources/DriveList.h"
#include "sources/FileList.h"
#include "sources/FolderList.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QStyle>
#include <QTabBar>
#include <QTabWidget>
#include <QToolButton>

namespace {

QString quoted(const QString& text) {
    return QLatin1Char('\'') + text + QLatin1Char('\'');
}

QString rangeProblem(const QWidget* control, const QString& value, int minimum, int maximum) {
    return control->objectName() +
           QStringLiteral(" takes a whole number from %1 to %2, not ").arg(minimum).arg(maximum) +
           quoted(value);
}

// The row a script names: a row number, or the text of a row (for a folder list, its folder's
// name or full path).
std::optional<int> rowOf(const QListWidget* list, const QString& word, QString* error) {
    if (const std::optional<int> number = parseWholeNumber(word)) {
        if (*number >= 0 && *number < list->count())
            return number;
        *error = list->objectName() +
                 QStringLiteral(" has no row %1 (it has %2 rows)").arg(*number).arg(list->count());
        return std::nullopt;
    }
    const auto* folders = qobject_cast<const FolderList*>(list);
    for (int row = 0; row < list->count(); ++row) {
        const QString text = list->item(row)->text();
        if (folders ? (text.trimmed() == word || folders->folderOfRow(row) == word) : text == word)
            return row;
    }
    *error = list->objectName() + QStringLiteral(" has no row ") + quoted(word);
    return std::nullopt;
}

void sendMouse(QWidget* target, QEvent::Type type, QPointF at, Qt::MouseButton button,
               Qt::MouseButtons held) {
    QMouseEvent event(type, at, target->mapToGlobal(at), button, held, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &event);
}

// What a list view reports for a click (and, when `twice`, a double-click) on a row. File lists
// have their own entry point; the other lists report through the view's signals.
void clickListRow(QListWidget* list, int row, bool twice) {
    if (auto* files = qobject_cast<FileList*>(list)) {
        if (twice)
            files->doubleClickRow(row);
        else
            files->clickRow(row);
        return;
    }
    const QModelIndex index = list->model()->index(row, 0);
    const bool activateOnSingleClick =
        list->style()->styleHint(QStyle::SH_ItemView_ActivateItemOnSingleClick, nullptr, list);
    list->setCurrentIndex(index); // selects the row, as a plain click does
    emit list->pressed(index);
    emit list->clicked(index);
    if (activateOnSingleClick)
        emit list->activated(index);
    if (!twice)
        return;
    emit list->doubleClicked(index);
    if (!activateOnSingleClick)
        emit list->activated(index);
}

QToolButton* arrowOf(UpDown* upDown, Qt::ArrowType arrow) {
    for (QToolButton* button : upDown->findChildren<QToolButton*>()) {
        if (button->arrowType() == arrow)
            return button;
    }
    return nullptr;
}

} // namespace

QString scriptReachability(const MainWindow& window, const QWidget* control) {
    const QTabWidget* tabs = window.SSTab1;
    int tab = -1;
    for (int k = 0; k < tabs->count(); ++k) {
        if (tabs->widget(k)->isAncestorOf(control))
            tab = k;
    }
    const QWidget* page = tab >= 0 ? tabs->widget(tab) : nullptr;
    for (const QWidget* c = control; c && c != page && c != &window; c = c->parentWidget()) {
        const QString what = c == control ? control->objectName() + QStringLiteral(" is ")
                                          : control->objectName() + QStringLiteral(" is in a ");
        const QString frame = c == control ? QString() : QStringLiteral(" frame");
        if (!visibleFlag(c))
            return what + QStringLiteral("hidden") + frame;
        if (!enabledFlag(c))
            return what + QStringLiteral("disabled") + frame;
    }
    if (tab >= 0 && !tabs->isTabEnabled(tab))
        return control->objectName() + QStringLiteral(" is on tab %1, which is disabled").arg(tab);
    return {};
}

QString scriptSet(MainWindow&, QWidget* control, const QString& value) {
    const QString name = control->objectName();
    const std::optional<int> number = parseWholeNumber(value);
    if (auto* files = qobject_cast<FileList*>(control)) {
        for (int row = 0; row < files->count(); ++row) {
            if (files->item(row)->text() == value) {
                files->clickRow(row);
                return {};
            }
        }
        return name + QStringLiteral(" lists no file ") + quoted(value);
    }
    if (auto* folders = qobject_cast<FolderList*>(control)) {
        if (!folders->setPath(value))
            return name + QStringLiteral(" cannot open folder ") + quoted(value);
        return {};
    }
    if (auto* drives = qobject_cast<DriveList*>(control)) {
        if (!drives->setDrive(value))
            return name + QStringLiteral(" lists no drive ") + quoted(value);
        return {};
    }
    if (auto* combo = qobject_cast<ComboBox*>(control)) {
        if (!number || combo->fixedChoice()) {
            if (combo->setText(value))
                return {};
            if (!number) {
                QStringList rows;
                for (int row = 0; row < combo->count(); ++row)
                    rows << quoted(combo->itemText(row));
                return name + QStringLiteral(" takes only one of its rows, not ") + quoted(value) +
                       QStringLiteral(" (") + rows.join(QStringLiteral(", ")) + QLatin1Char(')');
            }
        }
        if (*number < 0 || *number >= combo->count())
            return name + QStringLiteral(" has no row %1 (it has %2 rows)")
                              .arg(*number)
                              .arg(combo->count());
        combo->setListIndex(*number);
        return {};
    }
    if (auto* radio = qobject_cast<QRadioButton*>(control)) {
        if (value != QLatin1String("1"))
            return name + QStringLiteral(" is an option button: it can only be set to 1");
        radio->setChecked(true);
        return {};
    }
    if (auto* check = qobject_cast<QCheckBox*>(control)) {
        if (value != QLatin1String("0") && value != QLatin1String("1"))
            return name + QStringLiteral(" is a check box: 0 or 1, not ") + quoted(value);
        check->setChecked(value == QLatin1String("1"));
        return {};
    }
    if (auto* slider = qobject_cast<QSlider*>(control)) {
        if (!number || *number < slider->minimum() || *number > slider->maximum())
            return rangeProblem(control, value, slider->minimum(), slider->maximum());
        slider->setValue(*number);
        return {};
    }
    if (auto* upDown = qobject_cast<UpDown*>(control)) {
        if (!number || *number < upDown->minimum() || *number > upDown->maximum())
            return rangeProblem(control, value, upDown->minimum(), upDown->maximum());
        upDown->setValue(*number);
        return {};
    }
    if (auto* text = qobject_cast<QLineEdit*>(control)) {
        if (text->isReadOnly())
            return name + QStringLiteral(" is read-only");
        text->setText(value);
        return {};
    }
    if (qobject_cast<QListWidget*>(control))
        return name + QStringLiteral(" cannot be set; click one of its rows");
    return name + QStringLiteral(" has no value an operator can set");
}

QString scriptSelect(MainWindow&, QWidget* control, const QStringList& rows) {
    auto* list = qobject_cast<QListWidget*>(control);
    const QString name = control->objectName();
    if (!list || (list->selectionMode() != QAbstractItemView::ExtendedSelection &&
                  list->selectionMode() != QAbstractItemView::MultiSelection))
        return name + QStringLiteral(" is not a list with multiple selection");
    QList<int> chosen;
    if (rows == QStringList{QStringLiteral("all")}) {
        for (int row = 0; row < list->count(); ++row)
            chosen << row;
    } else if (rows != QStringList{QStringLiteral("none")}) {
        for (const QString& word : rows) {
            QString error;
            const std::optional<int> row = rowOf(list, word, &error);
            if (!row)
                return error;
            chosen << *row;
        }
    }
    // The selection changes without any handler of the window seeing it.
    const QSignalBlocker quiet(list);
    for (int row = 0; row < list->count(); ++row)
        list->item(row)->setSelected(chosen.contains(row));
    return {};
}

QString scriptClick(MainWindow&, QWidget* control, const std::optional<QString>& row) {
    const QString name = control->objectName();
    if (auto* list = qobject_cast<QListWidget*>(control)) {
        if (!row)
            return name + QStringLiteral(" is a list: name the row to click");
        QString error;
        const std::optional<int> index = rowOf(list, *row, &error);
        if (!index)
            return error;
        clickListRow(list, *index, false);
        return {};
    }
    if (auto* upDown = qobject_cast<UpDown*>(control)) {
        const QString arrow = row.value_or(QString());
        if (arrow != QLatin1String("up") && arrow != QLatin1String("down"))
            return name + QStringLiteral(" is an up-down: click it 'up' or 'down'");
        QToolButton* button =
            arrowOf(upDown, arrow == QLatin1String("up") ? Qt::UpArrow : Qt::DownArrow);
        if (!button)
            return name + QStringLiteral(" has no ") + arrow + QStringLiteral(" arrow");
        button->click();
        return {};
    }
    if (row)
        return name + QStringLiteral(" has no rows");
    if (auto* button = qobject_cast<QAbstractButton*>(control)) {
        button->click();
        return {};
    }
    if (auto* label = qobject_cast<ClickLabel*>(control)) {
        label->click();
        return {};
    }
    return name + QStringLiteral(" cannot be clicked");
}

QString scriptDoubleClick(MainWindow&, QWidget* control, const QString& row) {
    auto* list = qobject_cast<QListWidget*>(control);
    if (!list)
        return control->objectName() + QStringLiteral(" is not a list");
    QString error;
    const std::optional<int> index = rowOf(list, row, &error);
    if (!index)
        return error;
    clickListRow(list, *index, true);
    return {};
}

QString scriptTab(MainWindow& window, int tab) {
    QTabWidget* tabs = window.SSTab1;
    if (tab < 0 || tab >= tabs->count())
        return QStringLiteral("SSTab1 has no tab %1 (tabs 0 to %2)")
            .arg(tab)
            .arg(tabs->count() - 1);
    if (!tabs->isTabEnabled(tab))
        return QStringLiteral("tab %1 is disabled").arg(tab);
    QTabBar* bar = tabs->tabBar();
    const QPointF caption = QRectF(bar->tabRect(tab)).center();
    sendMouse(bar, QEvent::MouseButtonPress, caption, Qt::LeftButton, Qt::LeftButton);
    sendMouse(bar, QEvent::MouseButtonRelease, caption, Qt::LeftButton, Qt::NoButton);
    if (tabs->currentIndex() != tab)
        return QStringLiteral("the caption of tab %1 did not respond to the click").arg(tab);
    return {};
}

QString scriptPointer(MainWindow&, QWidget* control, const QString& action, int button, double x,
                      double y) {
    auto* box = qobject_cast<ImageBox*>(control);
    if (!box)
        return control->objectName() + QStringLiteral(" is not an image box");
    const QPointF at(x, y);
    const bool press = action == QLatin1String("down") || action == QLatin1String("dblclick");
    if (press && !QRectF(box->rect()).contains(at))
        return control->objectName() + QStringLiteral(" is %1 x %2 pixels: (%3, %4) is outside it")
                                           .arg(box->width())
                                           .arg(box->height())
                                           .arg(x)
                                           .arg(y);
    const Qt::MouseButton which = button == 1   ? Qt::LeftButton
                                  : button == 2 ? Qt::RightButton
                                  : button == 4 ? Qt::MiddleButton
                                                : Qt::NoButton;
    if (action == QLatin1String("dblclick")) {
        // The events of a person's double-click, in the order the window system delivers them.
        sendMouse(box, QEvent::MouseButtonPress, at, which, which);
        sendMouse(box, QEvent::MouseButtonRelease, at, which, Qt::NoButton);
        sendMouse(box, QEvent::MouseButtonDblClick, at, which, which);
        sendMouse(box, QEvent::MouseButtonRelease, at, which, Qt::NoButton);
    } else if (action == QLatin1String("down"))
        sendMouse(box, QEvent::MouseButtonPress, at, which, which);
    else if (action == QLatin1String("move"))
        sendMouse(box, QEvent::MouseMove, at, Qt::NoButton, which);
    else
        sendMouse(box, QEvent::MouseButtonRelease, at, which, Qt::NoButton);
    return {};
}

QString scriptSave(MainWindow&, QWidget* control, const QString& path) {
    auto* box = qobject_cast<ImageBox*>(control);
    if (!box)
        return control->objectName() + QStringLiteral(" is not an image box");
    if (!box->HasImage())
        return control->objectName() + QStringLiteral(" holds no image");
    if (!box->SaveToFile(path)) {
        const QString why = box->lastError();
        return QStringLiteral("cannot save ") + quoted(path) +
               (why.isEmpty() ? QString() : QStringLiteral(": ") + why);
    }
    return {};
}
