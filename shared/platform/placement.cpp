#include "placement.h"

#include "numbers.h"
#include "settingsstore.h"

#include <QLocale>
#include <QStringList>
#include <QTimer>
#include <QWidget>

#include <cmath>

namespace {

// Beyond this, in pixels, no window system takes a position or size.
constexpr double kLargestPixels = 1 << 20;

QString toText(float twips)
{
    return QString::fromStdString(NumberToText(twips, UserDecimalSeparator()));
}

// The stored value in pixels, or the fallback when it is missing or unusable.
int readPixels(const SettingsStore &store, const QString &key, int fallback, const Twips &twips, bool size)
{
    const QString text = store.value(key, QString());
    if (text.isNull())
        return fallback;
    const double pixels = LeadingNumber(text.toStdString()) / twips.perPixel();
    if (!std::isfinite(pixels) || std::fabs(pixels) > kLargestPixels || (size && pixels < 1))
        return fallback;
    return static_cast<int>(std::lround(pixels));
}

} // namespace

int Twips::toPixels(double twips) const
{
    return static_cast<int>(std::lround(twips / m_perPixel));
}

void Twips::place(QWidget *widget, const TwipsRect &r) const
{
    widget->setGeometry(toPixels(r.left), toPixels(r.top), toPixels(r.width), toPixels(r.height));
}

PlacementKeys PlacementKeys::withPrefix(const QString &prefix)
{
    return {prefix + QStringLiteral("WindowState"), prefix + QStringLiteral("Left"), prefix + QStringLiteral("Top"),
            prefix + QStringLiteral("Width"), prefix + QStringLiteral("Height")};
}

char UserDecimalSeparator()
{
    const QString point = QLocale().decimalPoint();
    return point.size() == 1 && point.at(0).unicode() < 128 ? static_cast<char>(point.at(0).unicode()) : '.';
}

int StoredWindowState(const QWidget *window)
{
    if (window->windowState() & Qt::WindowMinimized)
        return 1;
    if (window->windowState() & Qt::WindowMaximized)
        return 2;
    return 0;
}

RestoredPlacement RestorePlacement(QWidget *window, const SettingsStore &store, const PlacementKeys &keys,
                                   const Twips &twips)
{
    RestoredPlacement restored;
    const QRect frame = window->frameGeometry();
    const QSize margins = frame.size() - window->size();
    const int left = readPixels(store, keys.left, frame.x(), twips, false);
    window->move(left, window->frameGeometry().y());
    const int top = readPixels(store, keys.top, frame.y(), twips, false);
    window->move(window->frameGeometry().x(), top);
    const int width = readPixels(store, keys.width, frame.width(), twips, true);
    window->resize(std::max(1, width - margins.width()), window->height());
    const int height = readPixels(store, keys.height, frame.height(), twips, true);
    window->resize(window->width(), std::max(1, height - margins.height()));

    restored.outerSize = QSize(width, height);

    const QString stateText = store.value(keys.state, QString());
    if (!stateText.isNull()) {
        const auto state = LeadingInteger(stateText.toStdString());
        restored.state = state >= 0 && state <= 2 ? static_cast<int>(state) : 0;
    }
    return restored;
}

void FitOuterSize(QWidget *window, const QSize &outerSize)
{
    if (!outerSize.isValid() || window->windowState() != Qt::WindowNoState)
        return;
    const QSize margins = window->frameGeometry().size() - window->size();
    const QSize inner = outerSize - margins;
    if (inner != window->size() && inner.width() > 0 && inner.height() > 0)
        window->resize(inner);
}

void StorePlacement(QWidget *window, SettingsStore &store, const PlacementKeys &keys, const Twips &twips)
{
    store.setValue(keys.state, QString::number(StoredWindowState(window)));
    // The normal placement: Qt keeps it while the window is maximised or minimised.
    const QRect normal = window->windowState() & (Qt::WindowMinimized | Qt::WindowMaximized)
                             ? window->normalGeometry()
                             : window->geometry();
    const QRect frame = window->frameGeometry();
    const QRect inner = window->geometry();
    const int leftMargin = inner.x() - frame.x();
    const int topMargin = inner.y() - frame.y();
    const QSize margins = frame.size() - inner.size();
    window->setWindowState(Qt::WindowNoState);
    store.setValue(keys.left, toText(twips.fromPixels(normal.x() - leftMargin)));
    store.setValue(keys.top, toText(twips.fromPixels(normal.y() - topMargin)));
    store.setValue(keys.width, toText(twips.fromPixels(normal.width() + margins.width())));
    store.setValue(keys.height, toText(twips.fromPixels(normal.height() + margins.height())));
    store.sync();
}

void ShowInState(QWidget *window, int state)
{
    if (state == 1)
        window->showMinimized();
    else if (state == 2)
        window->showMaximized();
    else
        window->show();
}

void ShowRestored(QWidget *window, const RestoredPlacement &restored, std::function<void()> activated)
{
    ShowInState(window, restored.state);
    const QSize outer = restored.outerSize;
    QTimer::singleShot(0, window, [window, outer, activated = std::move(activated)] {
        FitOuterSize(window, outer);
        activated();
    });
}

QString CommandLineText(int argc, char *argv[])
{
    QStringList words;
    for (int i = 1; i < argc; ++i)
        words << QString::fromLocal8Bit(argv[i]);
    return words.join(QLatin1Char(' '));
}
