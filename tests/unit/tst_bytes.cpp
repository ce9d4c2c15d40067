// Byte helpers used on raw device data, the check of a user EDID image and the model rules of the value
// tables.

#include "protocol/ByteHelpers.h"
#include "protocol/DeviceContext.h"
#include "protocol/ValueTables.h"

#include <QByteArray>
#include <QChar>
#include <QObject>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QTest>

namespace {

// 256 bytes: a valid first block (header, content, checksum) with `extensions` in byte 126, then a second
// block whose bytes add up to 0 modulo 256 plus `secondSum`.
QByteArray edid(quint8 extensions, int secondSum)
{
    QByteArray image = QByteArray::fromHex("00FFFFFFFFFFFF00") + QByteArray(248, '\0');
    for (int i = 8; i < 256; ++i)
        image[i] = char(i * 7);
    image[126] = char(extensions);
    for (int block : {0, 128}) {
        int sum = 0;
        for (int i = block; i < block + 127; ++i)
            sum += quint8(image[i]);
        image[block + 127] = char(-sum + (block ? secondSum : 0));
    }
    return image;
}

QByteArray patched(QByteArray image, int at, char byte)
{
    image[at] = byte;
    return image;
}

using Field = QPair<quint32, quint32>; // start, length

Field field(const QByteArray &bytes, int n)
{
    quint32 start = 99;
    const quint32 length =
        FieldOfLine(bytes.isEmpty() ? nullptr : bytes.constData(), quint32(bytes.size()), n, &start);
    return {start, length};
}

// Offset in `line` of what FindBytes (or with `wholeWord` FindKeyword, which may look at the byte after the
// range up to the line's end) finds in the `length` bytes from `from`; -1 for nothing.
int found(const QByteArray &line, int from, int length, const QByteArray &needle, bool wholeWord)
{
    const char *range = line.constData() + from;
    const char *hit = wholeWord
                          ? FindKeyword(range, quint32(length), needle.constData(), quint32(needle.size()),
                                        line.constData() + line.size())
                          : FindBytes(range, quint32(length), needle.constData(), quint32(needle.size()));
    return hit ? int(hit - line.constData()) : -1;
}

} // namespace

class TestBytes : public QObject
{
    Q_OBJECT

private slots:
    void fieldOfLine()
    {
        QCOMPARE(field("OUT RESOLUTION 7", 1), Field(0, 3));
        QCOMPARE(field("OUT RESOLUTION 7", 2), Field(4, 10));
        QCOMPARE(field("OUT RESOLUTION 7", 3), Field(15, 1));
        QCOMPARE(field("OUT RESOLUTION 7", 9), Field(15, 1)); // beyond the last: the last
        QCOMPARE(field("MULTIVIEW-SYNC", 2), Field(0, 14));
        QCOMPARE(field("A  B", 2), Field(2, 0));
        QCOMPARE(field("AB ", 2), Field(3, 0));
        QCOMPARE(field("A B", 0), Field(0, 0));
        QCOMPARE(field("", 1), Field(0, 0));
    }

    void search()
    {
        QCOMPARE(found("xx GET MODEL TYPE", 0, 17, "MODEL TYPE", false), 7);
        QCOMPARE(found("AAAB", 0, 4, "AAB", false), 1);
        QCOMPARE(found(QByteArray("\0\xFF\0\x01", 4), 0, 4, QByteArray("\0\x01", 2), false), 2);
        QCOMPARE(found("GET MODEL TYPE", 0, 14, "TYPES", false), -1);
        QCOMPARE(found("OUT RESOLUTION\r", 0, 15, "OUT", true), 0);
        QCOMPARE(found("OUTPUT OUT X\r", 0, 13, "OUT", true), 7);
        QCOMPARE(found("X OUT\r", 0, 6, "OUT", true), 2);
        QCOMPARE(found("X OUT\n", 0, 6, "OUT", true), -1);
        QCOMPARE(found("OUT HDCP FORCE-OFF\r", 9, 9, "FORCE-OFF", true), 9); // the CR after the range counts
        QCOMPARE(found("OUT HDCP FORCE-OFF\r", 9, 9, "FORCE", true), -1);
        QCOMPARE(found("VALUE OUT", 6, 3, "OUT", true), -1); // nothing after it in the line

        // Whole words anywhere in a line: the keyword may also end the bytes.
        const auto whole = [](const QByteArray &line, const QByteArray &keyword) {
            const char *at = FindWholeWords(line.constData(), quint32(line.size()), keyword.constData(),
                                            quint32(keyword.size()));
            return at ? int(at - line.constData()) : -1;
        };
        QCOMPARE(whole("MODEL TYPE RKA204QE\r", "MODEL TYPE"), 0);
        QCOMPARE(whole("OK MODEL TYPE", "MODEL TYPE"), 3);
        QCOMPARE(whole("XMODEL TYPE\r", "MODEL TYPE"), -1);
        QCOMPARE(whole("MODEL TYPES\r", "MODEL TYPE"), -1);
    }

    // Device bytes as text in the system's 8-bit encoding, UTF-8 here (the suite runs in a UTF-8 locale; Qt 6
    // takes UTF-8 on every Unix): the same characters from the Qt 5 and the Qt 6 build, one U+FFFD for each
    // piece that does not decode.
    void localText_data()
    {
        const QString bad(QChar(0xFFFD));
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("up to the first NUL") << QByteArray("V1.05\0junk", 10) << "V1.05";
        QTest::newRow("two-byte character") << QByteArray("caf\xC3\xA9") << QStringLiteral("caf\u00E9");
        QTest::newRow("four-byte character")
            << QByteArray("\xF0\x9F\x98\x80!") << QStringLiteral("\U0001F600!");
        QTest::newRow("Latin-1 byte") << QByteArray("\xE9t\xE9") << bad + "t" + bad;
        QTest::newRow("cut at the end") << QByteArray("A\xC3") << "A" + bad;
        QTest::newRow("stray continuation bytes") << QByteArray("\x80\x80") << bad + bad;
        QTest::newRow("encoded surrogate") << QByteArray("\xED\xA0\x80") << bad + bad + bad;
        QTest::newRow("overlong slash") << QByteArray("\xC0\xAF/") << bad + bad + "/";
    }

    void localText()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QCOMPARE(BytesToText(bytes.constData(), quint32(bytes.size())), text);
    }

    void text()
    {
        QCOMPARE(Latin1Text("A\0\xE9\r", 4), QString::fromUtf8("A\0\xC3\xA9\r", 5));
        QCOMPARE(TextLength("GET VERSION\r\0X"), 12u);
    }

    void checkEdid_data()
    {
        QTest::addColumn<QByteArray>("image");
        QTest::addColumn<int>("result");
        QTest::newRow("no extension") << edid(0, 0) << int(EdidValid);
        QTest::newRow("no extension, second block not checked") << edid(0, 1) << int(EdidValid);
        QTest::newRow("one extension") << edid(1, 0) << int(EdidValid);
        QTest::newRow("one extension, bad second checksum") << edid(1, 1) << int(EdidBadChecksum);
        QTest::newRow("two extensions, second block not checked") << edid(2, 1) << int(EdidValid);
        QTest::newRow("bad first checksum") << patched(edid(0, 0), 127, 0) << int(EdidBadChecksum);
        QTest::newRow("bad header") << patched(edid(0, 0), 7, '\x01') << int(EdidBadHeader);
        QTest::newRow("all zero") << QByteArray(256, '\0') << int(EdidBadHeader);
    }

    void checkEdid()
    {
        QFETCH(QByteArray, image);
        QFETCH(int, result);
        QCOMPARE(CheckEdidBlock(reinterpret_cast<const unsigned char *>(image.constData())), result);
    }

    void models_data()
    {
        QTest::addColumn<quint32>("inputs");
        QTest::addColumn<QStringList>("audioExtras"); // audio sources after WIN1 and the video inputs
        QTest::addColumn<int>("volumeLimit");
        QTest::newRow("RKA204QE") << 5u << QStringList() << 100;
        QTest::newRow("RKA07QE") << 4u << QStringList() << 100;
        QTest::newRow("RKA386QE") << 9u << QStringList{"WIN-KVM"} << 100;
        QTest::newRow("TN386") << 9u << QStringList{"LR1", "LR2", "LR3", "LR4"} << 50;
        QTest::newRow("TN204E") << 5u << QStringList() << 100;
    }

    void models()
    {
        QFETCH(quint32, inputs);
        QFETCH(QStringList, audioExtras);
        QFETCH(int, volumeLimit);
        const quint32 model = quint32(Tables::Models.indexOf(QTest::currentDataTag()));
        QCOMPARE(Tables::inputCount(model), inputs);
        const QStringList video = Tables::inputSources(model).toStringList();
        QCOMPARE(quint32(video.size()), inputs);
        QCOMPARE(Tables::audioSources(model).toStringList(), QStringList("WIN1") + video + audioExtras);
        QCOMPARE(Tables::volumeLimit(model), volumeLimit);
        QCOMPARE(Tables::inputCount(NoModel), 0u);
        QCOMPARE(Tables::audioSources(NoModel).count, 0);
    }
};

QTEST_GUILESS_MAIN(TestBytes)
#include "tst_bytes.moc"
