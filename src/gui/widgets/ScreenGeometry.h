#pragma once

#include <QSize>

// The primary screen's size, capped at 1920 x 1080: windows size and centre themselves on it.
QSize cappedPrimaryScreenSize();
