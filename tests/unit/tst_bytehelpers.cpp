// Byte helpers used on raw device data: field splitting, byte and keyword search, text conversion and the
// EDID image check.

#include "protocol/ByteHelpers.h"

#include <QtTest>

#include <cstring>
#include <memory>

namespace {

// A heap block of exactly the bytes of `text`, with nothing after it, so that a read past the end is
// caught by AddressSanitizer (and never finds a helpful terminator).
std::unique_ptr<char[]> exactCopy(const QByteArray &text)
{
    std::unique_ptr<char[]> block(new char[size_t(text.size())]);
    std::memcpy(block.get(), text.constData(), size_t(text.size()));
    return block;
}

// A valid 128-byte base block (header, some content, checksum) followed by `second`, and `extensions` in
// byte 126.
QByteArray edidImage(quint8 extensions, const QByteArray &second)
{
    QByteArray image(256, '\0');
    const unsigned char header[8] = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};
    std::memcpy(image.data(), header, sizeof header);
    for (int i = 8; i < 126; ++i)
        image[i] = char(i * 7);
    image[126] = char(extensions);
    unsigned sum = 0;
    for (int i = 0; i < 127; ++i)
        sum += quint8(image[i]);
    image[127] = char((256 - sum % 256) % 256);
    image.replace(128, 128, second.left(128));
    return image;
}

// A 128-byte block whose bytes add up to 0 modulo 256 (when `valid`) or to 1.
QByteArray secondBlock(bool valid)
{
    QByteArray block(128, '\0');
    unsigned sum = 0;
    for (int i = 0; i < 127; ++i) {
        block[i] = char(0x30 + i);
        sum += quint8(block[i]);
    }
    block[127] = char((256 - sum % 256 + (valid ? 0 : 1)) % 256);
    return block;
}

// Offset of a found position from `base`, -1 for none (compared as numbers, never as strings).
int offsetOf(const char *found, const char *base)
{
    return found ? int(found - base) : -1;
}

int check(const QByteArray &image)
{
    return CheckEdidBlock(reinterpret_cast<const unsigned char *>(image.constData()));
}

} // namespace

class TestByteHelpers : public QObject
{
    Q_OBJECT

private slots:
    void fieldOfLine_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("n");
        QTest::addColumn<quint32>("start");
        QTest::addColumn<quint32>("length");
        QTest::newRow("first word") << QByteArray("OUT RESOLUTION 7") << 1 << 0u << 3u;
        QTest::newRow("second word") << QByteArray("OUT RESOLUTION 7") << 2 << 4u << 10u;
        QTest::newRow("third word") << QByteArray("OUT RESOLUTION 7") << 3 << 15u << 1u;
        QTest::newRow("beyond field count") << QByteArray("OUT RESOLUTION 7") << 9 << 15u << 1u;
        QTest::newRow("no spaces") << QByteArray("MULTIVIEW-SYNC") << 1 << 0u << 14u;
        QTest::newRow("no spaces, n 2") << QByteArray("MULTIVIEW-SYNC") << 2 << 0u << 14u;
        QTest::newRow("adjacent spaces") << QByteArray("A  B") << 2 << 2u << 0u;
        QTest::newRow("after adjacent spaces") << QByteArray("A  B") << 3 << 3u << 1u;
        QTest::newRow("leading space") << QByteArray(" AB") << 1 << 0u << 0u;
        QTest::newRow("trailing space") << QByteArray("AB ") << 2 << 3u << 0u;
        QTest::newRow("CR belongs to last field") << QByteArray("OUT HDCP FORCE-OFF\r") << 3 << 9u << 10u;
        QTest::newRow("n 0") << QByteArray("OUT RESOLUTION 7") << 0 << 0u << 0u;
        QTest::newRow("n negative") << QByteArray("OUT RESOLUTION 7") << -1 << 0u << 0u;
    }

    void fieldOfLine()
    {
        QFETCH(QByteArray, text);
        QFETCH(int, n);
        QFETCH(quint32, start);
        QFETCH(quint32, length);
        const std::unique_ptr<char[]> bytes = exactCopy(text);
        quint32 fieldStart = 99;
        QCOMPARE(FieldOfLine(bytes.get(), quint32(text.size()), n, &fieldStart), length);
        QCOMPARE(fieldStart, start);
    }

    void fieldOfLineWithoutData()
    {
        quint32 start = 99;
        QCOMPARE(FieldOfLine(nullptr, 5, 1, &start), 0u);
        QCOMPARE(FieldOfLine("ABC", 0, 1, &start), 0u);
        QCOMPARE(FieldOfLine("ABC DEF", 7, 2, nullptr), 3u);
    }

    void findBytes_data()
    {
        QTest::addColumn<QByteArray>("haystack");
        QTest::addColumn<QByteArray>("needle");
        QTest::addColumn<int>("offset"); // -1: not found
        QTest::newRow("at start") << QByteArray("GET MODEL TYPE\r") << QByteArray("GET") << 0;
        QTest::newRow("at end") << QByteArray("xx GET MODEL TYPE") << QByteArray("MODEL TYPE") << 7;
        QTest::newRow("whole haystack") << QByteArray("ABC") << QByteArray("ABC") << 0;
        QTest::newRow("first of two") << QByteArray("ABAB") << QByteArray("AB") << 0;
        QTest::newRow("overlapping") << QByteArray("AAAB") << QByteArray("AAB") << 1;
        QTest::newRow("none") << QByteArray("GET MODEL TYPE") << QByteArray("TYPES") << -1;
        QTest::newRow("needle longer") << QByteArray("AB") << QByteArray("ABC") << -1;
        QTest::newRow("binary") << QByteArray("\x00\xFF\x00\x01", 4) << QByteArray("\x00\x01", 2) << 2;
    }

    void findBytes()
    {
        QFETCH(QByteArray, haystack);
        QFETCH(QByteArray, needle);
        QFETCH(int, offset);
        const std::unique_ptr<char[]> hay = exactCopy(haystack);
        const char *found =
            FindBytes(hay.get(), quint32(haystack.size()), needle.constData(), quint32(needle.size()));
        QCOMPARE(offsetOf(found, hay.get()), offset);
    }

    void findBytesWithoutData()
    {
        QVERIFY(!FindBytes("ABC", 0, "A", 1));
        QVERIFY(!FindBytes(nullptr, 3, "A", 1));
        QVERIFY(!FindBytes("ABC", 3, "A", 0));
    }

    // The whole line is searched; rangeStart/rangeLength select the part given to FindKeyword and the
    // line's end is passed as lineEnd.
    void findKeyword_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<int>("rangeStart");
        QTest::addColumn<int>("rangeLength");
        QTest::addColumn<QByteArray>("keyword");
        QTest::addColumn<int>("offset"); // from the line's start; -1: not found
        QTest::newRow("keyword at start")
            << QByteArray("OUT RESOLUTION\r") << 0 << 15 << QByteArray("OUT") << 0;
        QTest::newRow("word that begins with it")
            << QByteArray("OUTPUT X\r") << 0 << 9 << QByteArray("OUT") << -1;
        QTest::newRow("search goes on") << QByteArray("OUTPUT OUT X\r") << 0 << 13 << QByteArray("OUT") << 7;
        QTest::newRow("followed by CR") << QByteArray("X OUT\r") << 0 << 6 << QByteArray("OUT") << 2;
        QTest::newRow("followed by LF") << QByteArray("X OUT\n") << 0 << 6 << QByteArray("OUT") << -1;
        QTest::newRow("two-word keyword")
            << QByteArray("OUT HDCP FORCE-2.2\r") << 0 << 19 << QByteArray("OUT HDCP") << 0;
        QTest::newRow("value range ends at CR")
            << QByteArray("OUT HDCP FORCE-OFF\r") << 9 << 9 << QByteArray("FORCE-OFF") << 9;
        QTest::newRow("word range ends at space")
            << QByteArray("MULTIVIEW-SYNC PIP HDMI1 x\r") << 19 << 5 << QByteArray("HDMI1") << 19;
        QTest::newRow("prefix of a value")
            << QByteArray("OUT HDCP FORCE-OFF\r") << 9 << 9 << QByteArray("FORCE") << -1;
        QTest::newRow("keyword longer than range") << QByteArray("AB\r") << 0 << 2 << QByteArray("ABC") << -1;
    }

    void findKeyword()
    {
        QFETCH(QByteArray, line);
        QFETCH(int, rangeStart);
        QFETCH(int, rangeLength);
        QFETCH(QByteArray, keyword);
        QFETCH(int, offset);
        const std::unique_ptr<char[]> bytes = exactCopy(line);
        const char *lineEnd = bytes.get() + line.size();
        const char *found = FindKeyword(bytes.get() + rangeStart, quint32(rangeLength), keyword.constData(),
                                        quint32(keyword.size()), lineEnd);
        QCOMPARE(offsetOf(found, bytes.get()), offset);
    }

    // A match that fills the line up to its very end has no following byte inside the line: it does not
    // count, and the byte beyond the line is not looked at (here it is a space that would make it count).
    void findKeywordNeverReadsPastLineEnd()
    {
        const QByteArray storage("VALUE OUT ");
        const char *line = storage.constData();
        const quint32 lineLength = 9; // "VALUE OUT"
        QVERIFY(!FindKeyword(line, lineLength, "OUT", 3, line + lineLength));
        QVERIFY(!FindKeyword(line + 6, 3, "OUT", 3, line + lineLength));
        QVERIFY(!FindKeyword(line, lineLength, "OUT", 3));
        QCOMPARE(offsetOf(FindKeyword(line, lineLength + 1, "OUT", 3), line), 6);

        const std::unique_ptr<char[]> exact = exactCopy("X OUT");
        QVERIFY(!FindKeyword(exact.get(), 5, "OUT", 3, exact.get() + 5));
        QVERIFY(!FindKeyword(exact.get() + 2, 3, "OUT", 3, exact.get() + 5));
        QCOMPARE(offsetOf(FindKeyword(exact.get(), 5, "X", 1, exact.get() + 5), exact.get()), 0);
    }

    void findKeywordWithoutData()
    {
        QVERIFY(!FindKeyword(nullptr, 4, "A", 1));
        QVERIFY(!FindKeyword("A \r", 0, "A", 1));
        QVERIFY(!FindKeyword("A \r", 3, "A", 0));
    }

    void bytesToText_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("plain") << QByteArray("HDMI1") << QStringLiteral("HDMI1");
        QTest::newRow("cut at NUL") << QByteArray("AB\0CD", 5) << QStringLiteral("AB");
        QTest::newRow("NUL first") << QByteArray("\0CD", 3) << QString();
        QTest::newRow("CR kept") << QByteArray("OUT ITC ON\r") << QStringLiteral("OUT ITC ON\r");
        QTest::newRow("empty") << QByteArray() << QString();
    }

    void bytesToText()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        const std::unique_ptr<char[]> data = exactCopy(bytes);
        QCOMPARE(BytesToText(data.get(), quint32(bytes.size())), text);
    }

    void latin1TextKeepsEveryByte()
    {
        QByteArray all(256, '\0');
        for (int i = 0; i < 256; ++i)
            all[i] = char(i);
        const std::unique_ptr<char[]> data = exactCopy(all);
        const QString text = Latin1Text(data.get(), 256);
        QCOMPARE(text.size(), 256);
        for (int i = 0; i < 256; ++i)
            QCOMPARE(text.at(i).unicode(), ushort(i));
        QCOMPARE(Latin1Text(nullptr, 4), QString());
    }

    void textLength_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<quint32>("length");
        QTest::newRow("text") << QByteArray("GET VERSION\r", 13) << 12u;
        QTest::newRow("empty") << QByteArray("\0", 1) << 0u;
        QTest::newRow("inner NUL") << QByteArray("ab\0cd\0", 6) << 2u;
        QTest::newRow("high bytes") << QByteArray("\xFF\x80\0", 3) << 2u;
    }

    void textLength()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(quint32, length);
        const std::unique_ptr<char[]> data = exactCopy(bytes);
        QCOMPARE(TextLength(data.get()), length);
    }

    void checkEdidBlock_data()
    {
        QTest::addColumn<QByteArray>("image");
        QTest::addColumn<int>("result");
        QByteArray garbage(128, char(0x5A));
        QTest::newRow("no extension, any second block") << edidImage(0, garbage) << 0;
        QTest::newRow("no extension, bad second block") << edidImage(0, secondBlock(false)) << 0;
        QTest::newRow("one extension, good") << edidImage(1, secondBlock(true)) << 0;
        QTest::newRow("one extension, bad") << edidImage(1, secondBlock(false)) << 2;
        QTest::newRow("two extensions, second ignored") << edidImage(2, secondBlock(false)) << 0;
        QTest::newRow("255 extensions, second ignored") << edidImage(255, garbage) << 0;

        QByteArray badHeader = edidImage(0, garbage);
        badHeader[7] = char(0xFF);
        badHeader[127] = char(quint8(badHeader[127]) - 0xFF);
        QTest::newRow("bad header, good sum") << badHeader << 1;

        QByteArray badFirst = edidImage(0, garbage);
        badFirst[127] = char(quint8(badFirst[127]) + 1);
        QTest::newRow("bad first checksum") << badFirst << 2;

        QByteArray badBoth = edidImage(1, secondBlock(false));
        badBoth[0] = char(0x01);
        QTest::newRow("bad header wins") << badBoth << 1;

        QByteArray allZero(256, '\0');
        QTest::newRow("all zero") << allZero << 1;
    }

    void checkEdidBlock()
    {
        QFETCH(QByteArray, image);
        QFETCH(int, result);
        QCOMPARE(image.size(), 256);
        QCOMPARE(check(image), result);
    }
};

QTEST_GUILESS_MAIN(TestByteHelpers)
#include "tst_bytehelpers.moc"
