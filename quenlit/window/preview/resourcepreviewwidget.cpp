#include "window/preview/resourcepreviewwidget.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFontInfo>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionComboBox>
#include <QStyleOptionProgressBar>
#include <QStyleOptionSlider>

#include <algorithm>

namespace quenlit {

namespace {

// Where an entry's label is drawn in its rectangle: on the bar after a margin,
// in a popup between the check mark's room and the arrow's.
QRect MenuTextRect(const QRect &entry, bool inPopup)
{
    return inPopup ? entry.adjusted(22, 0, -22, 0) : entry.adjusted(8, 0, -4, 0);
}

constexpr int kMargin = 12;
constexpr int kBorder = 3;
constexpr int kTitleHeight = 22;

const QColor kFace(240, 240, 240);
const QColor kTooLong(220, 0, 0);
const QColor kClash(230, 120, 0);

QString qstr(std::u16string_view text)
{
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

// The family set to stand in for every dialog font; empty for the system's.
QString &standIn()
{
    static QString family;
    return family;
}

// The sans-serif families nearest the Windows dialog fonts, best first.
QString fallbackFamily()
{
    if (!standIn().isEmpty())
        return standIn();
    static const QString family = [] {
        const QStringList families = QFontDatabase::families();
        for (const char *name : {"Tahoma", "Liberation Sans", "Arimo", "DejaVu Sans", "FreeSans"}) {
            if (families.contains(QString::fromLatin1(name), Qt::CaseInsensitive))
                return QString::fromLatin1(name);
        }
        return QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
    }();
    return family;
}

QRect toQRect(const PixelRect &r)
{
    return QRect(r.x, r.y, std::max(0, r.width), std::max(0, r.height));
}

} // namespace

int QtTextMetrics::width(std::u16string_view text) const
{
    return m_metrics.horizontalAdvance(qstr(text));
}

int QtTextMetrics::height() const
{
    return m_metrics.ascent() + m_metrics.descent();
}

void SetDialogFontFallback(const QString &family)
{
    standIn() = family;
}

QFont DialogFont(const DialogTemplate *dialog)
{
    QFont font;
    if (!dialog || !dialog->hasFont) {
        // The system font of Windows: bold, 16 pixels high.
        font.setFamily(fallbackFamily());
        font.setPixelSize(13);
        font.setBold(true);
        return font;
    }
    const QString face = QString::fromStdU16String(dialog->typeface);
    const bool known = standIn().isEmpty() && QFontDatabase::families().contains(face, Qt::CaseInsensitive);
    font.setFamily(known ? face : fallbackFamily());
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(std::max(1, FontPixelSize(dialog->pointSize > 0 ? dialog->pointSize : 8)));
    if (dialog->weight >= 600)
        font.setBold(true);
    font.setItalic(dialog->italic);
    return font;
}

ResourcePreviewWidget::ResourcePreviewWidget(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("resourcePreview"));
    setAutoFillBackground(true);
}

void ResourcePreviewWidget::showNothing()
{
    m_dialog.reset();
    m_menu.reset();
    m_text.reset();
    m_size = QSize();
    updateGeometry();
    update();
}

void ResourcePreviewWidget::showDialog(DialogView view, const QFont &font)
{
    showNothing();
    m_font = font;
    m_dialog = std::move(view);
    m_size = QSize(m_dialog->client.width + 2 * (kMargin + kBorder),
                   m_dialog->client.height + 2 * (kMargin + kBorder) + kTitleHeight);
    updateGeometry();
    update();
}

void ResourcePreviewWidget::showMenu(MenuView view, const QFont &font)
{
    showNothing();
    m_font = font;
    m_menu = std::move(view);
    layOutMenu();
    updateGeometry();
    update();
}

void ResourcePreviewWidget::showText(const std::u16string &text, const QFont &font, bool pending)
{
    showNothing();
    m_font = font;
    m_text = text;
    m_textPending = pending;
    const QFontMetrics fm(m_font);
    const QRect bounds = fm.boundingRect(QRect(0, 0, 100000, 100000), Qt::TextExpandTabs, qstr(text));
    const int lengthWidth = fm.horizontalAdvance(lengthLine(bounds.width()));
    m_size = QSize(std::min(std::max(bounds.width() + 8, lengthWidth), 2000) + 2 * kMargin,
                   bounds.height() + fm.height() + 2 * kMargin + 16);
    updateGeometry();
    update();
}

QSize ResourcePreviewWidget::sizeHint() const
{
    return m_size.isValid() ? m_size : QSize(100, 40);
}

QPoint ResourcePreviewWidget::clientOrigin() const
{
    return QPoint(kMargin + kBorder, kMargin + kBorder + kTitleHeight);
}

QRect ResourcePreviewWidget::controlRect(std::size_t index) const
{
    if (!m_dialog || index >= m_dialog->controls.size())
        return {};
    return toQRect(m_dialog->controls[index].rect).translated(clientOrigin());
}

QRect ResourcePreviewWidget::captionRect() const
{
    if (!m_dialog)
        return {};
    return QRect(kMargin + kBorder, kMargin + kBorder, m_dialog->client.width, kTitleHeight);
}

QRect ResourcePreviewWidget::menuEntryRect(std::size_t level, std::size_t index) const
{
    if (level >= m_menuRects.size() || index >= m_menuRects[level].size())
        return {};
    return m_menuRects[level][index];
}

void ResourcePreviewWidget::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), palette().color(QPalette::Base));
    if (m_dialog)
        paintDialog(p);
    else if (m_menu)
        paintMenu(p);
    else if (m_text)
        paintText(p);
}

void ResourcePreviewWidget::paintDialog(QPainter &p)
{
    const DialogView &d = *m_dialog;
    const QPoint origin = clientOrigin();
    const QRect client = toQRect(d.client).translated(origin);
    const QRect frame = client.adjusted(-kBorder, -kBorder - kTitleHeight, kBorder, kBorder);

    // The frame and its title bar.
    p.fillRect(frame, QColor(200, 200, 200));
    p.setPen(QColor(100, 100, 100));
    p.drawRect(frame.adjusted(0, 0, -1, -1));
    const QRect title = captionRect();
    p.fillRect(title, QColor(60, 90, 150));
    QFont captionFont = m_font;
    captionFont.setBold(true);
    p.setFont(captionFont);
    p.setPen(Qt::white);
    p.drawText(title.adjusted(6, 0, -6, 0), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
               qstr(d.caption));
    if (d.captionSelected) {
        p.setPen(QPen(palette().color(QPalette::Highlight), 2));
        p.drawRect(title.adjusted(1, 1, -1, -1));
    }
    p.fillRect(client, kFace);

    // Controls in template order, as Windows creates them.
    p.save();
    p.setClipRect(client);
    for (const ControlView &c : d.controls)
        paintControl(p, c, toQRect(c.rect).translated(origin));
    p.restore();

    // The marks come last, over everything.
    for (const ControlView &c : d.controls) {
        const QRect r = toQRect(c.rect).translated(origin);
        if (c.selected) {
            QColor fill = palette().color(QPalette::Highlight);
            fill.setAlpha(50);
            p.fillRect(r, fill);
            p.setPen(QPen(palette().color(QPalette::Highlight), 2));
            p.drawRect(r.adjusted(-2, -2, 1, 1));
        }
        if (c.overflows()) {
            p.setPen(QPen(kTooLong, 2));
            p.drawRect(r.adjusted(0, 0, -1, -1));
        }
        if (c.pending) {
            p.setPen(QPen(palette().color(QPalette::Highlight), 1, Qt::DashLine));
            p.drawRect(r.adjusted(-4, -4, 3, 3));
        }
    }
}

void ResourcePreviewWidget::paintControl(QPainter &p, const ControlView &c, const QRect &r)
{
    QStyle *style = QApplication::style();
    p.setFont(m_font);
    const QFontMetrics fm(m_font);
    const bool disabled = c.control->style & dialogstyle::WS_DISABLED;
    QStyle::State state = QStyle::State_Active;
    if (!disabled)
        state |= QStyle::State_Enabled;

    switch (c.kind) {
    case ControlKind::PushButton:
    case ControlKind::DefaultPushButton: {
        QStyleOptionButton opt;
        opt.rect = r;
        opt.state = state | QStyle::State_Raised;
        if (c.kind == ControlKind::DefaultPushButton)
            opt.features |= QStyleOptionButton::DefaultButton;
        opt.palette = palette();
        style->drawControl(QStyle::CE_PushButtonBevel, &opt, &p);
        break;
    }
    case ControlKind::CheckBox:
    case ControlKind::RadioButton: {
        QStyleOptionButton opt;
        const int box = 13;
        const bool left = c.control->style & dialogstyle::BS_LEFTTEXT;
        opt.rect = QRect(left ? r.right() - box + 1 : r.x(), r.y() + (r.height() - box) / 2, box, box);
        opt.state = state | QStyle::State_Off;
        opt.palette = palette();
        style->drawPrimitive(c.kind == ControlKind::CheckBox ? QStyle::PE_IndicatorCheckBox
                                                             : QStyle::PE_IndicatorRadioButton,
                             &opt, &p);
        break;
    }
    case ControlKind::GroupBox: {
        const int top = r.y() + fm.height() / 2;
        p.setPen(QColor(160, 160, 160));
        p.drawRect(QRect(r.x(), top, r.width() - 1, r.bottom() - top));
        if (c.fit && !c.fit->lines.empty()) {
            // The caption hides the line behind it.
            const int w = std::min(c.fit->width + 4, std::max(0, r.width() - 12));
            p.fillRect(QRect(r.x() + 7, r.y(), w, fm.height()), kFace);
        }
        break;
    }
    case ControlKind::Edit:
    case ControlKind::ListBox:
    case ControlKind::ListView: {
        p.fillRect(r, Qt::white);
        p.setPen(QColor(130, 135, 144));
        p.drawRect(r.adjusted(0, 0, -1, -1));
        if (c.kind == ControlKind::Edit && !c.text.empty()) {
            p.setPen(Qt::black);
            p.drawText(r.adjusted(3, 0, -3, 0), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, qstr(c.text));
        }
        if (c.control->style & dialogstyle::WS_VSCROLL || c.kind == ControlKind::ListBox) {
            const QRect bar(r.right() - 16, r.y() + 1, 16, r.height() - 2);
            p.fillRect(bar, QColor(230, 230, 230));
        }
        break;
    }
    case ControlKind::ComboBox: {
        QStyleOptionComboBox opt;
        opt.rect = QRect(r.x(), r.y(), r.width(), std::min(r.height(), fm.height() + 8));
        opt.state = state;
        opt.editable = (c.control->style & dialogstyle::CBS_TYPEMASK) != dialogstyle::CBS_DROPDOWNLIST;
        opt.palette = palette();
        opt.currentText = qstr(c.text);
        style->drawComplexControl(QStyle::CC_ComboBox, &opt, &p);
        style->drawControl(QStyle::CE_ComboBoxLabel, &opt, &p);
        break;
    }
    case ControlKind::ScrollBar: {
        QStyleOptionSlider opt;
        opt.rect = r;
        opt.state = state;
        opt.orientation = (c.control->style & dialogstyle::SBS_VERT) ? Qt::Vertical : Qt::Horizontal;
        opt.minimum = 0;
        opt.maximum = 100;
        opt.pageStep = 20;
        opt.palette = palette();
        style->drawComplexControl(QStyle::CC_ScrollBar, &opt, &p);
        break;
    }
    case ControlKind::ProgressBar: {
        QStyleOptionProgressBar opt;
        opt.rect = r;
        opt.state = state;
        opt.minimum = 0;
        opt.maximum = 100;
        opt.progress = 40;
        opt.palette = palette();
        style->drawControl(QStyle::CE_ProgressBar, &opt, &p);
        break;
    }
    case ControlKind::Image:
        p.setPen(QPen(QColor(120, 120, 120), 1, Qt::DotLine));
        p.drawRect(r.adjusted(0, 0, -1, -1));
        p.drawLine(r.topLeft(), r.bottomRight());
        p.drawLine(r.topRight(), r.bottomLeft());
        break;
    case ControlKind::Rectangle:
        p.setPen(QColor(160, 160, 160));
        p.drawRect(r.adjusted(0, 0, -1, -1));
        break;
    case ControlKind::Tab:
        p.setPen(QColor(160, 160, 160));
        p.drawRect(r.adjusted(0, fm.height() + 6, -1, -1));
        p.drawRect(QRect(r.x(), r.y(), std::min(r.width() - 1, 60), fm.height() + 6));
        break;
    case ControlKind::Text:
        break;
    case ControlKind::Custom: {
        p.setPen(QPen(QColor(150, 150, 150), 1, Qt::DashLine));
        p.drawRect(r.adjusted(0, 0, -1, -1));
        if (!c.fit) {
            QFont small = m_font;
            small.setItalic(true);
            p.setFont(small);
            p.setPen(QColor(120, 120, 120));
            p.drawText(r.adjusted(2, 1, -2, -1), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                       QString::fromStdU16String(c.control->className()));
            p.setFont(m_font);
        }
        break;
    }
    }

    // The label, line by line as the layout broke it, clipped to the control as
    // Windows clips it.
    if (!c.fit || c.fit->lines.empty())
        return;
    const TextRoom room = TextRoomOf(*c.control, c.rect);
    const QRect roomRect = toQRect(room.rect).translated(r.topLeft() - QPoint(c.rect.x, c.rect.y));
    const int lineHeight = m_dialog->units.y > 0 ? fm.ascent() + fm.descent() : fm.height();
    int y = roomRect.y();
    if (room.verticalCenter)
        y += (roomRect.height() - c.fit->height) / 2;
    p.save();
    p.setClipRect(r, Qt::IntersectClip);
    p.setPen(disabled ? QColor(160, 160, 160) : QColor(0, 0, 0));
    const int flags = Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine | Qt::TextExpandTabs |
                      (room.accessKeys ? Qt::TextShowMnemonic : 0);
    for (const TextLine &line : c.fit->lines) {
        int x = roomRect.x();
        if (room.align == TextAlign::Center)
            x += (roomRect.width() - line.width) / 2;
        else if (room.align == TextAlign::Right)
            x += roomRect.width() - line.width;
        p.drawText(QRect(x, y, std::max(line.width, 1) + fm.maxWidth(), lineHeight), flags, qstr(line.text));
        y += lineHeight;
    }
    p.restore();
}

QRect ResourcePreviewWidget::menuTextRect(std::size_t level, std::size_t index) const
{
    const QRect entry = menuEntryRect(level, index);
    return entry.isNull() ? entry : MenuTextRect(entry, level > 0);
}

void ResourcePreviewWidget::layOutMenu()
{
    m_menuRects.clear();
    m_popupFrames.clear();
    const MenuView &m = *m_menu;
    const QFontMetrics fm(m_font);
    const int barHeight = fm.height() + 8;
    const int itemHeight = fm.height() + 6;
    // The width a label takes as it is drawn: laid out with its access key's
    // "&" taken out and each glyph in the font it falls back to (a width summed
    // before the fallback is short by the last "." of a CJK or Cyrillic "...").
    auto labelWidth = [&fm](const QString &text) {
        return fm.size(Qt::TextShowMnemonic | Qt::TextSingleLine, text).width();
    };
    auto label = [](const std::u16string &text) {
        const std::size_t tab = text.find(u'\t');
        return qstr(tab == std::u16string::npos ? std::u16string_view(text) : std::u16string_view(text).substr(0, tab));
    };
    auto shortcut = [](const std::u16string &text) {
        const std::size_t tab = text.find(u'\t');
        return tab == std::u16string::npos ? QString() : qstr(std::u16string_view(text).substr(tab + 1));
    };

    // The bar, one line of items from the left.
    std::vector<QRect> bar;
    int x = kMargin + 2;
    for (const MenuEntryView &e : m.bar) {
        const int w = labelWidth(label(e.text)) + 12;
        bar.emplace_back(x, kMargin + 2, w, barHeight - 4);
        x += w;
    }
    int width = x + kMargin;
    m_menuRects.push_back(std::move(bar));

    // Each popup below its item on the bar, then right of its item in the popup before.
    QRect opener = m_menuRects[0].empty() ? QRect(kMargin, kMargin, 0, barHeight) : QRect();
    for (std::size_t i = 0; i < m.bar.size(); ++i) {
        if (m.bar[i].open)
            opener = m_menuRects[0][i];
    }
    int height = kMargin + barHeight + kMargin;
    for (std::size_t level = 0; level < m.popups.size(); ++level) {
        const auto &items = m.popups[level];
        int labelsWidth = 0;
        int keysWidth = 0;
        for (const MenuEntryView &e : items) {
            labelsWidth = std::max(labelsWidth, labelWidth(label(e.text)));
            keysWidth = std::max(keysWidth, fm.horizontalAdvance(shortcut(e.text)));
        }
        // 3 of frame and 22 of check mark room left, 22 of arrow room and 3 of frame right.
        const int popupWidth = 25 + labelsWidth + (keysWidth ? keysWidth + 24 : 0) + 25;
        const QPoint at = level == 0 ? QPoint(opener.x(), opener.bottom() + 3) : QPoint(opener.right() - 4, opener.y());
        int y = at.y() + 3;
        std::vector<QRect> rects;
        for (const MenuEntryView &e : items) {
            const int h = e.item->separator ? 8 : itemHeight;
            rects.emplace_back(at.x() + 3, y, popupWidth - 6, h);
            y += h;
        }
        m_popupFrames.emplace_back(at.x(), at.y(), popupWidth, y - at.y() + 3);
        for (std::size_t i = 0; i < items.size(); ++i) {
            if (items[i].open)
                opener = rects[i];
        }
        width = std::max(width, at.x() + popupWidth + kMargin);
        height = std::max(height, y + 3 + kMargin);
        m_menuRects.push_back(std::move(rects));
    }
    m_size = QSize(width, height);
}

void ResourcePreviewWidget::paintMenu(QPainter &p)
{
    const MenuView &m = *m_menu;
    const QFontMetrics fm(m_font);
    p.setFont(m_font);
    const QColor highlight = palette().color(QPalette::Highlight);

    auto drawEntry = [&](const MenuEntryView &e, const QRect &r, bool inPopup) {
        if (e.item->separator) {
            p.setPen(QColor(190, 190, 190));
            p.drawLine(r.x() + 4, r.center().y(), r.right() - 4, r.center().y());
            return;
        }
        if (e.selected || e.open) {
            QColor fill = highlight;
            fill.setAlpha(e.selected ? 90 : 40);
            p.fillRect(r, fill);
        }
        if (e.selected) {
            p.setPen(QPen(highlight, 2));
            p.drawRect(r.adjusted(1, 1, -1, -1));
        }
        if (e.keyClash) {
            p.setPen(QPen(kClash, 2));
            p.drawRect(r.adjusted(2, 2, -2, -2));
        }
        if (e.pending) {
            p.setPen(QPen(highlight, 1, Qt::DashLine));
            p.drawRect(r.adjusted(0, 0, -1, -1));
        }
        const std::size_t tab = e.text.find(u'\t');
        const QString text = qstr(tab == std::u16string::npos ? std::u16string_view(e.text)
                                                              : std::u16string_view(e.text).substr(0, tab));
        p.setPen(e.item->grayed ? QColor(150, 150, 150) : QColor(0, 0, 0));
        const QRect textRect = MenuTextRect(r, inPopup);
        p.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextShowMnemonic | Qt::TextSingleLine | Qt::TextDontClip,
                   text);
        if (inPopup && tab != std::u16string::npos)
            p.drawText(textRect, Qt::AlignRight | Qt::AlignVCenter | Qt::TextSingleLine,
                       qstr(std::u16string_view(e.text).substr(tab + 1)));
        if (inPopup && e.item->checked)
            p.drawText(QRect(r.x() + 4, r.y(), 16, r.height()), Qt::AlignCenter, QString(QChar(0x2713)));
        if (inPopup && e.item->popup)
            p.drawText(QRect(r.right() - 16, r.y(), 14, r.height()), Qt::AlignCenter, QString(QChar(0x25B8)));
    };

    // The bar.
    const QFontMetrics metrics(m_font);
    const QRect barRect(kMargin, kMargin, std::max(width() - 2 * kMargin, 0), metrics.height() + 8);
    p.fillRect(barRect, kFace);
    p.setPen(QColor(200, 200, 200));
    p.drawLine(barRect.bottomLeft(), barRect.bottomRight());
    for (std::size_t i = 0; i < m.bar.size(); ++i)
        drawEntry(m.bar[i], m_menuRects[0][i], false);

    // The popups.
    for (std::size_t level = 0; level < m.popups.size(); ++level) {
        const QRect frame = m_popupFrames[level];
        p.fillRect(frame.adjusted(3, 3, 3, 3), QColor(0, 0, 0, 40)); // shadow
        p.fillRect(frame, kFace);
        p.setPen(QColor(150, 150, 150));
        p.drawRect(frame.adjusted(0, 0, -1, -1));
        for (std::size_t i = 0; i < m.popups[level].size(); ++i)
            drawEntry(m.popups[level][i], m_menuRects[level + 1][i], true);
    }
}

void ResourcePreviewWidget::paintText(QPainter &p)
{
    const QFontMetrics fm(m_font);
    const QString text = qstr(*m_text);
    const QRect bounds = fm.boundingRect(QRect(0, 0, 100000, 100000), Qt::TextExpandTabs, text);
    const QRect box(kMargin, kMargin, bounds.width() + 8, bounds.height() + 8);
    p.fillRect(box, kFace);
    p.setPen(m_textPending ? QPen(palette().color(QPalette::Highlight), 1, Qt::DashLine) : QPen(QColor(160, 160, 160)));
    p.drawRect(box.adjusted(0, 0, -1, -1));
    p.setFont(m_font);
    p.setPen(Qt::black);
    p.drawText(box.adjusted(4, 4, -4, -4), Qt::AlignLeft | Qt::AlignTop | Qt::TextExpandTabs, text);
    p.setPen(QColor(90, 90, 90));
    p.drawText(QRect(kMargin, box.bottom() + 4, std::max(width() - 2 * kMargin, 200), fm.height()),
               Qt::AlignLeft | Qt::AlignTop, lengthLine(bounds.width()));
}

QString ResourcePreviewWidget::lengthLine(int pixels) const
{
    // Characters as the user counts them: a surrogate pair is one.
    qsizetype characters = 0;
    if (m_text) {
        const QString text = qstr(*m_text);
        for (qsizetype i = 0; i < text.size(); ++i) {
            if (!text.at(i).isLowSurrogate())
                ++characters;
        }
    }
    return QStringLiteral("%1 characters, %2 pixels wide").arg(characters).arg(pixels);
}

} // namespace quenlit
