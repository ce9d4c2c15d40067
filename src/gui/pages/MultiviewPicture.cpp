#include "pages/MultiviewPicture.h"

#include "config/AppPaths.h"
#include "protocol/DeviceContext.h"
#include "protocol/ValueTables.h"

QString multiviewPictureName(const DeviceContext &state)
{
    const QString underscore = QStringLiteral("_");
    switch (state.MultiviewMode) {
    case ModeSingle:
        return QStringLiteral("SINGLE");
    case ModePip:
        return QStringLiteral("PIP") + underscore +
               QString::fromLatin1(Tables::PipPositions.at(state.PipPosition)) + underscore +
               QString::fromLatin1(Tables::PipSizes.at(state.PipSize));
    case ModePbp:
    case Mode3xWin:
    case Mode4xWin: {
        const QString layout =
            state.ModeIndex < state.ModeCount ? QString::number(state.ModeIndex + 1) : QString();
        QString aspect;
        if (state.AspectIndex == 0)
            aspect = QStringLiteral("FULL");
        else if (state.AspectIndex == 1)
            aspect = QStringLiteral("169");
        return QString::fromLatin1(Tables::MultiviewModes.at(state.MultiviewMode)) + underscore + layout +
               underscore + aspect;
    }
    default:
        return QString();
    }
}

QString multiviewPicturePath(const QString &name)
{
    return AppPaths::file(QStringLiteral("/APP/Image/MultiView/") + name + QStringLiteral(".png"));
}
