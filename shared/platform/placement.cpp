#include "placement.h"

#include "desktop.h"
#include "numbers.h"
#include "outils.h"
#include "settingsstore.h"

#include <QElapsedTimer>
#include <QEvent>
#include <QLocale>
#include <QMargins>
#include <QStringList>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace {

// Beyond this, in pixels, no window system takes a position or size.
constexpr double kLargestPixels = 1 << 20;
// The height of a title bar, before the window manager has told it.
constexpr float kTitleBarTwips = 360;
// How long after its first fit a window is fitted again when its frame changes
// (the window manager may frame it in more than one step).
constexpr int kRefitMs = 2000;
constexpr int kMostRefits = 4;
const QString kKeeperName = QStringLiteral("placementKeeper");

QString toText(float twips)
{
    return QString::fromStdString(NumberToText(twips, UserDecimalSeparator()));
}

// The stored value in pixels and twips, or nothing when it is missing or unusable.
std::optional<int> readPixels(const SettingsStore &store, const QString &key, const Twips &twips, bool size,
                              float &asRead)
{
    const QString text = store.value(key, QString());
    if (text.isNull())
        return std::nullopt;
    const double number = LeadingNumber(text.toStdString());
    const double pixels = number / twips.perPixel();
    if (!std::isfinite(pixels) || std::fabs(pixels) > kLargestPixels || (size && pixels < 1))
        return std::nullopt;
    asRead = static_cast<float>(number);
    return static_cast<int>(std::lround(pixels));
}

QMargins frameMargins(const QWidget *window)
{
    const QRect frame = window->frameGeometry();
    const QRect inner = window->geometry();
    return {inner.left() - frame.left(), inner.top() - frame.top(), frame.right() - inner.right(),
            frame.bottom() - inner.bottom()};
}

// Keeps a top-level window at its stored outer placement once its frame is
// known, and remembers its last normal placement for the store.
class PlacementKeeper : public QObject
{
public:
    PlacementKeeper(QWidget *window, const StoredPlacement &stored, const Twips &twips, QSize screen)
        : QObject(window), m_window(window), m_stored(stored), m_twips(twips), m_screen(screen)
    {
        setObjectName(kKeeperName);
        window->installEventFilter(this);
    }

    const StoredPlacement &stored() const { return m_stored; }

    // Fits the window when it is shown in the normal state with a frame it was
    // not fitted to yet.
    void check()
    {
        if (m_fitting || !m_window->isVisible() || m_window->windowState() != Qt::WindowNoState)
            return;
        const QMargins margins = frameMargins(m_window);
        // Shortly after a fit the window manager may still frame the window, or
        // put back a placement of its own (as when it leaves the maximised state).
        const bool moved = margins != m_fittedMargins || m_window->frameGeometry() != m_intended;
        if (!m_fitted || (moved && m_sinceFit.elapsed() < kRefitMs && m_refits < kMostRefits)) {
            m_refits += m_fitted ? 1 : 0;
            fit(margins);
        }
        m_normal = m_window->frameGeometry();
        m_haveNormal = true;
    }

    // Checks again over the next moments, while the window manager works.
    void checkSoon()
    {
        for (int ms : {0, 100, 300, 1000})
            QTimer::singleShot(ms, this, [this] { check(); });
    }

    // The outer placement of the window in its normal state.
    QRect normalOuter() const
    {
        if (m_window->isVisible() && m_window->windowState() == Qt::WindowNoState && m_fitted)
            return m_window->frameGeometry();
        if (m_haveNormal)
            return m_normal;
        // Never seen in the normal state with its frame: what the restore gave it.
        const QMargins m = m_fitted ? m_fittedMargins : frameMargins(m_window);
        QRect client = m_window->normalGeometry();
        if (!client.isValid())
            client = m_window->geometry();
        return {m_stored.left.value_or(client.x() - m.left()), m_stored.top.value_or(client.y() - m.top()),
                m_stored.width.value_or(client.width() + m.left() + m.right()),
                m_stored.height.value_or(client.height() + m.top() + m.bottom())};
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == m_window) {
            switch (event->type()) {
            case QEvent::Show:
            case QEvent::Move:
            case QEvent::Resize:
                check();
                break;
            case QEvent::WindowStateChange:
                // The window manager changes the placement after the state.
                checkSoon();
                break;
            default:
                break;
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    void fit(const QMargins &m)
    {
        m_fitting = true;
        const int extraWidth = m.left() + m.right();
        const int extraHeight = m.top() + m.bottom();
        const int width = m_stored.width ? std::max(1, *m_stored.width - extraWidth) : m_window->width();
        const int height = m_stored.height ? std::max(1, *m_stored.height - extraHeight) : m_window->height();
        if (QSize(width, height) != m_window->size())
            m_window->resize(width, height);
        // Where no position was stored, the outer window is centred.
        const auto centre = outils::CenterForm(
            m_twips.fromPixels(m_screen.width()), m_twips.fromPixels(m_screen.height()),
            m_twips.fromPixels(width + extraWidth), m_twips.fromPixels(height + extraHeight));
        const QPoint position(m_stored.left.value_or(m_twips.toPixels(centre.left)),
                              m_stored.top.value_or(m_twips.toPixels(centre.top)));
        if (position != m_window->frameGeometry().topLeft())
            m_window->move(position);
        m_fitted = true;
        m_fittedMargins = m;
        m_intended = QRect(position, QSize(width + extraWidth, height + extraHeight));
        m_sinceFit.start();
        m_fitting = false;
    }

    QWidget *m_window;
    StoredPlacement m_stored;
    Twips m_twips;
    QSize m_screen;
    bool m_fitting = false;
    bool m_fitted = false;
    QMargins m_fittedMargins;
    QRect m_intended;
    int m_refits = 0;
    QElapsedTimer m_sinceFit;
    bool m_haveNormal = false;
    QRect m_normal;
};

PlacementKeeper *keeperOf(QWidget *window)
{
    return dynamic_cast<PlacementKeeper *>(window->findChild<QObject *>(kKeeperName, Qt::FindDirectChildrenOnly));
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

StoredPlacement ReadPlacement(const SettingsStore &store, const PlacementKeys &keys, const Twips &twips,
                              const QList<QRect> &screens, const QRect &current)
{
    StoredPlacement stored;
    stored.left = readPixels(store, keys.left, twips, false, stored.twips[0]);
    stored.top = readPixels(store, keys.top, twips, false, stored.twips[1]);
    stored.width = readPixels(store, keys.width, twips, true, stored.twips[2]);
    stored.height = readPixels(store, keys.height, twips, true, stored.twips[3]);

    QRect desktop;
    for (const QRect &screen : screens)
        desktop = desktop.united(screen);
    if (stored.width && !desktop.isEmpty() && *stored.width > desktop.width())
        stored.width.reset();
    if (stored.height && !desktop.isEmpty() && *stored.height > desktop.height())
        stored.height.reset();

    if (stored.left || stored.top) {
        const QRect titleBar(stored.left.value_or(current.x()), stored.top.value_or(current.y()),
                             stored.width.value_or(current.width()), twips.toPixels(kTitleBarTwips));
        const bool seen = std::any_of(screens.begin(), screens.end(),
                                      [&](const QRect &screen) { return screen.intersects(titleBar); });
        if (!seen && !screens.isEmpty()) {
            stored.left.reset();
            stored.top.reset();
        }
    }

    const QString stateText = store.value(keys.state, QString());
    if (!stateText.isNull()) {
        const auto state = LeadingInteger(stateText.toStdString());
        stored.state = state >= 0 && state <= 2 ? static_cast<int>(state) : 0;
    }
    return stored;
}

RestoredPlacement RestorePlacement(QWidget *window, const SettingsStore &store, const PlacementKeys &keys,
                                   const Twips &twips, const Desktop &desktop)
{
    const StoredPlacement stored = ReadPlacement(store, keys, twips, desktop.screenGeometries(),
                                                 window->frameGeometry());
    // Until the frame is known the outer size stands for the client size.
    const QMargins m = frameMargins(window);
    if (stored.left)
        window->move(*stored.left, window->frameGeometry().y());
    if (stored.top)
        window->move(window->frameGeometry().x(), *stored.top);
    if (stored.width)
        window->resize(std::max(1, *stored.width - m.left() - m.right()), window->height());
    if (stored.height)
        window->resize(window->width(), std::max(1, *stored.height - m.top() - m.bottom()));
    delete keeperOf(window);
    new PlacementKeeper(window, stored, twips, desktop.screenSize());
    return {stored.state};
}

void StorePlacement(QWidget *window, SettingsStore &store, const PlacementKeys &keys, const Twips &twips)
{
    store.setValue(keys.state, QString::number(StoredWindowState(window)));
    QRect outer;
    const PlacementKeeper *keeper = keeperOf(window);
    if (keeper) {
        outer = keeper->normalOuter();
    } else {
        // The normal placement: Qt keeps it while the window is maximised or minimised.
        const QRect normal = window->windowState() & (Qt::WindowMinimized | Qt::WindowMaximized)
                                 ? window->normalGeometry()
                                 : window->geometry();
        const QMargins m = frameMargins(window);
        outer = normal.marginsAdded(m);
    }
    window->setWindowState(Qt::WindowNoState);
    const int pixels[4] = {outer.x(), outer.y(), outer.width(), outer.height()};
    const std::optional<int> restored[4] = {keeper ? keeper->stored().left : std::nullopt,
                                            keeper ? keeper->stored().top : std::nullopt,
                                            keeper ? keeper->stored().width : std::nullopt,
                                            keeper ? keeper->stored().height : std::nullopt};
    const QString *names[4] = {&keys.left, &keys.top, &keys.width, &keys.height};
    for (int i = 0; i < 4; ++i) {
        // A value the window still has is written back as it was read.
        const float twipsValue =
            restored[i] && *restored[i] == pixels[i] ? keeper->stored().twips[i] : twips.fromPixels(pixels[i]);
        store.setValue(*names[i], toText(twipsValue));
    }
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
    // The window manager frames the window some time after it is shown.
    if (PlacementKeeper *keeper = keeperOf(window))
        keeper->checkSoon();
    QTimer::singleShot(0, window, [activated = std::move(activated)] { activated(); });
}
