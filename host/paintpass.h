#pragma once
#include <QPoint>

class DeviceContext;
class TCanvas;
class TControl;

// The sunken frame of 2 pixels that a window with a single border shows round its client area.
void PaintSunkenFrame(TCanvas& Canvas, int Width, int Height);

// Paints Control and every control it holds into DC as their windows would show them, with
// Control's top-left corner at Origin (logical units of DC). Each control shown on its parent
// (visible, or being designed) is painted in turn with the origin at its own top-left corner and
// clipped to itself and to its parents' client areas: a windowed control first fills itself with its
// colour and draws its border, then its Paint runs on its canvas; its children follow, those
// without a window first, each kind in the order of the parent's list. An exception of a Paint goes
// to the application's handler and the pass goes on.
void PaintControl(TControl* Control, DeviceContext& DC, QPoint Origin = QPoint(0, 0));
