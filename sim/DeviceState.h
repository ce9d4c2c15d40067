#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>

#include <array>

// The arrangement of the multiview output; a scene is a full copy of it.
struct MultiviewState
{
    quint32 mode = 0;                           // index into the multiview modes (SINGLE ... 4xWIN)
    std::array<quint32, 4> windows{0, 1, 2, 3}; // index into the model's video inputs, window 1 first
    quint32 pipPosition = 3;                    // RightBottom
    quint32 pipSize = 0;                        // SMALL
    std::array<quint32, 3> aspect{0, 0, 0};     // per split layout (PBP, 3xWIN, 4xWIN): 0 FULL, 1 16:9
    std::array<quint32, 3> layoutMode{1, 1, 1}; // per split layout, 1-based
    std::array<quint32, 4> pipUser{1440, 810, 480, 270};
    std::array<quint32, 4> pbpPresenter{0, 0, 1280, 1080};
    bool autoSwitch = false;

    bool operator==(const MultiviewState &other) const;
    QJsonObject toJson(quint32 model) const;
    // Reads the fields that are present and valid for the model over `defaults`.
    static MultiviewState fromJson(const QJsonObject &json, quint32 model, const MultiviewState &defaults);
};

// The IP settings the device reports as "NETWORK-INFO".
struct NetworkSettings
{
    QString ip = QStringLiteral("127.0.0.1");
    quint16 port = 2000;
    QString mask = QStringLiteral("255.0.0.0");
    QString gateway = QStringLiteral("127.0.0.1");
};

// The complete settable state of one simulated device.
struct DeviceState
{
    static constexpr int SceneCount = 20;
    static constexpr int EdidSize = 256;

    QString modelName;
    quint32 model = 0; // row of the model tables; a name outside them behaves like RKA204QE

    quint32 outResolution = 7; // 1920x1080p60
    quint32 userWidth = 1920;
    quint32 userHeight = 1080;
    quint32 hdcp = 0;
    quint32 vka = 0;
    bool itc = false;
    bool fourKAuto = false;
    quint32 edidMode = 17; // AUTO
    QByteArray userEdid;   // the last accepted user EDID (256 bytes), empty before the first
    QString inputResolution = QStringLiteral("1920x1080p60");

    MultiviewState multiview;
    std::array<MultiviewState, SceneCount> scenes;

    quint32 audioSource = 0;
    int volume = 30;
    bool mute = false;
    bool mainAudio = true;
    std::array<bool, 2> micOn{true, false};
    std::array<int, 2> micVolume{20, 20};

    std::array<QString, 4> versions{QStringLiteral("V1.0.3"), QStringLiteral("V1.0.1"),
                                    QStringLiteral("V1.0.0"), QStringLiteral("V1.0.2")};
    int baudRate = 9600;
    NetworkSettings network;

    // Factory state of a model (any name; see `model`).
    static DeviceState factory(const QString &modelName, const NetworkSettings &network);
    // Reads the fields that are present and valid over the factory state of `modelName`.
    static DeviceState fromJson(const QJsonObject &json, const QString &modelName,
                                const NetworkSettings &network);
    QJsonObject toJson() const;
    // Row of the model tables a model name behaves like.
    static quint32 modelRow(const QString &modelName);
};
