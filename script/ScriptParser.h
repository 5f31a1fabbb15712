#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

// The statement language of script mode: one statement per line, words separated by blanks, a
// word in double quotes may hold blanks (with \" and \\ inside), ${NAME} in a word is replaced
// by the environment variable NAME, and lines whose first word starts with "#" are comments.

enum class ScriptVerb { Set, Select, Click, DoubleClick, Tab, Pointer, When, Print, Save };

struct ScriptStatement {
    int line = 0;
    ScriptVerb verb = ScriptVerb::Print;
    // The words after the verb. For `when`: the list, the text and the count.
    QStringList args;
    // The statement a `when` queues.
    std::shared_ptr<const ScriptStatement> then;
};

struct ScriptError {
    int line = 0;
    QString reason;
};

struct ParsedScript {
    QList<ScriptStatement> statements;
    std::optional<ScriptError> error; // the first line that does not parse
};

// Splits a line into words and expands ${NAME}. On a quoting fault or an unset variable returns
// nothing and sets `error`.
std::optional<QStringList> splitScriptWords(const QString& line, QString* error);

// Parses the whole text (lines counted from 1). Only the form of each statement is checked here;
// names, kinds and values are checked against the window.
ParsedScript parseScript(const QString& text);

// Parses the words of one statement (not empty, not a comment).
std::optional<ScriptStatement> parseScriptStatement(const QStringList& words, int line,
                                                    QString* error);

// A whole number written with optional sign and decimal digits only.
std::optional<int> parseWholeNumber(const QString& word);

// The mouse button of a pointer statement: 1 left, 2 right, 4 middle (0 none, for moves).
std::optional<int> parsePointerButton(const QString& word);

// Splits "NAME.PROPERTY" or "NAME.PROPERTY[i]" of a print statement. The index is -1 when absent.
struct PropertyReference {
    QString name;
    QString property; // empty for the main value
    int index = -1;
};
std::optional<PropertyReference> parsePropertyReference(const QString& word, QString* error);
