// Reply lines of the device as the parser reads them: the keyword found, the value, what the line hands to
// a page (table index, numbers, words, the multiview report), the status line and the end of the
// synchronisation, for the identified model and the multiview layout shown before the line.

#include "protocol/DeviceContext.h"
#include "protocol/ReplyKeywords.h"
#include "protocol/ReplyParser.h"
#include "protocol/ValueTables.h"

#include <QByteArray>
#include <QByteArrayList>
#include <QObject>
#include <QString>
#include <QTest>

namespace {

QByteArray num(qint64 n)
{
    return QByteArray::number(n);
}

// The parse in one line: the keyword ("-" for none), the value in quotes, then every field that differs
// from an untouched result.
QByteArray summary(const ParsedReply &r)
{
    QByteArrayList s{r.keyword < 0 ? QByteArray("-") : Tables::ReplyKeywords.at(quint32(r.keyword))};
    const auto field = [&s](const char *name, qint64 value, qint64 unset) {
        if (value != unset)
            s << name + ('=' + num(value));
    };
    if (!r.value.isEmpty())
        s << "'" + r.value + "'";
    if (r.text != QString::fromLatin1(r.value.constData(), r.value.size()))
        s << "text='" + r.text.toLatin1() + "'";
    if (r.ignored)
        s << "ignored";
    if (r.apply)
        s << "apply";
    field("index", r.index, -1);
    field("target", r.target, -1);
    field("number", r.number, 0);
    if (!r.words.isEmpty())
        s << "words=" + r.words.join('|').toLatin1();
    if (r.numbers[0] || r.numbers[1] || r.numbers[2] || r.numbers[3])
        s << "numbers=" + num(r.numbers[0]) + ',' + num(r.numbers[1]) + ',' + num(r.numbers[2]) + ',' +
                 num(r.numbers[3]);
    const MultiviewReport &m = r.multiview;
    if (r.keyword == KwMultiviewSync && !r.ignored) {
        QByteArrayList windows;
        for (int w : m.windowSource)
            windows << (w == WindowSourceEmpty ? "E" : w == WindowSourceUnknown ? "?" : num(w));
        s << "mode=" + num(m.mode) + "->" + num(m.resultingMode) << "win=" + windows.join(',');
        if (!m.inputResolution.isEmpty())
            s << "res=" + m.inputResolution.toLatin1();
        field("auto", m.autoSwitch, 0);
        field("pos", m.pipPosition, -1);
        field("size", m.pipSize, -1);
        field("aspect", m.aspect, -1);
        field("n", m.modeNumber, 0);
        field("count", m.hasModeCount ? qint64(m.modeCount) : -1, -1);
    }
    if (r.statusLine)
        s << "status";
    if (r.syncOver)
        s << "syncOver";
    return s.join(' ');
}

const quint32 M204 = ModelRKA204QE, M386 = ModelRKA386QE, TN386 = ModelTN386, TN204 = ModelTN204E,
              None = NoModel;

// A row named after its line (control bytes shown as <hex>) and, when not RKA204QE in SINGLE, the state.
void row(const QByteArray &line, const QByteArray &expected, quint32 model = M204, quint32 mode = ModeSingle)
{
    QByteArray tag;
    for (char c : line)
        tag += uchar(c) < 0x20 || uchar(c) > 0x7E ? '<' + QByteArray(1, c).toHex() + '>' : QByteArray(1, c);
    if (model != M204 || mode != ModeSingle)
        tag += " [" + (model < NoModel ? Tables::Models.at(model) : "no model") + ' ' +
               Tables::MultiviewModes.at(mode) + ']';
    QTest::newRow(tag.constData()) << line << model << mode << expected;
}

} // namespace

class TestReplyParser : public QObject
{
    Q_OBJECT

private slots:
    void parse_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<quint32>("model");
        QTest::addColumn<quint32>("mode");
        QTest::addColumn<QByteArray>("expected");

        // Every row that hands a value on, with its typical reply.
        row("VERSION V1.05\r", "VERSION 'V1.05' apply");
        row("SUB-VERSION V1.10\r", "SUB-VERSION 'V1.10' apply");
        row("KEYBOARD-VERSION V0.9\r", "KEYBOARD-VERSION 'V0.9' apply");
        row("AUTO SWITCH OFF\r", "AUTO SWITCH 'OFF' apply index=1");
        row("IN SOURCE HDMI3\r", "IN SOURCE 'HDMI3' apply index=2");
        row("IN SOURCE DP\r", "IN SOURCE 'DP'");
        row("IN SOURCE DP\r", "IN SOURCE 'DP' apply index=3", TN204);
        row("IN SOURCE HDMI1\r", "IN SOURCE 'HDMI1' ignored", None);
        row("IN RESOLUTION 1920x1080p60\r", "IN RESOLUTION '1920x1080p60' apply");
        row("IN RESOLUTION\r", "IN RESOLUTION apply");
        row("OUT RESOLUTION 1920x1080p60\r", "OUT RESOLUTION '1920x1080p60' apply index=7 status");
        row("OUT RESOLUTION USER\r", "OUT RESOLUTION 'USER' apply index=15 status");
        row("OUT RESOLUTION 800x600\r", "OUT RESOLUTION '800x600' status");
        row("OUT 4K-AUTO OFF\r", "OUT 4K-AUTO 'OFF' apply index=1 status");
        row("OUT HDCP FORCE-2.2\r", "OUT HDCP 'FORCE-2.2' apply index=1 status");
        row("OUT HDCP FORCE-OFF FORCE-1.4\r", "OUT HDCP 'FORCE-OFF FORCE-1.4' apply index=0 status");
        row("OUT VKA BLACKSCREEN\r", "OUT VKA 'BLACKSCREEN' apply index=1 status");
        row("OUT ITC ON\r", "OUT ITC 'ON' apply index=0 status");
        row("MULTIVIEW 4xWIN\r", "MULTIVIEW '4xWIN' apply index=4", None);
        row("WINDOW1 IN HDMI2\r", "WINDOW1 IN 'HDMI2' apply index=1 target=0");
        row("WINDOW4 IN USB-C\r", "WINDOW4 IN 'USB-C' apply index=8 target=3", M386);
        row("WINDOW2 IN HDMI5\r", "WINDOW2 IN 'HDMI5' target=1");
        row("WINDOW3 IN HDMI1\r", "WINDOW3 IN 'HDMI1' ignored", None);
        row("PIP POS RightBottom\r", "PIP POS 'RightBottom' apply index=3", M204, ModePip);
        row("PIP POS LeftTop\r", "PIP POS 'LeftTop' ignored");
        row("PIP POS LeftTop\r", "PIP POS 'LeftTop' ignored", None, ModePip);
        row("PIP SIZE USER\r", "PIP SIZE 'USER' apply index=3", M204, ModePip);
        row("PIP SIZE SMALL\r", "PIP SIZE 'SMALL' ignored", M204, ModePbp);
        row("PBP MODE 3\r", "PBP MODE '3' apply number=3", M204, ModePbp);
        row("PBP MODE 2\r", "PBP MODE '2' apply number=2", M204, Mode4xWin);
        row("PBP MODE 0\r", "PBP MODE '0'", M204, ModePbp);
        row("3xWIN MODE -2\r", "3xWIN MODE '-2' number=-2", M204, Mode3xWin);
        row("PBP MODE 2\r", "PBP MODE '2' ignored", M204, ModePip);
        row("4xWIN ASPECT 16:9\r", "4xWIN ASPECT '16:9' apply index=1", M204, ModePbp);
        row("3xWIN ASPECT FULL\r", "3xWIN ASPECT 'FULL' ignored");
        row("AUDIO SOURCE WIN-KVM\r", "AUDIO SOURCE 'WIN-KVM' apply index=10 status", M386);
        row("AUDIO SOURCE LR3\r", "AUDIO SOURCE 'LR3' status", M386);
        row("AUDIO SOURCE LR3\r", "AUDIO SOURCE 'LR3' apply index=12 status", TN386);
        row("AUDIO SOURCE WIN1\r", "AUDIO SOURCE 'WIN1' ignored", None);
        row("AUDIO VOL 100\r", "AUDIO VOL '100' apply number=100 status", M386);
        row("AUDIO VOL 101\r", "AUDIO VOL '101' number=101 status", M386);
        row("AUDIO VOL 50\r", "AUDIO VOL '50' apply number=50 status", TN386);
        row("AUDIO VOL 51\r", "AUDIO VOL '51' number=51 status", TN386);
        row("AUDIO VOL -1\r", "AUDIO VOL '-1' number=-1 status");
        row("AUDIO VOL abc\r", "AUDIO VOL 'abc' apply status");
        row("AUDIO VOL 4294967297\r", "AUDIO VOL '4294967297' apply status");
        row("AUDIO VOL 80\r", "AUDIO VOL '80' apply number=80 status", None);
        row("AUDIO-MUTE OFF\r", "AUDIO-MUTE 'OFF' apply index=1 status");
        row("IN EDIDMODE 1080p60-5.1\r", "IN EDIDMODE '1080p60-5.1' apply index=7 status");
        row("IN EDIDMODE USER\r", "IN EDIDMODE 'USER' apply index=18 status");
        row("MODEL TYPE TN386\r", "MODEL TYPE 'TN386' apply index=3", None);
        row("MODEL TYPE XR2000\r", "MODEL TYPE 'XR2000'", None);
        row("EDID-USER OK\r", "EDID-USER 'OK' apply");
        row("EDID-USER\r", "EDID-USER apply");
        row("MAXMODE 6\r", "MAXMODE '6' apply number=6", M204, ModePbp);
        row("MAXMODE 0\r", "MAXMODE '0'");
        row("NETWORK-INFO 192.168.0.50 5000 255.255.255.0 192.168.0.1\r",
            "NETWORK-INFO '192.168.0.50 5000 255.255.255.0 192.168.0.1' apply "
            "words=192.168.0.50|5000|255.255.255.0|192.168.0.1 status syncOver");
        row("NETWORK-INFO 10.0.0.9 80 255.0.0.0\r", "NETWORK-INFO '10.0.0.9 80 255.0.0.0' apply "
                                                    "words=10.0.0.9|80|255.0.0.0|255.0.0.0 status syncOver");
        row("BAUDRATE 115200\r", "BAUDRATE '115200' apply number=115200 status syncOver");
        row("BAUDRATE 57600 8N1\r", "BAUDRATE '57600 8N1' apply number=57600 status syncOver");
        row("MAIN-AUDIO ONOFF OFF\r", "MAIN-AUDIO ONOFF 'OFF' apply index=1", TN386);
        row("MIC2 ONOFF ON\r", "MIC2 ONOFF 'ON' apply index=0", TN386);
        row("MIC1 VOL 30\r", "MIC1 VOL '30' apply number=30", TN386);
        // A microphone takes at most 50, whatever the model.
        row("MIC2 VOL 51\r", "MIC2 VOL '51' number=51", TN386);
        row("MIC2 VOL 50\r", "MIC2 VOL '50' apply number=50");
        row("PBP-PRESENTER 0 0 960 1080\r", "PBP-PRESENTER '0 0 960 1080' apply numbers=0,0,960,1080");
        row("PIP USER 10 20\r", "PIP USER '10 20' apply numbers=10,20,20,20");
        row("PIP USER -5 x 7 4294967295\r", "PIP USER '-5 x 7 4294967295' apply numbers=0,0,7,4294967295");
        row("RESO-USER 1920 1080\r", "RESO-USER '1920 1080' apply numbers=1920,1080,0,0");

        // Recognised, but nothing is done with them.
        row("HELP\r", "HELP");
        row("KVM-BORDER ON\r", "KVM-BORDER 'ON'");

        // The first keyword in table order wins, wherever it stands as whole words; words or control bytes
        // before it do not matter, but a keyword glued to other text is none (nor would it answer a command).
        row("OUT RESOLUTION HELP\r", "HELP");
        row("\nOUT HDCP FORCE-OFF\r", "OUT HDCP 'FORCE-OFF' apply index=2 status");
        row("xyz OUT VKA BLUESCREEN\r", "OUT VKA 'BLUESCREEN' apply index=0 status");
        row(QByteArray("\n\x01\xff\0 MULTIVIEW 3xWIN\r", 22), "MULTIVIEW '3xWIN' apply index=3");
        row("--MULTIVIEW 3xWIN\r", "- ignored");
        row("XOUT HDCP FORCE-2.2\r", "- ignored");
        row("XOUT HDCP OUT HDCP FORCE-2.2\r", "OUT HDCP 'FORCE-2.2' apply index=1 status");

        // Malformed lines.
        row("", "- ignored");
        row("\r", "- ignored");
        row("out hdcp FORCE-2.2\r", "- ignored");
        row("OUT HDCP\tFORCE-2.2\r", "- ignored");
        row("OUT HDCPX FORCE-2.2\r", "- ignored");
        row("NULL HDMI1\r", "- ignored");
        row("OUT HDCP", "- ignored");
        row("OUT HDCP FORCE-OFF", "OUT HDCP 'FORCE-OFF' status");
        row("AUDIO VOL 51", "AUDIO VOL '51' apply number=51 status");
        row("OUT HDCP\r FORCE-2.2\r", "OUT HDCP status");
        row("OUT HDCP FORCE-1.4\rFORCE-2.2\r", "OUT HDCP 'FORCE-1.4' apply index=0 status");
        row("OUT HDCP  FORCE-2.2\r", "OUT HDCP ' FORCE-2.2' apply index=1 status");
        row("IN RESOLUTION 1280x720p60\r\n", "IN RESOLUTION '1280x720p60' apply");
        row(QByteArray("IN RESOLUTION 1920\0x1080\r", 25),
            QByteArray("IN RESOLUTION '1920\0x1080' text='1920' apply", 44));
        row(QByteArray("OUT HDCP FORCE-2.2\0\r", 20),
            QByteArray("OUT HDCP 'FORCE-2.2\0' text='FORCE-2.2' status", 45));

        // Full multiview reports.
        row("MULTIVIEW-SYNC SINGLE HDMI2 NULL NULL NULL 1920x1080p60 OFF\r",
            "MULTIVIEW-SYNC 'SINGLE HDMI2 NULL NULL NULL 1920x1080p60 OFF' apply mode=0->0 win=1,E,E,E "
            "res=1920x1080p60 auto=1 status",
            M204, Mode3xWin);
        row("MULTIVIEW-SYNC SINGLE HDMI1 NULL NULL NULL 1280x720p60\r",
            "MULTIVIEW-SYNC 'SINGLE HDMI1 NULL NULL NULL 1280x720p60' apply mode=0->0 win=0,E,E,E "
            "res=1280x720p60 status");
        row("MULTIVIEW-SYNC 3xWIN HDMI1 HDMI3 DP NULL 16:9 2 4\r",
            "MULTIVIEW-SYNC '3xWIN HDMI1 HDMI3 DP NULL 16:9 2 4' apply mode=3->3 win=0,2,7,E aspect=1 n=2 "
            "count=4 status",
            M386);
        row("MULTIVIEW-SYNC 3xWIN HDMI1 HDMI3 DP NULL 16:9 2 4\r",
            "MULTIVIEW-SYNC '3xWIN HDMI1 HDMI3 DP NULL 16:9 2 4' apply mode=3->3 win=0,2,?,E aspect=1 n=2 "
            "count=4 status");
        row("MULTIVIEW-SYNC 3xWIN HDMI1 HDMI3 DP NULL 16:9 2 4\r",
            "MULTIVIEW-SYNC '3xWIN HDMI1 HDMI3 DP NULL 16:9 2 4' ignored", None);
        row("MULTIVIEW-SYNC PIP HDMI4 USB-C NULL NULL RightTop LARGE\r",
            "MULTIVIEW-SYNC 'PIP HDMI4 USB-C NULL NULL RightTop LARGE' apply mode=1->1 win=3,4,E,E pos=1 "
            "size=2 status");
        row("MULTIVIEW-SYNC PIP HDMI1 HDMI9 NULL NULL Center HUGE\r",
            "MULTIVIEW-SYNC 'PIP HDMI1 HDMI9 NULL NULL Center HUGE' apply mode=1->1 win=0,?,E,E status",
            TN386);
        row("MULTIVIEW-SYNC PBP NULLX HDMI2 NULL NULL WIDE x 3\r",
            "MULTIVIEW-SYNC 'PBP NULLX HDMI2 NULL NULL WIDE x 3' apply mode=2->2 win=?,1,E,E count=3 status");
        row("MULTIVIEW-SYNC 4xWIN HDMI5 HDMI6 HDMI7 DP FULL 0 0\r",
            "MULTIVIEW-SYNC '4xWIN HDMI5 HDMI6 HDMI7 DP FULL 0 0' apply mode=4->4 win=4,5,6,7 aspect=0 "
            "count=0 status",
            TN386);
        row("MULTIVIEW-SYNC QUAD HDMI1 NULL NULL NULL SMALL MIDDLE\r",
            "MULTIVIEW-SYNC 'QUAD HDMI1 NULL NULL NULL SMALL MIDDLE' apply mode=-1->1 win=0,E,E,E size=1 "
            "status",
            M204, ModePip);
    }

    void parse()
    {
        QFETCH(QByteArray, line);
        QFETCH(quint32, model);
        QFETCH(quint32, mode);
        QFETCH(QByteArray, expected);
        QCOMPARE(summary(parseReplyLine(line, model, mode)), expected);
    }
};

QTEST_GUILESS_MAIN(TestReplyParser)
#include "tst_replyparser.moc"
