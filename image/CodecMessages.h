#pragma once

#include <QString>
#include <QStringList>

// What the codecs say while a file is read on this thread: libpng, inside Qt's PNG reader,
// reports through Qt's messages ("libpng error: IDAT: invalid code lengths set"). While an object
// of this class lives, such messages of its thread are kept for the refusal line instead of going
// to standard error; messages of other threads pass as before.
class CodecMessages {
public:
    CodecMessages();
    ~CodecMessages();
    CodecMessages(const CodecMessages&) = delete;
    CodecMessages& operator=(const CodecMessages&) = delete;

    // The messages kept so far, in order, "; " between them; empty when there were none.
    QString text() const { return messages_.join(QStringLiteral("; ")); }

    // Used by the message handler.
    void keep(const QString& message) { messages_.append(message); }

private:
    QStringList messages_;
    CodecMessages* outer_;
};
