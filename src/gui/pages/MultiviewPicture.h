#pragma once

#include <QString>

struct DeviceContext;

// Name (without folder and ".png") of the preview picture for the multiview arrangement in `state`:
// "SINGLE", "PIP_<position>_<size>" or "<mode>_<layout number>_<FULL|169>". A value outside its list
// leaves its part of the name empty; an unknown mode gives an empty name.
QString multiviewPictureName(const DeviceContext &state);

// Full path of the preview picture `name` below the application directory.
QString multiviewPicturePath(const QString &name);
