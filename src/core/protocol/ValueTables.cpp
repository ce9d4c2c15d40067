#include "protocol/ValueTables.h"

namespace {
template <int N> constexpr WordList list(const Word (&words)[N])
{
    return WordList{words, N};
}

// The words of each table; Tables below names them.
namespace Words {
const Word onOff[] = {{"ON"}, {"OFF"}};
const Word windowNames[] = {{"WINDOW1"}, {"WINDOW2"}, {"WINDOW3"}, {"WINDOW4"}};
const Word models[] = {{"RKA204QE"}, {"RKA07QE"}, {"RKA386QE"}, {"TN386"}, {"TN204E"}};
const Word outputResolutions[] = {{"4096x2160p60"}, {"4096x2160p50"}, {"3840x2160p60"},   {"3840x2160p50"},
                                  {"3840x2160p30"}, {"3840x2160p25"}, {"1920x1200p60RB"}, {"1920x1080p60"},
                                  {"1920x1080p50"}, {"1360x768p60"},  {"1280x800p60"},    {"1280x720p60"},
                                  {"1280x720p50"},  {"1024x768p60"},  {"AUTO"},           {"USER"}};
const Word hdcpModes[] = {{"FORCE-1.4", "Force-1.4"}, {"FORCE-2.2", "Force-2.2"}, {"FORCE-OFF", "Force-Off"}};
const Word vkaModes[] = {{"BLUESCREEN"}, {"BLACKSCREEN"}};
const Word multiviewModes[] = {{"SINGLE"}, {"PIP"}, {"PBP"}, {"3xWIN"}, {"4xWIN"}};
const Word pipPositions[] = {{"LeftTop"}, {"RightTop"}, {"LeftBottom"}, {"RightBottom"}, {"USER"}};
const Word pipSizes[] = {{"SMALL"}, {"MIDDLE"}, {"LARGE"}, {"USER"}};
const Word aspects[] = {{"FULL"}, {"16:9"}};
const Word edidModes[] = {{"4K60-2.0"},  {"4K60-5.1"},    {"4K60-7.1"},     {"4K30-2.0"},    {"4K30-5.1"},
                          {"4K30-7.1"},  {"1080p60-2.0"}, {"1080p60-5.1"},  {"1080p60-7.1"}, {"1920x1200"},
                          {"1680x1050"}, {"1600x1200"},   {"1440x900"},     {"1360x768"},    {"1280x1024"},
                          {"1024x768"},  {"720p"},        {"AUTO", "Auto"}, {"USER", "User"}};

const Word inputs204[] = {{"HDMI1"}, {"HDMI2"}, {"HDMI3"}, {"HDMI4"}, {"USB-C"}};
const Word inputs07[] = {{"HDMI1"}, {"HDMI2"}, {"HDMI3"}, {"HDMI4"}};
const Word inputs386[] = {{"HDMI1"}, {"HDMI2"}, {"HDMI3"}, {"HDMI4"}, {"HDMI5"},
                          {"HDMI6"}, {"HDMI7"}, {"DP"},    {"USB-C"}};
const Word inputsTN204E[] = {{"HDMI1"}, {"HDMI2"}, {"HDMI3"}, {"DP"}, {"USB-C"}};

const Word audio204[] = {{"WIN1"}, {"HDMI1"}, {"HDMI2"}, {"HDMI3"}, {"HDMI4"}, {"USB-C"}};
const Word audio07[] = {{"WIN1"}, {"HDMI1"}, {"HDMI2"}, {"HDMI3"}, {"HDMI4"}};
const Word audio386[] = {{"WIN1"},  {"HDMI1"}, {"HDMI2"}, {"HDMI3"}, {"HDMI4"},  {"HDMI5"},
                         {"HDMI6"}, {"HDMI7"}, {"DP"},    {"USB-C"}, {"WIN-KVM"}};
const Word audioTN386[] = {{"WIN1"},  {"HDMI1"}, {"HDMI2"}, {"HDMI3"}, {"HDMI4"}, {"HDMI5"}, {"HDMI6"},
                           {"HDMI7"}, {"DP"},    {"USB-C"}, {"LR1"},   {"LR2"},   {"LR3"},   {"LR4"}};
const Word audioTN204E[] = {{"WIN1"}, {"HDMI1"}, {"HDMI2"}, {"HDMI3"}, {"DP"}, {"USB-C"}};

const Word baudRates[] = {{"9600"}, {"19200"}, {"38400"}, {"57600"}, {"115200"}};
const Word dataBits[] = {{"5"}, {"6"}, {"7"}, {"8"}};
const Word parities[] = {{"None"}, {"Even"}, {"Odd"}, {"Space"}, {"Mark"}};
const Word stopBits[] = {{"1"}, {"1.5"}, {"2"}};
const Word flowControls[] = {{"None"}, {"Hardware"}, {"Software"}};
const Word networkModes[] = {{"TCP-Client"}, {"TCP-Server"}, {"UDP"}};
} // namespace Words

const WordList emptyList{nullptr, 0};
} // namespace

int WordList::indexOf(const QByteArray &word) const
{
    for (int i = 0; i < count; ++i) {
        if (word == items[i].wire)
            return i;
    }
    return -1;
}

QStringList WordList::toStringList() const
{
    QStringList result;
    for (int i = 0; i < count; ++i)
        result << QString::fromLatin1(items[i].wire);
    return result;
}

QStringList WordList::displayList() const
{
    QStringList result;
    for (int i = 0; i < count; ++i)
        result << QString::fromUtf8(items[i].display ? items[i].display : items[i].wire);
    return result;
}

namespace Tables {

const WordList OnOff = list(Words::onOff);
const WordList WindowNames = list(Words::windowNames);
const WordList Models = list(Words::models);
const WordList OutputResolutions = list(Words::outputResolutions);
const WordList HdcpModes = list(Words::hdcpModes);
const WordList VkaModes = list(Words::vkaModes);
const WordList MultiviewModes = list(Words::multiviewModes);
const WordList PipPositions = list(Words::pipPositions);
const WordList PipSizes = list(Words::pipSizes);
const WordList Aspects = list(Words::aspects);
const WordList EdidModes = list(Words::edidModes);
const char *const EmptyWindow = "NULL";

const WordList BaudRates = list(Words::baudRates);
const WordList DataBits = list(Words::dataBits);
const WordList Parities = list(Words::parities);
const WordList StopBits = list(Words::stopBits);
const WordList FlowControls = list(Words::flowControls);
const WordList NetworkModes = list(Words::networkModes);

const WordList &inputSources(quint32 model)
{
    static const WordList lists[] = {list(Words::inputs204), list(Words::inputs07), list(Words::inputs386),
                                     list(Words::inputs386), list(Words::inputsTN204E)};
    return model < 5 ? lists[model] : emptyList;
}

const WordList &audioSources(quint32 model)
{
    static const WordList lists[] = {list(Words::audio204), list(Words::audio07), list(Words::audio386),
                                     list(Words::audioTN386), list(Words::audioTN204E)};
    return model < 5 ? lists[model] : emptyList;
}

quint32 inputCount(quint32 model)
{
    return quint32(inputSources(model).count);
}

int volumeLimit(quint32 model)
{
    return model == ModelTN386 ? 50 : 100;
}

QList<int> firmwareParts(quint32 model)
{
    switch (model) {
    case ModelRKA204QE:
        return {0, 1, 2};
    case ModelRKA07QE:
    case ModelTN204E:
        return {0, 1};
    case ModelRKA386QE:
        return {0, 1, 2, 3};
    case ModelTN386:
        return {0, 1, 3};
    default:
        return {};
    }
}

} // namespace Tables
