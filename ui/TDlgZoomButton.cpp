#include "ui/TDlgZoomButton.h"

#include <QLayout>
#include <QPainter>
#include <QPixmap>

namespace ui {

namespace {

int Scaled(int value, int ratio) {
    return static_cast<int>(static_cast<long long>(value) * ratio / 100);
}

} // namespace

TDlgZoomButton::TDlgZoomButton(QWidget* form) : QToolButton(form), form_(form) {
    setFixedSize(25, 25);
    setToolTip(QStringLiteral("画面を拡大します（クリックごとに1.5倍、2倍、元の大きさ）"));
    connect(this, &QToolButton::clicked, this, &TDlgZoomButton::Click);
}

void TDlgZoomButton::SetState(TDlgZoomState state) {
    state_ = state;
    Apply();
}

void TDlgZoomButton::SetSizeable(bool sizeable) {
    sizeable_ = sizeable;
    Apply();
}

void TDlgZoomButton::RecordLayout() {
    // A dialog shown again while zoomed goes back to its design first, so that zooming never
    // builds on a zoomed layout.
    if (initialized_ && state_ != TDlgZoomState::dzSmall)
        SetState(TDlgZoomState::dzSmall);
    client_ = form_->size();
    const QFont font = form_->font();
    fontInPixels_ = font.pointSize() <= 0;
    fontSize_ = fontInPixels_ ? font.pixelSize() : font.pointSize();
    recorded_.clear();
    for (QWidget* widget : form_->findChildren<QWidget*>())
        if (widget->window() == form_)
            recorded_.push_back({widget, widget->geometry()});
    initialized_ = true;
    state_ = TDlgZoomState::dzLarge;
    Click();
}

void TDlgZoomButton::Click() {
    switch (state_) {
    case TDlgZoomState::dzSmall:
        state_ = TDlgZoomState::dzMedium;
        break;
    case TDlgZoomState::dzMedium:
        state_ = TDlgZoomState::dzLarge;
        break;
    case TDlgZoomState::dzLarge:
        state_ = TDlgZoomState::dzSmall;
        break;
    }
    Apply();
}

void TDlgZoomButton::Apply() {
    if (!initialized_)
        return;
    const int ratio = state_ == TDlgZoomState::dzMedium  ? MediumRatio
                      : state_ == TDlgZoomState::dzLarge ? LargeRatio
                                                         : 100;
    QFont font = form_->font();
    if (fontInPixels_)
        font.setPixelSize(std::max(1, Scaled(fontSize_, ratio)));
    else
        font.setPointSize(std::max(1, Scaled(fontSize_, ratio)));
    form_->setFont(font);
    ShowGlyph();
    if (form_->layout()) {
        // A dialog built with layouts grows with its font: the layouts place every control
        // from the scaled font, and the dialog takes the size they need.
        form_->layout()->activate();
        form_->adjustSize();
        return;
    }
    form_->resize(Scaled(client_.width(), ratio), Scaled(client_.height(), ratio));
    for (const Recorded& r : recorded_) {
        QWidget* widget = r.Widget;
        if (!widget)
            continue;
        const QRect g = r.Geometry;
        QPoint position = widget->pos();
        QSize size = widget->size();
        if (widget != this || Moveable)
            position = QPoint(Scaled(g.left(), ratio), Scaled(g.top(), ratio));
        if (widget != this || sizeable_)
            size = QSize(Scaled(g.width(), ratio), Scaled(g.height(), ratio));
        widget->setMinimumSize(0, 0);
        widget->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        if (widget == this && !sizeable_)
            widget->setFixedSize(25, 25);
        widget->setGeometry(QRect(position, size));
    }
}

void TDlgZoomButton::ShowGlyph() {
    const QString& caption = state_ == TDlgZoomState::dzMedium  ? MediumCaption
                             : state_ == TDlgZoomState::dzLarge ? LargeCaption
                                                                : SmallCaption;
    setText(caption);
    const QIcon& glyph = Images[static_cast<std::size_t>(state_)];
    if (!glyph.isNull())
        setIcon(glyph);
}

std::array<QIcon, 3> TDlgZoomButton::MagnifierGlyphs() {
    std::array<QIcon, 3> glyphs;
    for (int state = 0; state < 3; ++state) {
        QPixmap pixmap(20, 20);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(QColor(0x33, 0x44, 0x55), 2));
        p.drawEllipse(QRectF(2, 2, 11, 11));
        p.drawLine(QPointF(12, 12), QPointF(18, 18));
        // Small and medium enlarge (+), large goes back (-).
        p.drawLine(QPointF(5, 7.5), QPointF(10, 7.5));
        if (state != 2)
            p.drawLine(QPointF(7.5, 5), QPointF(7.5, 10));
        p.end();
        glyphs[static_cast<std::size_t>(state)] = QIcon(pixmap);
    }
    return glyphs;
}

} // namespace ui
