#pragma once

#include "dialoglayout.h"
#include "preview/resourcepreview.h"

#include <QFont>
#include <QFontMetrics>
#include <QWidget>

#include <optional>

namespace quenlit {

// Text measured with the font the preview draws with.
class QtTextMetrics : public TextMetrics
{
public:
    explicit QtTextMetrics(const QFont &font) : m_metrics(font) {}
    int width(std::u16string_view text) const override;
    int height() const override;

private:
    QFontMetrics m_metrics;
};

// The font a dialog is drawn with: its own when the system has it, else a
// sans-serif font of the system of the same pixel size. Without a font in the
// template, the system font of Windows, approached the same way.
QFont DialogFont(const DialogTemplate *dialog);
// Names the family that stands in for every dialog font, whatever the system
// has, so that what is drawn and measured follows no font of the machine (the
// tests' own font); empty, the default, for the system's fonts as above.
void SetDialogFontFallback(const QString &family);

// Paints one scene of the preview: a dialog with its controls, a menu bar with
// the popups down to the selected item, or a text with its length. The
// selected token's control or item is highlighted, a text that does not fit
// its control is outlined in red, and items of one menu level that share an
// access key are marked.
class ResourcePreviewWidget : public QWidget
{
    Q_OBJECT

public:
    explicit ResourcePreviewWidget(QWidget *parent = nullptr);

    void showNothing();
    void showDialog(DialogView view, const QFont &font);
    void showMenu(MenuView view, const QFont &font);
    void showText(const std::u16string &text, const QFont &font, bool pending);

    // What is shown, for the window and its tests.
    const DialogView *dialog() const { return m_dialog ? &*m_dialog : nullptr; }
    const MenuView *menu() const { return m_menu ? &*m_menu : nullptr; }
    bool showsText() const { return m_text.has_value(); }
    const QFont &shownFont() const { return m_font; }
    // Where a dialog control or the caption is drawn, in widget coordinates.
    QRect controlRect(std::size_t index) const;
    QRect captionRect() const;
    // Where a menu entry is drawn: level 0 the bar, then the popups.
    QRect menuEntryRect(std::size_t level, std::size_t index) const;
    // Where its label is drawn; as wide as the label at least.
    QRect menuTextRect(std::size_t level, std::size_t index) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void paintDialog(QPainter &p);
    void paintControl(QPainter &p, const ControlView &c, const QRect &r);
    void paintMenu(QPainter &p);
    void paintText(QPainter &p);
    void layOutMenu();
    QPoint clientOrigin() const;
    QString lengthLine(int pixels) const;

    QFont m_font;
    std::optional<DialogView> m_dialog;
    std::optional<MenuView> m_menu;
    std::optional<std::u16string> m_text;
    bool m_textPending = false;
    // Menu geometry: the rects of each level's entries and of each popup.
    std::vector<std::vector<QRect>> m_menuRects;
    std::vector<QRect> m_popupFrames;
    QSize m_size;
};

} // namespace quenlit
