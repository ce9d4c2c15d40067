#pragma once

#include <QByteArray>
#include <QString>

// The debug console's typed text in its two formats. In ASCII the text is sent as UTF-8 with every line
// feed made CR LF; in HEX it holds hexadecimal bytes ("47 45 54 0D", spaces and line breaks between them do
// not count) and exactly those bytes are sent.
namespace SendPaneCodec {

// The bytes the text stands for; in HEX a word that is not hexadecimal bytes makes the result empty
// and is put into *badWord.
QByteArray bytesOf(const QString &text, bool hex, QString *badWord = nullptr);
// The text for bytes, so that bytesOf gives them back: in ASCII the bytes as UTF-8 text with every CR LF made
// one line feed again, in HEX the bytes in hexadecimal on one line.
QString textOf(const QByteArray &bytes, bool hex);
// The text in the other format. A line break of ASCII text stands for the CR that ends a command.
QString converted(const QString &text, bool toHex);

} // namespace SendPaneCodec
