#pragma once

#include <QList>
#include <QRect>
#include <QSize>
#include <QString>

#include "twipsrect.h"

#include <functional>
#include <optional>

class Desktop;
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

// The outer placement read from the settings store, in pixels, frame included.
// A missing value is one the store does not hold or the window cannot take.
struct StoredPlacement
{
    std::optional<int> left;
    std::optional<int> top;
    std::optional<int> width;
    std::optional<int> height;
    // The values as read, written back unchanged while the window keeps them.
    float twips[4] = {};
    // 0 normal, 1 minimised, 2 maximised; 0 when missing or out of range.
    int state = 0;
};

// Reads the placement keys. Besides values that are no numbers or no sizes, a
// width or height larger than the virtual desktop (all screens together) and a
// position that puts the whole title bar off every screen count as missing.
// `current` is the window's outer placement, used where a value is missing.
StoredPlacement ReadPlacement(const SettingsStore &store, const PlacementKeys &keys, const Twips &twips,
                              const QList<QRect> &screens, const QRect &current);

// What a restore leaves to do once the window is shown: the state to show it in.
struct RestoredPlacement
{
    int state = 0;
};

// Applies the stored left, top, width and height, in that order, each defaulting
// to the window's current value (centred at the design size). The values are
// those of the outer window; its frame is known only once it is shown, so the
// window is fitted again then (and centred again with its real outer size where
// no position was stored).
RestoredPlacement RestorePlacement(QWidget *window, const SettingsStore &store, const PlacementKeys &keys,
                                   const Twips &twips, const Desktop &desktop);

// Writes the window state, then the normal placement (outer frame, twips) even
// when the window is maximised or minimised; numbers with the user's decimal
// separator. Values restored and not changed since are written back as read.
void StorePlacement(QWidget *window, SettingsStore &store, const PlacementKeys &keys, const Twips &twips);

// Shows the window in a stored state (0, 1 or 2).
void ShowInState(QWidget *window, int state);

// Shows the window as restored and, once the event loop runs, calls `activated`
// once. Some window systems never report an activation, so the first turn of the
// loop stands for it.
void ShowRestored(QWidget *window, const RestoredPlacement &restored, std::function<void()> activated);

// The user's decimal separator, for number-to-text.
char UserDecimalSeparator();
