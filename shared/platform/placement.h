#pragma once

#include <QSize>
#include <QString>

#include "twipsrect.h"

#include <functional>

class QWidget;
class SettingsStore;

// Twips (1440 per inch) and pixels through the screen's logical DPI: 15 twips a
// pixel at 96 DPI.
class Twips
{
public:
    explicit Twips(double logicalDpi) : m_perPixel(1440.0 / (logicalDpi > 0 ? logicalDpi : 96.0)) {}
    double perPixel() const { return m_perPixel; }
    int toPixels(double twips) const;
    float fromPixels(int pixels) const { return static_cast<float>(pixels * m_perPixel); }

    // Places a child widget at a placement in twips.
    void place(QWidget *widget, const TwipsRect &rect) const;

private:
    double m_perPixel;
};

// The settings keys of one program's window placement ("EditLeft", ...).
struct PlacementKeys
{
    QString state;
    QString left;
    QString top;
    QString width;
    QString height;

    static PlacementKeys withPrefix(const QString &prefix);
};

// Window state as stored: 0 normal, 1 minimised, 2 maximised.
int StoredWindowState(const QWidget *window);

// What a restore leaves to do once the window is shown: the state to show it in
// (0 when missing or out of range) and the outer size it should have, which
// needs the frame's size, known only then.
struct RestoredPlacement
{
    int state = 0;
    QSize outerSize;
};

// Applies the stored left, top, width and height, in that order, each defaulting
// to the window's current value (outer frame, twips). Values the window cannot
// take are treated as missing.
RestoredPlacement RestorePlacement(QWidget *window, const SettingsStore &store, const PlacementKeys &keys,
                                   const Twips &twips);

// Resizes a shown window so that its frame has the given outer size.
void FitOuterSize(QWidget *window, const QSize &outerSize);

// Writes the window state, then the normal placement (outer frame, twips) even
// when the window is maximised or minimised; numbers with the user's decimal separator.
void StorePlacement(QWidget *window, SettingsStore &store, const PlacementKeys &keys, const Twips &twips);

// Shows the window in a stored state (0, 1 or 2).
void ShowInState(QWidget *window, int state);

// Shows the window as restored and, once the event loop runs, gives it its
// outer size and calls `activated` once. Some window systems never report an
// activation, so the first turn of the loop stands for it.
void ShowRestored(QWidget *window, const RestoredPlacement &restored, std::function<void()> activated);

// The program's whole argument text: the arguments after its name joined with
// single blanks, as they are.
QString CommandLineText(int argc, char *argv[]);

// The user's decimal separator, for number-to-text.
char UserDecimalSeparator();
