#include "script/ScriptParser.h"

namespace {

bool isBlank(QChar c) {
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

std::optional<ScriptVerb> verbOf(const QString& word) {
    static const QList<std::pair<QString, ScriptVerb>> verbs = {
        {QStringLiteral("set"), ScriptVerb::Set},
        {QStringLiteral("select"), ScriptVerb::Select},
        {QStringLiteral("click"), ScriptVerb::Click},
        {QStringLiteral("dblclick"), ScriptVerb::DoubleClick},
        {QStringLiteral("tab"), ScriptVerb::Tab},
        {QStringLiteral("pointer"), ScriptVerb::Pointer},
        {QStringLiteral("when"), ScriptVerb::When},
        {QStringLiteral("print"), ScriptVerb::Print},
        {QStringLiteral("save"), ScriptVerb::Save}};
    for (const auto& [name, verb] : verbs) {
        if (word == name)
            return verb;
    }
    return std::nullopt;
}

QString usageOf(ScriptVerb verb) {
    switch (verb) {
    case ScriptVerb::Set:
        return QStringLiteral("set NAME VALUE");
    case ScriptVerb::Select:
        return QStringLiteral("select NAME all|none|ROW...");
    case ScriptVerb::Click:
        return QStringLiteral("click NAME [ROW]");
    case ScriptVerb::DoubleClick:
        return QStringLiteral("dblclick NAME ROW");
    case ScriptVerb::Tab:
        return QStringLiteral("tab N");
    case ScriptVerb::Pointer:
        return QStringLiteral("pointer NAME down|move|up|dblclick BUTTON X Y");
    case ScriptVerb::When:
        return QStringLiteral("when LIST \"TEXT\" N STATEMENT...");
    case ScriptVerb::Print:
        return QStringLiteral("print NAME[.PROPERTY]");
    case ScriptVerb::Save:
        return QStringLiteral("save NAME PATH");
    }
    return {};
}

bool fail(QString* error, const QString& reason) {
    if (error)
        *error = reason;
    return false;
}

bool checkArity(ScriptVerb verb, qsizetype args, QString* error) {
    qsizetype least = 0;
    qsizetype most = 0;
    switch (verb) {
    case ScriptVerb::Set:
    case ScriptVerb::DoubleClick:
    case ScriptVerb::Save:
        least = most = 2;
        break;
    case ScriptVerb::Select:
        least = 2;
        most = -1;
        break;
    case ScriptVerb::Click:
        least = 1;
        most = 2;
        break;
    case ScriptVerb::Tab:
    case ScriptVerb::Print:
        least = most = 1;
        break;
    case ScriptVerb::Pointer:
        least = most = 5;
        break;
    case ScriptVerb::When:
        least = 4;
        most = -1;
        break;
    }
    if (args < least || (most >= 0 && args > most))
        return fail(error, QStringLiteral("expected: ") + usageOf(verb));
    return true;
}

// Replaces each ${NAME} by the value of the environment variable NAME.
std::optional<QString> expandEnvironment(const QString& word, QString* error) {
    QString out;
    qsizetype i = 0;
    while (true) {
        const qsizetype start = word.indexOf(QLatin1String("${"), i);
        if (start < 0)
            return out + word.mid(i);
        const qsizetype end = word.indexOf(QLatin1Char('}'), start + 2);
        if (end < 0) {
            fail(error, QStringLiteral("missing '}' after '${'"));
            return std::nullopt;
        }
        const QString name = word.mid(start + 2, end - start - 2);
        if (!qEnvironmentVariableIsSet(name.toLocal8Bit().constData())) {
            fail(error,
                 QStringLiteral("environment variable ") + name + QStringLiteral(" is not set"));
            return std::nullopt;
        }
        out += word.mid(i, start - i) + qEnvironmentVariable(name.toLocal8Bit().constData());
        i = end + 1;
    }
}

} // namespace

std::optional<QStringList> splitScriptWords(const QString& line, QString* error) {
    QStringList words;
    const qsizetype n = line.size();
    qsizetype i = 0;
    while (true) {
        while (i < n && isBlank(line[i]))
            ++i;
        if (i >= n)
            return words;
        QString word;
        if (line[i] == QLatin1Char('"')) {
            ++i;
            bool closed = false;
            while (i < n) {
                const QChar c = line[i];
                if (c == QLatin1Char('\\') && i + 1 < n &&
                    (line[i + 1] == QLatin1Char('"') || line[i + 1] == QLatin1Char('\\'))) {
                    word += line[i + 1];
                    i += 2;
                } else if (c == QLatin1Char('"')) {
                    closed = true;
                    ++i;
                    break;
                } else {
                    // Any other backslash is kept, so that Windows paths need no doubling.
                    word += c;
                    ++i;
                }
            }
            if (!closed) {
                fail(error, QStringLiteral("unterminated quoted word"));
                return std::nullopt;
            }
            if (i < n && !isBlank(line[i])) {
                fail(error, QStringLiteral("a closing quote must end its word"));
                return std::nullopt;
            }
        } else {
            while (i < n && !isBlank(line[i])) {
                if (line[i] == QLatin1Char('"')) {
                    fail(error, QStringLiteral("a quote may only open a word"));
                    return std::nullopt;
                }
                word += line[i++];
            }
        }
        std::optional<QString> expanded = expandEnvironment(word, error);
        if (!expanded)
            return std::nullopt;
        words << *expanded;
    }
}

std::optional<int> parseWholeNumber(const QString& word) {
    qsizetype i = 0;
    if (!word.isEmpty() && (word[0] == QLatin1Char('-') || word[0] == QLatin1Char('+')))
        i = 1;
    if (i >= word.size())
        return std::nullopt;
    for (qsizetype k = i; k < word.size(); ++k) {
        if (word[k] < QLatin1Char('0') || word[k] > QLatin1Char('9'))
            return std::nullopt;
    }
    bool ok = false;
    const int value = word.toInt(&ok);
    if (!ok)
        return std::nullopt;
    return value;
}

std::optional<int> parsePointerButton(const QString& word) {
    const std::optional<int> button = parseWholeNumber(word);
    if (button && (*button == 0 || *button == 1 || *button == 2 || *button == 4))
        return button;
    return std::nullopt;
}

std::optional<PropertyReference> parsePropertyReference(const QString& word, QString* error) {
    PropertyReference ref;
    const qsizetype dot = word.indexOf(QLatin1Char('.'));
    ref.name = dot < 0 ? word : word.left(dot);
    if (ref.name.isEmpty()) {
        fail(error, QStringLiteral("missing name before '.'"));
        return std::nullopt;
    }
    if (dot < 0)
        return ref;
    QString property = word.mid(dot + 1);
    const qsizetype bracket = property.indexOf(QLatin1Char('['));
    if (bracket >= 0) {
        if (!property.endsWith(QLatin1Char(']'))) {
            fail(error, QStringLiteral("missing ']' in ") + word);
            return std::nullopt;
        }
        const std::optional<int> index =
            parseWholeNumber(property.mid(bracket + 1, property.size() - bracket - 2));
        if (!index || *index < 0) {
            fail(error, QStringLiteral("the index in ") + word +
                            QStringLiteral(" must be a row "
                                           "or tab number"));
            return std::nullopt;
        }
        ref.index = *index;
        property.truncate(bracket);
    }
    if (property.isEmpty()) {
        fail(error, QStringLiteral("missing property after '.'"));
        return std::nullopt;
    }
    ref.property = property;
    return ref;
}

std::optional<ScriptStatement> parseScriptStatement(const QStringList& words, int line,
                                                    QString* error) {
    const std::optional<ScriptVerb> verb = verbOf(words.value(0));
    if (!verb) {
        fail(error, QStringLiteral("unknown statement '") + words.value(0) + QLatin1Char('\''));
        return std::nullopt;
    }
    ScriptStatement statement;
    statement.line = line;
    statement.verb = *verb;
    statement.args = words.mid(1);
    const QStringList& a = statement.args;
    if (!checkArity(*verb, a.size(), error))
        return std::nullopt;

    switch (*verb) {
    case ScriptVerb::Select:
        if (a.size() > 2 &&
            (a.contains(QStringLiteral("all")) || a.contains(QStringLiteral("none")))) {
            fail(error, QStringLiteral("'all' and 'none' stand alone"));
            return std::nullopt;
        }
        break;
    case ScriptVerb::Tab:
        if (!parseWholeNumber(a[0])) {
            fail(error, QStringLiteral("tab number expected, not '") + a[0] + QLatin1Char('\''));
            return std::nullopt;
        }
        break;
    case ScriptVerb::Pointer: {
        if (a[1] != QLatin1String("down") && a[1] != QLatin1String("move") &&
            a[1] != QLatin1String("up") && a[1] != QLatin1String("dblclick")) {
            fail(error, QStringLiteral("pointer action must be down, move, up or dblclick, not '") +
                            a[1] + QLatin1Char('\''));
            return std::nullopt;
        }
        const std::optional<int> button = parsePointerButton(a[2]);
        if (!button || (*button == 0 && a[1] != QLatin1String("move"))) {
            fail(error, QStringLiteral("pointer button must be 1, 2 or 4 (0 only for move), "
                                       "not '") +
                            a[2] + QLatin1Char('\''));
            return std::nullopt;
        }
        for (const QString& coordinate : {a[3], a[4]}) {
            bool ok = false;
            coordinate.toDouble(&ok);
            if (!ok) {
                fail(error, QStringLiteral("pointer coordinate must be a number, not '") +
                                coordinate + QLatin1Char('\''));
                return std::nullopt;
            }
        }
        break;
    }
    case ScriptVerb::When: {
        if (a[0] != QLatin1String("ListaProceso") && a[0] != QLatin1String("lstActividad") &&
            a[0] != QLatin1String("lstPDF")) {
            fail(error, QStringLiteral("when watches ListaProceso, lstActividad or lstPDF, not '") +
                            a[0] + QLatin1Char('\''));
            return std::nullopt;
        }
        const std::optional<int> count = parseWholeNumber(a[2]);
        if (!count || *count < 1) {
            fail(error, QStringLiteral("when needs a count of 1 or more, not '") + a[2] +
                            QLatin1Char('\''));
            return std::nullopt;
        }
        const std::optional<ScriptStatement> then = parseScriptStatement(a.mid(3), line, error);
        if (!then)
            return std::nullopt;
        statement.args = a.mid(0, 3);
        statement.then = std::make_shared<const ScriptStatement>(*then);
        break;
    }
    case ScriptVerb::Print:
        if (!parsePropertyReference(a[0], error))
            return std::nullopt;
        break;
    default:
        break;
    }
    return statement;
}

ParsedScript parseScript(const QString& text) {
    ParsedScript parsed;
    QString body = text;
    if (body.startsWith(QChar(0xFEFF)))
        body.remove(0, 1);
    const QStringList lines = body.split(QLatin1Char('\n'));
    for (qsizetype k = 0; k < lines.size(); ++k) {
        const int line = static_cast<int>(k + 1);
        QString content = lines[k];
        if (content.endsWith(QLatin1Char('\r')))
            content.chop(1);
        const QString trimmed = content.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(QLatin1Char('#')))
            continue;
        QString reason;
        const std::optional<QStringList> words = splitScriptWords(content, &reason);
        std::optional<ScriptStatement> statement;
        if (words)
            statement = parseScriptStatement(*words, line, &reason);
        if (!statement) {
            parsed.error = ScriptError{line, reason};
            return parsed;
        }
        parsed.statements << *statement;
    }
    return parsed;
}
