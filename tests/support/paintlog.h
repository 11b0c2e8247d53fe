#pragma once
#include <QPoint>
#include <QStringList>

class TDeviceLog;

// The texts a paint pass drew, read from a recording device's log with the viewport origins that
// the pass moved applied: "X Y text" in device pixels, in the order drawn (TextOut and ExtTextOut).
QStringList DrawnTexts(const TDeviceLog& Log);
// Where the first text equal to Text was drawn; (-1, -1) when it was not.
QPoint DrawnAt(const TDeviceLog& Log, const QString& Text);
